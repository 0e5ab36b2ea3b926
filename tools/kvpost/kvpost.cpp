// Sends messages to the running client's tray window the way the protection
// component, the shell or the user would: for demonstrations and tests.
//
//   kvpost alert TYPE            an alert (TYPE 1..11 interceptions, 12..14 update results), posted
//   kvpost command ID            a tray menu command (32771 exit ... 32780 disable/enable), posted
//   kvpost notify MOUSE [ICON]   a tray icon notification: rbuttonup, dblclk, mousemove or a
//                                number; sent without waiting, as a shell delivers the icon's clicks
//   kvpost taskbarcreated        the shell's restart notice, posted
//   kvpost click ID              a click on button ID of the open Options dialog (1013 立即升级)
//   kvpost log                   prints the lines of the open Options dialog's update log (GBK)
//
// Exit codes: 0 delivered, 1 no client (or no Options dialog) is running, 2 bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/product.h"

using namespace karvex;

namespace {

int Usage()
{
    std::fputs("usage: kvpost alert TYPE | command ID | notify rbuttonup|dblclk|mousemove|N [ICON] | "
               "taskbarcreated | click ID | log\n",
               stderr);
    return 2;
}

bool ParseNumber(const char* text, unsigned long& value)
{
    char* end = nullptr;
    value = std::strtoul(text, &end, 0);
    return end != text && *end == '\0';
}

bool ParseMouseMessage(const char* text, unsigned long& message)
{
    if (std::strcmp(text, "rbuttonup") == 0)
        message = WM_RBUTTONUP;
    else if (std::strcmp(text, "dblclk") == 0)
        message = WM_LBUTTONDBLCLK;
    else if (std::strcmp(text, "mousemove") == 0)
        message = WM_MOUSEMOVE;
    else
        return ParseNumber(text, message);
    return true;
}

HWND OptionsDialog()
{
    return ::FindWindowA("#32770", "Karvex - 选项设置");
}

// The user's click on a button of the open Options dialog.
int ClickOptionsButton(int id)
{
    HWND dialog = OptionsDialog();
    HWND button = dialog != nullptr ? ::GetDlgItem(dialog, id) : nullptr;
    if (button == nullptr) {
        std::fputs("kvpost: no Options dialog with that button is open\n", stderr);
        return 1;
    }
    return ::PostMessageA(button, BM_CLICK, 0, 0) ? 0 : 1;
}

// The update log's lines, one a line. Read as UTF-16: across processes Wine
// answers the ANSI list box messages in UTF-16.
int PrintOptionsLog()
{
    constexpr int kUpdateLog = 1018;
    HWND dialog = OptionsDialog();
    HWND log = dialog != nullptr ? ::GetDlgItem(dialog, kUpdateLog) : nullptr;
    if (log == nullptr) {
        std::fputs("kvpost: no Options dialog is open\n", stderr);
        return 1;
    }
    const LRESULT count = ::SendMessageW(log, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t line[512] = {};
        char text[1024] = {};
        if (::SendMessageW(log, LB_GETTEXTLEN, i, 0) < 512 &&
            ::SendMessageW(log, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line)) != LB_ERR &&
            ::WideCharToMultiByte(CP_ACP, 0, line, -1, text, sizeof text, nullptr, nullptr) > 0)
            std::printf("%s\n", text);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    UINT message = 0;
    unsigned long wParam = 0;
    unsigned long lParam = 0;
    const char* verb = argv[1];
    if (std::strcmp(verb, "alert") == 0 && argc == 3 && ParseNumber(argv[2], wParam)) {
        message = kShowAlertMessage;
    } else if (std::strcmp(verb, "command") == 0 && argc == 3 && ParseNumber(argv[2], wParam)) {
        message = WM_COMMAND;
    } else if (std::strcmp(verb, "notify") == 0 && (argc == 3 || argc == 4) &&
               ParseMouseMessage(argv[2], lParam)) {
        message = kTrayNotifyMessage;
        wParam = kTrayIconId;
        if (argc == 4 && !ParseNumber(argv[3], wParam))
            return Usage();
    } else if (std::strcmp(verb, "taskbarcreated") == 0 && argc == 2) {
        message = ::RegisterWindowMessageA("TaskbarCreated");
    } else if (std::strcmp(verb, "click") == 0 && argc == 3 && ParseNumber(argv[2], wParam)) {
        return ClickOptionsButton(static_cast<int>(wParam));
    } else if (std::strcmp(verb, "log") == 0 && argc == 2) {
        return PrintOptionsLog();
    } else {
        return Usage();
    }

    HWND tray = ::FindWindowA(kTrayWindowClass, nullptr);
    if (tray == nullptr) {
        std::fputs("kvpost: no client is running\n", stderr);
        return 1;
    }
    // The icon's handler then runs inside a sent message, and so does every
    // window it opens.
    if (message == kTrayNotifyMessage)
        return ::SendNotifyMessageA(tray, message, wParam, lParam) ? 0 : 1;
    return ::PostMessageA(tray, message, wParam, lParam) ? 0 : 1;
}
