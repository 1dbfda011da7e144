// Resource and control ids shared by memvale.rc and the code.
#pragma once

// Dialog templates
#define IDD_ABOUT                 104
#define IDD_MAIN                  121
#define IDD_OPTIMIZATION          1001
#define IDD_STARTUP               1003

// Tray menus
#define IDR_TRAY_IDLE             103
#define IDR_TRAY_BUSY             120

// Icons
#define IDI_LOW                   107
#define IDI_NORMAL                108
#define IDI_APP                   109
#define IDI_BUSY                  132

// Main window; the installer and the release scripts find the running program by its caption
#define MEMVALE_WINDOW_CAPTION    "Memvale XP"
#define IDC_MAIN_CLOSE            8
#define IDC_MAIN_FREE_BAR         1026
#define IDC_MAIN_FREE_TEXT        1027
#define IDC_MAIN_TABS             1065

// Optimization page
#define IDC_OPT_LOWER_SLIDER      0
#define IDC_OPT_FREE_BUTTON       1002
#define IDC_OPT_AMOUNT_SLIDER     1003
#define IDC_OPT_FREETO_SLIDER     1007
#define IDC_OPT_FREETO_TEXT       1008
#define IDC_OPT_FREETO_SHARE      1009
#define IDC_OPT_LOWER_TEXT        1011
#define IDC_OPT_PRIORITY_COMBO    1012
#define IDC_OPT_LOWER_SHARE       1013
#define IDC_OPT_AUTOFREE_CHECK    1014
#define IDC_OPT_HOTKEY            1100
#define IDC_OPT_PROGRESS          1104
#define IDC_OPT_LAST_RUN          1111

// Startup & Exit page
#define IDC_STARTUP_AUTOSTART     1087
#define IDC_STARTUP_LOGGING       1088
#define IDC_STARTUP_SAVECONFIG    1089
#define IDC_STARTUP_SAVE          1090
#define IDC_STARTUP_RELOAD        1092
#define IDC_STARTUP_LOADFREE      1096
#define IDC_STARTUP_TARGET_TEXT   1098
#define IDC_STARTUP_SLIDER        1099
#define IDC_STARTUP_NOTICES       1110
#define IDC_STARTUP_TRAYFIGURE    1120
#define IDC_STARTUP_LANGUAGE      1130

// Texts
#define IDS_LANGUAGE_WINDOWS      2900

// About page; the web address is shown by the page's template and opened by "Visit Website"
#define MEMVALE_WEB_ADDRESS       "https://example.org"
#define IDC_ABOUT_EMAIL           1011
#define IDC_ABOUT_WEBSITE         1012
#define IDC_ABOUT_PRODUCT         1039
#define IDC_ABOUT_TERMS           1146

// Commands of the tray menus and of WM_COMMAND messages sent to the main window
#define IDM_FREE_NOW              40002
#define IDM_ABOUT                 40003
#define IDM_CONFIG                40004
#define IDM_AUTOFREE              40006
#define IDM_EXIT                  40012
#define IDM_HELP                  40018
#define IDM_FREE_FIXED            40100
#define IDM_FREE_FIXED_LAST       40198
#define IDM_FREE_ALL              40199
#define IDM_EMPTY_CLIPBOARD       40200
#define IDM_CANCEL                40201
#define IDM_TRAY_FIGURE           40202
