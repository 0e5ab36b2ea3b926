#include "client/update/options_pass_view.h"

#include <commctrl.h>

#include "client/res/resource.h"
#include "common/text.h"

namespace karvex {

namespace {

constexpr char kStartText[] = "立即升级";
constexpr char kStopText[] = "停止升级";

}  // namespace

void COptionsPassView::ShowRunning(bool running) const
{
    if (HWND button = Control(IDC_OPTIONS_UPDATE)) {
        ::SetWindowTextA(button, running ? kStopText : kStartText);
        ::InvalidateRect(button, nullptr, TRUE);
    }
    if (HWND bar = Control(IDC_OPTIONS_PROGRESS))
        ::ShowWindow(bar, running ? SW_SHOW : SW_HIDE);
}

void COptionsPassView::ShowPassEnded() const
{
    if (HWND button = Control(IDC_OPTIONS_UPDATE))
        ::SetWindowTextA(button, kStartText);
    HideProgress();
    if (m_hDialog != nullptr && ::IsWindow(m_hDialog))
        ::PostMessageA(m_hDialog, WM_UPDATE_FINISHED, 0, 0);
}

void COptionsPassView::SetProgressRange() const
{
    if (HWND bar = Control(IDC_OPTIONS_PROGRESS))
        ::SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
}

void COptionsPassView::SetProgressPosition(int percent) const
{
    if (HWND bar = Control(IDC_OPTIONS_PROGRESS))
        ::SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void COptionsPassView::HideProgress() const
{
    if (HWND bar = Control(IDC_OPTIONS_PROGRESS))
        ::ShowWindow(bar, SW_HIDE);
}

void COptionsPassView::ShowOpeningDbVersion(const char* version) const
{
    ShowDbVersionText(version, " ");
}

void COptionsPassView::ShowDbVersion(const char* version) const
{
    ShowDbVersionText(version, "");
}

void COptionsPassView::ClearLog() const
{
    if (HWND log = Control(IDC_OPTIONS_LOG))
        ::SendMessageA(log, LB_RESETCONTENT, 0, 0);
}

void COptionsPassView::AddLogLine(const char* text) const
{
    if (HWND log = Control(IDC_OPTIONS_LOG))
        ::SendMessageA(log, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

HWND COptionsPassView::Control(int id) const
{
    if (m_hDialog == nullptr || !::IsWindow(m_hDialog))
        return nullptr;
    return ::GetDlgItem(m_hDialog, id);
}

void COptionsPassView::ShowDbVersionText(const char* version, const char* tail) const
{
    if (HWND label = Control(IDC_OPTIONS_DB_VERSION)) {
        char text[300];
        FormatText(text, sizeof text, "特征库版本：%s%s", version, tail);
        ::SetWindowTextA(label, text);
    }
}

}  // namespace karvex
