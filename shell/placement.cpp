// Where the main window goes: next to the notification area, back on the desktop, and where
// it was at the end of the last run.
#include "shell/placement.h"
#include "base/handles.h"
#include "base/platform.h"
#include "settings/settings.h"

const int TrayGap = 4;

// Set while the window is placed again after a move that changed its size.
static bool PlacingAgain;

void PlaceNearTray(HWND window)
{
    RECT own;
    GetWindowRect(window, &own);
    int width = own.right - own.left;
    int height = own.bottom - own.top;

    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    HWND area = taskbar ? FindWindowExW(taskbar, nullptr, L"TrayNotifyWnd", nullptr) : nullptr;
    if (!area) {
        return;
    }
    RECT tray;
    GetWindowRect(area, &tray);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromRect(&tray, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT &screen = monitor.rcMonitor;

    // Beside the area on the side of its monitor it is on; above it when it is in the lower
    // half, below it otherwise.
    int x = tray.left < (screen.left + screen.right) / 2 ? tray.left : tray.right - width;
    int y = tray.top <= (screen.top + screen.bottom) / 2 ? tray.bottom + TrayGap : tray.top - height - TrayGap;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    // Moved onto a monitor of another DPI, the window has taken that DPI's size: placed again
    // with it, once, it lies beside the area rather than over it.
    RECT moved;
    GetWindowRect(window, &moved);
    if (!PlacingAgain && (moved.right - moved.left != width || moved.bottom - moved.top != height)) {
        PlacingAgain = true;
        PlaceNearTray(window);
        PlacingAgain = false;
    }
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

// GetWindowPlacement gives workspace coordinates, which start at the top left of the work area
// of the window's monitor: a bar docked at its top or left shifts them against the screen's.
static POINT WorkAreaOrigin(const RECT &normal)
{
    POINT shift = {0, 0};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    HMONITOR handle = MonitorOfRect(&normal, MONITOR_DEFAULTTONEAREST);
    if (handle && MonitorInfoOf(handle, &monitor)) {
        shift.x = monitor.rcWork.left - monitor.rcMonitor.left;
        shift.y = monitor.rcWork.top - monitor.rcMonitor.top;
    }
    return shift;
}

DWORD SavedPositionOf(HWND window)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    WindowPlacementOf(window, &placement);
    POINT shift = WorkAreaOrigin(placement.rcNormalPosition);
    DWORD left = static_cast<DWORD>(placement.rcNormalPosition.left + shift.x) & 0xFFFF;
    DWORD top = static_cast<DWORD>(placement.rcNormalPosition.top + shift.y) & 0xFFFF;
    return (top << 16) | left;
}

// The halves are signed: monitors left of or above the primary one have negative coordinates.
void RestoreSavedPosition(HWND window, DWORD saved)
{
    if (saved == NoSavedPosition) {
        PlaceNearTray(window);
        return;
    }
    int x = static_cast<SHORT>(LOWORD(saved));
    int y = static_cast<SHORT>(HIWORD(saved));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
