// A task bar of the test's own making, and the desktop it lies on, for placing the main window.
#pragma once
#include <windows.h>

// A task bar at the given screen rectangle whose notification area has the given rectangle.
// Both are topmost, so that FindWindowA meets them before any task bar Wine may have.
inline HWND MakeTray(RECT bar, RECT area)
{
    static bool registered;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registered) {
        registered = true;
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = instance;
        wc.lpszClassName = "Shell_TrayWnd";
        RegisterClassA(&wc);
        wc.lpszClassName = "TrayNotifyWnd";
        RegisterClassA(&wc);
    }
    HWND taskbar = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP,
                                   bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top,
                                   nullptr, nullptr, instance, nullptr);
    CreateWindowExA(0, "TrayNotifyWnd", "", WS_CHILD, area.left - bar.left, area.top - bar.top,
                    area.right - area.left, area.bottom - area.top, taskbar, nullptr, instance, nullptr);
    return taskbar;
}

inline RECT DesktopRect()
{
    RECT r;
    GetWindowRect(GetDesktopWindow(), &r);
    return r;
}

inline RECT WindowRect(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return r;
}

// The task bar along the bottom of the desktop, its notification area at the right.
inline RECT BottomRightArea()
{
    RECT d = DesktopRect();
    return {d.right - 200, d.bottom - 30, d.right - 10, d.bottom};
}

inline void MakeBottomTray()
{
    RECT d = DesktopRect();
    MakeTray({d.left, d.bottom - 30, d.right, d.bottom}, BottomRightArea());
}
