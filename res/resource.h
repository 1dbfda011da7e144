// Resource and control ids shared by memvale.rc and the code.
#pragma once

// Dialog templates
#define IDD_ABOUT                 104
#define IDD_MAIN                  121
#define IDD_OPTIMIZATION          1001
#define IDD_STARTUP               1003
#define IDD_HISTORY               1004

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

// History page; its graph is a control of the program's own class
#define HISTORY_GRAPH_CLASS       "MemvaleHistoryGraph"
#define IDC_HISTORY_SPAN          1200
#define IDC_HISTORY_GRAPH         1201
#define IDC_HISTORY_SUMMARY       1202
#define IDC_HISTORY_LOG           1203
#define IDC_HISTORY_COPY          1204

// Texts of the History page
#define IDS_HISTORY_TAB           6100
#define IDS_HISTORY_10_MINUTES    6101
#define IDS_HISTORY_1_HOUR        6102
#define IDS_HISTORY_8_HOURS       6103
#define IDS_HISTORY_COL_TIME      6110
#define IDS_HISTORY_COL_SOURCE    6111
#define IDS_HISTORY_COL_FREED     6112
#define IDS_HISTORY_COL_DURATION  6113
#define IDS_HISTORY_COL_BEFORE    6114
#define IDS_HISTORY_COL_AFTER     6115
#define IDS_HISTORY_COL_ENDING    6116
#define IDS_HISTORY_DONE          6130
#define IDS_HISTORY_CANCELLED     6131
#define IDS_HISTORY_REFUSED       6132
#define IDS_HISTORY_SECONDS       6141
#define IDS_HISTORY_MINUTES       6142
#define IDS_HISTORY_NO_RUN        6150
#define IDS_HISTORY_ONE_RUN       6151
#define IDS_HISTORY_RUNS          6152
#define IDS_HISTORY_SAMPLE_TIP    6160
#define IDS_HISTORY_RUN_TIP       6161

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


// Texts of the main window and the tray
#define IDS_TAB_OPTIMIZATION      2001
#define IDS_TAB_STARTUP           2002
#define IDS_TAB_ABOUT             2003
#define IDS_MEGABYTES             2004
#define IDS_TIP                   2005
#define IDS_TIP_STATUS            2006
#define IDS_TRAY_FREE_UP          2007
#define IDS_FIGURE_MB             2008
#define IDS_FIGURE_GB             2009

// Texts of the Optimization page
#define IDS_OPT_FREE_UP           2010
#define IDS_OPT_FREE_UP_SLIDER    2011
#define IDS_OPT_BUSY              2012
#define IDS_OPT_FREEING           2013
#define IDS_OPT_SHARE             2014
#define IDS_OPT_PRIORITY_IDLE     2015
#define IDS_OPT_PRIORITY_NORMAL   2016
#define IDS_OPT_PRIORITY_HIGH     2017

// Texts of the last run: the page's line, the tooltip and the notice
#define IDS_RUN_DONE              2018
#define IDS_RUN_CANCELLED         2019
#define IDS_RUN_REFUSED           2020
#define IDS_RUN_WAITS             2021
#define IDS_NOTICE_TITLE          2022
#define IDS_NOTICE_DONE           2023
#define IDS_NOTICE_DONE_FROM      2024
#define IDS_NOTICE_CANCELLED      2025
#define IDS_NOTICE_CANCELLED_FROM 2026

// Who asked for a run, in the order of FreeingSource
#define IDS_SOURCE_BUTTON         2027
#define IDS_SOURCE_HOTKEY         2028
#define IDS_SOURCE_TRAY_MENU      2029
#define IDS_SOURCE_STARTUP        2030
#define IDS_SOURCE_AUTOMATIC      2031
#define IDS_SOURCE_COMMAND_LINE   2032

// Texts of the Startup & Exit page; the notice choices in the order of the Notices values
#define IDS_STARTUP_TARGET        2033
#define IDS_NOTICES_NONE          2034
#define IDS_NOTICES_ASKED         2035
#define IDS_NOTICES_EVERY         2036
#define IDS_STARTUP_SAVED         2037
#define IDS_STARTUP_RELOAD        2038

// Texts of the About page
#define IDS_ABOUT_TERMS           2039

// Message boxes
#define IDS_CAPTION_MESSAGE       2040
#define IDS_CAPTION_WARNING       2041
#define IDS_CAPTION_ERROR         2042
#define IDS_REFUSAL_TOO_MUCH      2043
#define IDS_REFUSAL_BLOCK         2044
#define IDS_FATAL_WORKER          2045
#define IDS_FATAL_SAMPLER         2046
#define IDS_FATAL_MAIN_WINDOW     2047
#define IDS_FATAL_PAGE            2048
// The command line's answers and its list of switches
#define IDS_CMD_USAGE_INTRO       4000
#define IDS_CMD_USAGE_FREE        4001
#define IDS_CMD_USAGE_THEN        4002
#define IDS_CMD_USAGE_SHOW        4003
#define IDS_CMD_USAGE_EXIT        4004
#define IDS_CMD_USAGE_HELP        4005
#define IDS_CMD_USAGE_CODES       4006
#define IDS_CMD_BOX_CAPTION       4007
#define IDS_CMD_BAD_AMOUNT        4010
#define IDS_CMD_BAD_SWITCH        4011
#define IDS_CMD_NO_PROGRAM        4012
#define IDS_CMD_TOO_MUCH          4013
#define IDS_CMD_NOTHING_TO_END    4014
#define IDS_CMD_NO_WINDOW         4015
#define IDS_CMD_NOT_TAKEN         4016
#define IDS_CMD_NOT_STARTED       4017
#define IDS_CMD_BLOCK_REFUSED     4018
#define IDS_CMD_CANCELLED         4019
#define IDS_CMD_ENDED_FIRST       4020
#define IDS_CMD_NOT_ENDED         4021
#define IDS_CMD_ANOTHER_RUN       4022
#define IDS_CMD_PROGRAM_FAILED    4023
#define IDS_CMD_PROGRAM_AFTER     4024
