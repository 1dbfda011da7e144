// Platform calls that would block a test, end its process or reach outside the program.
#include "base/platform.h"
#include "base/systemlibrary.h"
#include <cstdlib>

static void ExitThroughRuntime(int code)
{
    exit(code);
}

static ULONGLONG TickCountOfSystem()
{
    return GetTickCount64();
}

// Windows before 8.1 have one DPI for every monitor; from 8.1 on shcore.dll tells each
// monitor's own (MDT_EFFECTIVE_DPI, 0).
typedef HRESULT(WINAPI *DpiForMonitorCall)(HMONITOR, int, UINT *, UINT *);

static UINT DpiOfTaskbar()
{
    HMONITOR monitor = MonitorFromWindow(FindWindowA("Shell_TrayWnd", nullptr), MONITOR_DEFAULTTOPRIMARY);
    UINT x;
    UINT y;
    static const DpiForMonitorCall DpiForMonitor = SystemCall<DpiForMonitorCall>(L"shcore.dll", "GetDpiForMonitor");
    if (DpiForMonitor != nullptr && SUCCEEDED(DpiForMonitor(monitor, 0, &x, &y))) {
        return y;
    }
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
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
UINT (*TaskbarDpi)() = DpiOfTaskbar;
void (WINAPI *LocalTime)(LPSYSTEMTIME) = GetLocalTime;
HMODULE (WINAPI *LoadLibraryWithFlags)(LPCWSTR, HANDLE, DWORD) = LoadLibraryExW;
