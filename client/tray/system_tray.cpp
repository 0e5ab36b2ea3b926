#include "client/tray/system_tray.h"

#include "client/res/resource.h"
#include "client/settings/settings.h"
#include "client/ui/about_dialog.h"
#include "client/ui/alert_dialog.h"
#include "client/ui/options_dialog.h"
#include "client/update/updater.h"
#include "common/product.h"
#include "common/text.h"
#include "common/win/handles.h"

namespace karvex {

namespace {

bool IsUpdateResult(WPARAM type)
{
    return type == ALERT_UPDATE_OK || type == ALERT_UPDATE_FAILED || type == ALERT_UP_TO_DATE;
}

}  // namespace

CSystemTray::CSystemTray(CUpdater& updater, CUpdateToggle& updateToggle, CUpdateSetting& updateSetting,
                         std::function<void()> shutdown)
    : m_pUpdater(&updater),
      m_pUpdateToggle(&updateToggle),
      m_pUpdateSetting(&updateSetting),
      m_shutdown(std::move(shutdown))
{
}

CSystemTray::~CSystemTray()
{
    m_icon.Remove();
    DestroyWindow();
}

bool CSystemTray::Create(UINT callbackMessage, const char* tooltip, HICON icon, UINT id)
{
    if (LOBYTE(LOWORD(::GetVersion())) < 4)
        return false;
    if (RegisterWindowClass(kTrayWindowClass))
        CreateEx(0, kTrayWindowClass, "", WS_POPUP, 0, 0, 10, 10, nullptr);
    return m_icon.Add(GetHwnd(), callbackMessage, id, icon, tooltip);
}

LRESULT CSystemTray::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == m_icon.CallbackMessage() && message != 0)
        return OnTrayNotification(wParam, lParam);
    if (m_icon.IsTaskbarCreated(message)) {
        m_icon.OnTaskbarCreated();
        return 0;
    }
    switch (message) {
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam)))
            return 0;
        break;
    case kShowAlertMessage:
        return OnShowAlert(wParam);
    case WM_TIMER:
        return 0;
    case WM_CLOSE:
        // Only Exit ends the client: a stray close must not take the mailbox away.
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wParam != FALSE)
            OnSessionEnd();
        return 0;
    }
    return DefaultProc(message, wParam, lParam);
}

bool CSystemTray::OnCommand(UINT id)
{
    switch (id) {
    case ID_TRAY_OPTIONS:
        OnOptions();
        return true;
    case ID_TRAY_UPDATE_NOW:
        OnUpdateNow();
        return true;
    case ID_TRAY_ABOUT:
        OnAbout();
        return true;
    case ID_TRAY_TOGGLE_PROTECTION:
        OnToggleProtection();
        return true;
    case ID_TRAY_EXIT:
        OnExit();
        return true;
    }
    return false;
}

void CSystemTray::OnOptions()
{
    // Asked again while it is open, the open one comes to the front. While
    // its window does not exist yet (or any more) the request is dropped:
    // a second dialog would nest inside the first.
    if (m_bOptionsOpen != 0) {
        if (m_pOptions != nullptr && ::IsWindow(m_pOptions->GetHwnd()))
            ::SetForegroundWindow(m_pOptions->GetHwnd());
        return;
    }
    m_bOptionsOpen = 1;
    COptionsDialog options(*m_pUpdater, *m_pUpdateToggle, *m_pUpdateSetting);
    m_pOptions = &options;
    options.DoModal(nullptr);
    m_pOptions = nullptr;
    m_bOptionsOpen = 0;
}

void CSystemTray::OnAbout()
{
    // Asked again while it is open (a burst of posted commands would nest
    // without end), the open one comes to the front.
    if (m_pAbout != nullptr) {
        ::SetForegroundWindow(m_pAbout->GetHwnd());
        return;
    }
    CAboutDialog about;
    m_pAbout = &about;
    about.DoModal(nullptr);
    m_pAbout = nullptr;
}

void CSystemTray::OnSessionEnd()
{
    // The process may be ended as soon as this returns: a running pass is
    // stopped and waited for first, so it ends between its own steps.
    m_shutdown();
}

void CSystemTray::OnUpdateNow()
{
    CUpdater& updater = *m_pUpdater;
    if (updater.m_bRunning == 0)
        updater.Start();
}

void CSystemTray::OnToggleProtection()
{
    const bool wasActive = IsProtectionActive();
    if (WriteProtectionActive(!wasActive))
        m_icon.SetIcon(static_cast<UINT>(wasActive ? IDI_SHIELD_BLOCKED : IDI_SHIELD_ON));
}

void CSystemTray::OnExit()
{
    ::PostMessageA(GetHwnd(), WM_QUIT, 0, 0);
}

LRESULT CSystemTray::OnShowAlert(WPARAM type)
{
    if (!IsUpdateResult(type))
        CountInterceptionAlert();
    if (m_openAlerts.size() >= kMaxOpenAlerts) {
        for (auto open = m_openAlerts.rbegin(); open != m_openAlerts.rend(); ++open) {
            if ((*open)->CanShowAlert()) {
                (*open)->ShowAlert(type);
                return 1;
            }
        }
    }
    CAlertDialog alert(type);
    m_openAlerts.push_back(&alert);
    alert.DoModal(nullptr);
    m_openAlerts.pop_back();
    return 1;
}

LRESULT CSystemTray::OnTrayNotification(WPARAM wParam, LPARAM lParam)
{
    if (wParam != m_icon.Id())
        return 0;
    if (m_icon.Id() == 0)
        return 1;
    switch (LOWORD(lParam)) {
    case WM_RBUTTONUP:
        ShowContextMenu();
        break;
    case WM_LBUTTONDBLCLK:
        OnOptions();
        break;
    case WM_MOUSEMOVE:
        ShowStatusTooltip();
        break;
    }
    return 1;
}

void CSystemTray::ShowContextMenu()
{
    // Right-clicks that come while the menu is open would open one menu inside
    // the other.
    if (m_bMenuOpen)
        return;
    UniqueMenu menu(::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_icon.Id())));
    HMENU popup = menu ? ::GetSubMenu(menu.get(), 0) : nullptr;
    if (popup == nullptr)
        return;
    ::ModifyMenuA(popup, ID_TRAY_TOGGLE_PROTECTION, MF_BYCOMMAND | MF_STRING, ID_TRAY_TOGGLE_PROTECTION,
                  IsProtectionActive() ? "禁用Karvex" : "启用Karvex");
    ::SetMenuDefaultItem(popup, m_nDefaultMenuItem, m_bDefaultByPos);

    POINT cursor;
    ::GetCursorPos(&cursor);
    // Without the foreground the menu would not close when the user clicks
    // elsewhere; the null message afterwards lets the next one open at once.
    ::SetForegroundWindow(GetHwnd());
    m_bMenuOpen = true;
    ::TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, GetHwnd(), nullptr);
    m_bMenuOpen = false;
    ::PostMessageA(GetHwnd(), WM_NULL, 0, 0);
}

void CSystemTray::ShowStatusTooltip()
{
    CUpdater& updater = *m_pUpdater;
    char dbVersion[100];
    updater.GetDbVersion(dbVersion, sizeof dbVersion);
    char text[128];
    FormatText(text, sizeof text, "Karvex：%s\n特征库版本：%s\n拦截统计：%d", updater.m_szProgramVersion,
               dbVersion, static_cast<int>(ReadPopCount()));
    m_icon.SetTooltipText(text);
}

}  // namespace karvex
