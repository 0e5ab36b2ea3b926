#include "client/tray/notify_icon.h"

#include "common/win/ansi_text.h"

namespace karvex {

namespace {

// The first version of the notification data, understood by every shell.
constexpr DWORD kNotifyIconDataSize = NOTIFYICONDATAA_V1_SIZE;
// Its tip field: 63 bytes and the terminator. The shell reads no further.
constexpr std::size_t kTipSize = 64;

}  // namespace

HICON LoadTrayIcon(UINT resourceId)
{
    return static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId),
                                           IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                           ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

bool CNotifyIcon::Add(HWND window, UINT callbackMessage, UINT id, HICON icon, const char* tooltip)
{
    m_uTaskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
    m_nid.cbSize = kNotifyIconDataSize;
    m_nid.hWnd = window;
    m_nid.uID = id;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = callbackMessage;
    m_nid.hIcon = icon;
    CopyWholeCharacters(m_nid.szTip, kTipSize, tooltip);

    m_bShown = ::Shell_NotifyIconA(NIM_ADD, &m_nid) ? 1 : 0;
    return m_bShown != 0;
}

bool CNotifyIcon::Modify(UINT flags)
{
    if (m_bShown == 0)
        return false;
    m_nid.uFlags = flags;
    return ::Shell_NotifyIconA(NIM_MODIFY, &m_nid) != FALSE;
}

bool CNotifyIcon::SetIcon(HICON icon)
{
    if (m_bShown == 0)
        return false;
    m_nid.hIcon = icon;
    return Modify(NIF_ICON);
}

bool CNotifyIcon::SetIcon(UINT resourceId)
{
    HICON icon = LoadTrayIcon(resourceId);
    return icon != nullptr && SetIcon(icon);
}

bool CNotifyIcon::SetTooltipText(const char* text)
{
    if (m_bShown == 0)
        return false;
    // A cut never splits a character.
    CopyWholeCharacters(m_nid.szTip, kTipSize, text);
    return Modify(NIF_TIP);
}

void CNotifyIcon::Remove()
{
    if (m_bShown == 0)
        return;
    m_nid.uFlags = 0;
    ::Shell_NotifyIconA(NIM_DELETE, &m_nid);
    m_bShown = 0;
}

void CNotifyIcon::OnTaskbarCreated()
{
    if (m_bShown == 0)
        return;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    ::Shell_NotifyIconA(NIM_ADD, &m_nid);
}

}  // namespace karvex
