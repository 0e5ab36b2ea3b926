// Resource ids of the client.
#pragma once

#define IDD_ABOUT           100
#define IDD_OPTIONS         102
#define IDI_KARVEX          128
#define IDR_TRAY_MENU       137
#define IDI_SHIELD_ON       138
#define IDI_SHIELD_OFF      139
#define IDD_CONFIRM_UPDATE  141
#define IDD_ALERT           244
#define IDI_SHIELD_BLOCKED  273

// Pictures (resource type "GIF") and bitmaps of the skinned dialogs.
#define IDG_CLOSE               247
#define IDG_BUTTON_HOVER        262
#define IDG_BUTTON_NORMAL       263
#define IDG_BUTTON_PRESSED      264
#define IDG_ABOUT_BACKGROUND    269
#define IDG_ALERT_BACKGROUND    270
#define IDG_OPTIONS_BACKGROUND  272
#define IDB_ALERT_BUBBLE        274
#define IDB_UPDATE_NORMAL       275
#define IDB_UPDATE_HOVER        276

// Controls of the alert pop-up.
#define IDC_ALERT_TEXT      1040
#define IDC_ALERT_CLOSE     1056
#define IDC_ALERT_ICON      1071

// Controls of the About dialog.
#define IDC_ABOUT_WEB           1053
#define IDC_ABOUT_CLOSE         1056
#define IDC_ABOUT_CORNER_CLOSE  1057

#define ID_TRAY_EXIT                32771
#define ID_TRAY_OPTIONS             32772
#define ID_TRAY_UPDATE_NOW          32774
#define ID_TRAY_ABOUT               32775
#define ID_TRAY_TOGGLE_PROTECTION   32780
