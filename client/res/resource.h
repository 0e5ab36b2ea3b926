// Resource ids of the client.
#pragma once

#define IDI_KARVEX          128
#define IDR_TRAY_MENU       137
#define IDI_SHIELD_ON       138
#define IDI_SHIELD_OFF      139
#define IDD_CONFIRM_UPDATE  141
#define IDI_SHIELD_BLOCKED  273

#define ID_TRAY_EXIT                32771
#define ID_TRAY_OPTIONS             32772
#define ID_TRAY_UPDATE_NOW          32774
#define ID_TRAY_ABOUT               32775
#define ID_TRAY_TOGGLE_PROTECTION   32780
