// Names and numbers that the client, the installer, the protection component
// and the outside programs agree on. Needs no Windows API.
#pragma once

namespace karvex {

// Per-user settings key, shared with the protection component.
constexpr const char kSettingsKey[] = "Software\\Ordwell\\karvex";
constexpr const char kRunKey[] = "Software\\Microsoft\\windows\\CurrentVersion\\Run";
constexpr const char kRunValue[] = "Karvex";

// Protection component.
constexpr const char kComponentFile[] = "karvex.dll";
constexpr const char kComponentClsid[] = "{003EC9C6-063F-4691-B7FA-0B00ED152BEF}";

// The client's hidden tray window: other processes find it by this class.
constexpr const char kTrayWindowClass[] = "__tarnel_cls_aa93aa58__";
constexpr unsigned kTrayNotifyMessage = 0x501;  // WM_TRAY_NOTIFY
constexpr unsigned kShowAlertMessage = 0x510;   // WM_SHOW_ALERT
constexpr unsigned kTrayIconId = 137;

// Alert types carried in wParam of WM_SHOW_ALERT: 1..11 are interceptions.
enum AlertType : unsigned {
    ALERT_UPDATE_OK = 12,
    ALERT_UPDATE_FAILED = 13,
    ALERT_UP_TO_DATE = 14,
};

// Single-instance event of the client.
constexpr const char kSingleInstanceEvent[] = "__karvex_1959d7312940__";

// Token that tells update.exe it was started by the client.
constexpr const char kUpdaterToken[] = "-5e3b7d20c19a";

}  // namespace karvex
