// Looks at and steers a running Memvale from outside, for the installer test and the
// screenshot script:
//   memvale_remote tray          exit 0 while the main window and its tray icon exist
//   memvale_remote command ID    posts the menu command ID to the main window
//   memvale_remote menu          opens the tray menu at the mouse pointer, as a right click does
//   memvale_remote next-page     selects the tab after the current one, as the Right key does
//   memvale_remote close         closes the main window, which hides it
//   memvale_remote rect main|menu  prints the window's or the open tray menu's WxH+X+Y
// Exit code 1: no Memvale window (or no open menu); 2: no tray icon; 3: bad arguments.
#include "res/resource.h"
#include "base/messages.h"
#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const int ExitNoWindow = 1;
const int ExitNoIcon = 2;
const int ExitUsage = 3;

static HWND FindMainWindow()
{
    return FindWindowA("#32770", MEMVALE_WINDOW_CAPTION);
}

// The notification area finds an icon by its window and id; modifying one that is not
// there fails, modifying nothing of one that is there succeeds.
static int CheckTrayIcon(HWND window)
{
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &record) ? 0 : ExitNoIcon;
}

static int PrintRect(HWND window)
{
    RECT rect;
    if (window == nullptr || !GetWindowRect(window, &rect)) {
        return ExitNoWindow;
    }
    printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
    return 0;
}

static int Run(int argc, char **argv, HWND window)
{
    const char *verb = argv[1];
    if (strcmp(verb, "tray") == 0) {
        return CheckTrayIcon(window);
    }
    if (strcmp(verb, "command") == 0 && argc == 3) {
        PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(strtoul(argv[2], nullptr, 10)), 0);
        return 0;
    }
    if (strcmp(verb, "menu") == 0) {
        // A notification area of version 4 answers the second, an older one the first.
        POINT cursor = {};
        GetCursorPos(&cursor);
        PostMessageA(window, WM_APP_TRAY, 0, WM_RBUTTONUP);
        PostMessageA(window, WM_APP_TRAY, MAKEWPARAM(cursor.x, cursor.y), WM_CONTEXTMENU);
        return 0;
    }
    if (strcmp(verb, "next-page") == 0) {
        PostMessageA(GetDlgItem(window, IDC_MAIN_TABS), WM_KEYDOWN, VK_RIGHT, 0);
        return 0;
    }
    if (strcmp(verb, "close") == 0) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (strcmp(verb, "rect") == 0 && argc == 3 && strcmp(argv[2], "main") == 0) {
        return PrintRect(window);
    }
    if (strcmp(verb, "rect") == 0 && argc == 3 && strcmp(argv[2], "menu") == 0) {
        return PrintRect(FindWindowA("#32768", nullptr));
    }
    return ExitUsage;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        return ExitUsage;
    }
    HWND window = FindMainWindow();
    if (window == nullptr) {
        return ExitNoWindow;
    }
    return Run(argc, argv, window);
}
