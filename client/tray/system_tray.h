// The hidden window that owns the notification-area icon and carries out its
// menu's commands. It is the client's mailbox: the message loop pumps only its
// messages, and the update worker and the protection component find it by its
// class and post their alerts to it.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "client/tray/notify_icon.h"
#include "common/win/window.h"

namespace karvex {

class CAboutDialog;
class CAlertDialog;
class COptionsDialog;
class CUpdateSetting;
class CUpdateToggle;
class CUpdater;

class CSystemTray : public CWindow {
public:
    // What the commands work with, all owned by the application: the update
    // worker, the Options dialog's update button and the schedule that
    // dialog edits, and what ends the program's threads when the session
    // ends.
    CSystemTray(CUpdater& updater, CUpdateToggle& updateToggle, CUpdateSetting& updateSetting,
                std::function<void()> shutdown);
    ~CSystemTray() override;

    // Creates the window and adds the icon; false if the icon was not added.
    bool Create(UINT callbackMessage, const char* tooltip, HICON icon, UINT id);
    void RemoveIcon() { m_icon.Remove(); }

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
    void OnSessionEnd();
    void ShowContextMenu();
    void ShowStatusTooltip();

    CUpdater* m_pUpdater;
    CUpdateToggle* m_pUpdateToggle;
    CUpdateSetting* m_pUpdateSetting;
    std::function<void()> m_shutdown;
    CNotifyIcon m_icon;
    UINT m_nDefaultMenuItem = 0;
    int m_bDefaultByPos = 1;

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
