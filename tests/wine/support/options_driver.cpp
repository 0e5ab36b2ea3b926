#include "tests/wine/support/options_driver.h"

#include <vector>

#include "client/res/resource.h"
#include "common/product.h"

namespace karvex::test {

namespace {

constexpr UINT kSendTimeout = 10000;

LRESULT SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeout, &result);
    return static_cast<LRESULT>(result);
}

std::string LineOf(HWND control, UINT lengthMessage, UINT textMessage, int index)
{
    const auto length = static_cast<int>(::SendMessageW(control, lengthMessage, static_cast<WPARAM>(index), 0));
    if (length < 0)
        return std::string();
    std::vector<wchar_t> wide(static_cast<size_t>(length) + 1, L'\0');
    ::SendMessageW(control, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()));
    char text[512] = {};
    ::WideCharToMultiByte(936, 0, wide.data(), -1, text, sizeof text, nullptr, nullptr);
    return text;
}

}  // namespace

HWND OpenOptions(const ChildProcess& client, HWND tray, bool byDoubleClick, Delivery delivery)
{
    if (byDoubleClick)
        Deliver(tray, kTrayNotifyMessage, kTrayIconId, WM_LBUTTONDBLCLK, delivery);
    else
        Deliver(tray, WM_COMMAND, ID_TRAY_OPTIONS, 0, delivery);
    return client.WaitForWindow("#32770", kOptionsTitle);
}

void ClickControl(HWND dialog, int id)
{
    SendTo(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool IsChecked(HWND dialog, int id)
{
    return SendTo(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsShown(HWND dialog, int id)
{
    return (::GetWindowLongA(::GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsEnabled(HWND dialog, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE;
}

void PressKey(HWND dialog, UINT key)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND target = dialog;
    if (::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus != nullptr)
        target = info.hwndFocus;
    ::PostMessageA(target, WM_KEYDOWN, key, 1);
    ::PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

std::string ItemText(HWND dialog, int id)
{
    return WindowText(::GetDlgItem(dialog, id));
}

bool ShowsUpdatePass(HWND dialog, bool running)
{
    return ItemText(dialog, IDC_OPTIONS_UPDATE) == (running ? "停止升级" : "立即升级") &&
           IsShown(dialog, IDC_OPTIONS_PROGRESS) == running;
}

std::vector<std::string> UpdateLogLines(HWND dialog)
{
    HWND log = ::GetDlgItem(dialog, IDC_OPTIONS_LOG);
    std::vector<std::string> lines;
    const auto count = static_cast<int>(SendTo(log, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        lines.push_back(ListBoxLine(log, i));
    return lines;
}

std::string ListBoxLine(HWND list, int index)
{
    return LineOf(list, LB_GETTEXTLEN, LB_GETTEXT, index);
}

std::string ComboBoxLine(HWND combo, int index)
{
    return LineOf(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}

}  // namespace karvex::test
