// The client's icon in the notification area: the shell's data for it, and
// adding, changing and removing it. The shell forgets every icon when its
// taskbar is made anew (Explorer restarted); the owner window passes the
// message that tells so on, and the icon is added again.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace karvex {

// One of the program's icons at the size the notification area shows. Icons
// are shared: they stay loaded for the life of the process.
HICON LoadTrayIcon(UINT resourceId);

class CNotifyIcon {
public:
    CNotifyIcon() = default;
    CNotifyIcon(const CNotifyIcon&) = delete;
    CNotifyIcon& operator=(const CNotifyIcon&) = delete;
    ~CNotifyIcon() { Remove(); }

    // Adds the icon for `window`, which gets `callbackMessage` with `id` in
    // wParam for the icon's mouse events; false if the shell did not add it.
    bool Add(HWND window, UINT callbackMessage, UINT id, HICON icon, const char* tooltip);
    // Nothing changes, and false, while the icon is not shown.
    bool SetIcon(HICON icon);
    bool SetIcon(UINT resourceId);
    bool SetTooltipText(const char* text);
    void Remove();

    // Whether `message` says that the taskbar was made anew.
    bool IsTaskbarCreated(UINT message) const { return message == m_uTaskbarCreated && m_uTaskbarCreated != 0; }
    // Adds the shown icon to the new taskbar.
    void OnTaskbarCreated();

    UINT Id() const { return m_nid.uID; }
    UINT CallbackMessage() const { return m_nid.uCallbackMessage; }

private:
    bool Modify(UINT flags);

    int m_bShown = 0;
    NOTIFYICONDATAA m_nid = {};
    UINT m_uTaskbarCreated = 0;
};

}  // namespace karvex
