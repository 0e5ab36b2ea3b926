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

// Controls of the Options dialog, in template order.
#define IDC_OPTIONS_ACTIVE_DEFENCE  1057
#define IDC_OPTIONS_RUN_AT_START    1009
#define IDC_OPTIONS_AUTO_UPDATE     1010
#define IDC_OPTIONS_FREQUENCY       1011
#define IDC_OPTIONS_RECOMMENDED     1012
#define IDC_OPTIONS_UPDATE          1013
#define IDC_OPTIONS_SEARCH_DEFENCE  1017
#define IDC_OPTIONS_PROGRESS        1014
#define IDC_OPTIONS_LOG             1018
#define IDC_OPTIONS_AUTO_DOWNLOAD   2001
#define IDC_OPTIONS_OK              1058
#define IDC_OPTIONS_CANCEL          1059
#define IDC_OPTIONS_SPARE_TEXT      1034
#define IDC_OPTIONS_APPLY           1060
#define IDC_OPTIONS_SPARE_BUTTON    1066
#define IDC_OPTIONS_CLOSE           1056
#define IDC_OPTIONS_DB_VERSION      1070

#define ID_TRAY_EXIT                32771
#define ID_TRAY_OPTIONS             32772
#define ID_TRAY_UPDATE_NOW          32774
#define ID_TRAY_ABOUT               32775
#define ID_TRAY_TOGGLE_PROTECTION   32780
