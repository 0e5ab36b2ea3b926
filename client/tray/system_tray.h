// The hidden window that owns the notification-area icon. It is the client's
// mailbox: the message loop pumps only its messages, and the update worker and
// the protection component find it by its class and post their alerts to it.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "common/win/window.h"

namespace karvex {

class CAboutDialog;
class CAlertDialog;
class COptionsDialog;

// One of the program's icons at the size the notification area shows. Icons
// are shared: they stay loaded for the life of the process.
HICON LoadTrayIcon(UINT resourceId);

class CSystemTray : public CWindow {
public:
    CSystemTray() = default;
    ~CSystemTray() override;

    // Creates the window and adds the icon; false if the icon was not added.
    bool Create(UINT callbackMessage, const char* tooltip, HICON icon, UINT id);
    bool SetIcon(HICON icon);
    bool SetIcon(UINT resourceId);
    bool SetTooltipText(const char* text);
    void RemoveIcon();

    virtual LRESULT OnTrayNotification(WPARAM wParam, LPARAM lParam);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool OnCommand(UINT id);
    void OnOptions();
    void OnUpdateNow();
    void OnAbout();
    void OnToggleProtection();
    void OnExit();
    // lParam is not read: any process can post the message, and an address
    // from another process means nothing here.
    LRESULT OnShowAlert(WPARAM type);
    void OnTaskbarCreated();
    void OnSessionEnd();
    void ShowContextMenu();
    void ShowStatusTooltip();
    bool ModifyIcon(UINT flags);

    int m_bShown = 0;
    NOTIFYICONDATAA m_nid = {};
    UINT m_nDefaultMenuItem = 0;
    int m_bDefaultByPos = 1;
    UINT m_uTaskbarCreated = 0;

    // Each pop-up runs a modal loop inside the handler of its alert, so open
    // pop-ups nest, oldest first. From this many on, a further alert is shown
    // in the newest one that can still show it. A pop-up that has closed
    // waits for whatever was opened inside it (the menu, About, Options) before
    // its run can return; when every open one has closed so, the alert gets
    // a pop-up of its own. Those three are one at a time each, so at most
    // three pop-ups open beyond this many.
    static constexpr std::size_t kMaxOpenAlerts = 4;
    std::vector<CAlertDialog*> m_openAlerts;
    // Menu and About box nest the same way; one of each at a time.
    bool m_bMenuOpen = false;
    CAboutDialog* m_pAbout = nullptr;
    // The Options dialog, one at a time: set while it is made and shown.
    int m_bOptionsOpen = 0;
    COptionsDialog* m_pOptions = nullptr;
};

}  // namespace karvex
