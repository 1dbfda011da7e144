// Where the main window goes: next to the notification area, and back on the desktop.
#include "shell/placement.h"
#include "shell/handles.h"

const int TrayGap = 4;

void PlaceNearTray(HWND window)
{
    RECT desktop;
    RECT own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    int width = own.right - own.left;
    int height = own.bottom - own.top;

    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    HWND area = taskbar ? FindWindowExA(taskbar, nullptr, "TrayNotifyWnd", nullptr) : nullptr;
    if (!area) {
        return;
    }
    RECT tray;
    GetWindowRect(area, &tray);

    // Beside the area on the side of the screen it is on; above it when it is in the lower
    // half, below it otherwise.
    int x = tray.left < desktop.right / 2 ? tray.left : tray.right - width;
    int y = tray.top <= desktop.bottom / 2 ? tray.bottom + TrayGap : tray.top - height - TrayGap;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// A window that only touches an edge of the desktop counts as on it.
void EnsureOnDesktop()
{
    RECT desktop;
    RECT own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(MainWindow, &own);
    bool off = own.bottom < desktop.top || own.top > desktop.bottom || own.left > desktop.right ||
               own.right < desktop.left;
    if (off) {
        PlaceNearTray(MainWindow);
    }
}
