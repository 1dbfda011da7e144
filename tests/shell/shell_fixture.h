// What the shell's tests share: a notification area of the test's own making, and the
// program's main window opened on a machine of known memory with its outside calls recorded.
#pragma once
#include "res/resource.h"
#include "shell/handles.h"
#include "shell/mainwindow.h"
#include "shell/platform.h"
#include "shell/startup.h"
#include "tests/support/program.h"
#include "tests/support/support.h"
#include <shellapi.h>
#include <vector>

namespace shelltest {

const DWORD MB = 1048576;

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

// The program's start-up and main window, as WinMain does it, with 1 GB installed and
// 512 MB free; the refresh timer is stopped so that no tick runs unasked.
inline HWND OpenProgram()
{
    UseFakeMemory(1024 * MB, 512 * MB);
    NotifyTray = RecordTrayCall;
    OpenHelpViewer = RecordHelpViewer;
    ShowMessageBox = RecordMessageBox;
    StartUp(GetModuleHandleA(nullptr));
    CreateMainWindow();
    if (MainWindow) {
        KillTimer(MainWindow, TIMER_REFRESH);
    }
    return MainWindow;
}

} // namespace shelltest
