// Where the main window goes: next to the notification area, and back on the desktop.
#include "shell/placement.h"
#include "base/handles.h"
#include "base/platform.h"

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

// On the desktop means on any monitor, not only the primary one, so that a window kept on a
// second monitor stays there. Grown by a pixel on each side, a window that only touches a
// monitor's edge counts as on it.
void EnsureOnDesktop()
{
    RECT own;
    GetWindowRect(MainWindow, &own);
    InflateRect(&own, 1, 1);
    if (!MonitorOfRect(&own, MONITOR_DEFAULTTONULL)) {
        PlaceNearTray(MainWindow);
    }
}
