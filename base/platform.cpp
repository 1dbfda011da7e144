// Platform calls that would block a test, end its process or reach outside the program.
#include "base/platform.h"
#include <cstdlib>

static void ExitThroughRuntime(int code)
{
    exit(code);
}

static ULONGLONG TickCountOfSystem()
{
    return GetTickCount64();
}

int (WINAPI *ShowMessageBox)(HWND, LPCSTR, LPCSTR, UINT) = MessageBoxA;
void (*EndProcess)(int code) = ExitThroughRuntime;
BOOL (WINAPI *OpenHelpViewer)(HWND, LPCWSTR, UINT, ULONG_PTR) = WinHelpW;
HINSTANCE (WINAPI *ShellOpen)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) = ShellExecuteA;
BOOL (WINAPI *NotifyTray)(DWORD, PNOTIFYICONDATAA) = Shell_NotifyIconA;
BOOL (WINAPI *LetMessageThrough)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT) = ChangeWindowMessageFilterEx;
HMONITOR (WINAPI *MonitorOfRect)(LPCRECT, DWORD) = MonitorFromRect;
BOOL (WINAPI *MonitorInfoOf)(HMONITOR, LPMONITORINFO) = GetMonitorInfoA;
BOOL (WINAPI *WindowPlacementOf)(HWND, WINDOWPLACEMENT *) = GetWindowPlacement;
ULONGLONG (*TickCount)() = TickCountOfSystem;
