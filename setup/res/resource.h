// Resource ids of the installer.
#pragma once

// Icons and pictures.
#define IDI_SETUP               128
#define IDB_PAGE_WELCOME        156
#define IDB_PAGE_COPY           157
#define IDB_PAGE_FINISH         158
#define IDB_STEP_MARKER         159
#define IDI_FAILURE             161

// Licence text (type "LICENSE") and the install package (type "INSTALL_FILES").
#define IDR_LICENSE             162
#define IDR_ADV_DB              164
#define IDR_COMPONENT           166
#define IDR_CLIENT              167
#define IDR_QUA_DB              168
#define IDR_UNINSTALLER         169
#define IDR_URL_DB              170
#define IDR_TRUST_PROGRAMS      171

// Dialog templates.
#define IDD_WELCOME_PAGE        102
#define IDD_COPY_PAGE           129
#define IDD_FINISH_PAGE         130
#define IDD_SETUP               131
#define IDD_FAILURE             160

// Controls.
#define IDC_INSTALL             1001
#define IDC_ACCEPT_LICENSE      1003
#define IDC_FOLDER              1004
#define IDC_BROWSE              1005
#define IDC_MAKE_GROUP          1006
#define IDC_PROGRESS            1008
#define IDC_OPEN_HELP           1009
#define IDC_FINISH              1010
#define IDC_SPACE_NOTE          1011
#define IDC_STATUS              1012
#define IDC_DEMO_LINK           1013
#define IDC_STEP_MARKER         1016
#define IDC_LICENSE_LINK        1018
#define IDC_LICENSE_TEXT        1019
#define IDC_BACK                1021
#define IDC_REASON              1022
#define IDC_RUN_CLIENT          1023
#define IDC_FOLDER_LABEL        1024
#define IDC_MAKE_GROUP_LABEL    1025
