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

// Windows before 8.1 have one DPI for every monitor; from 8.1 on shcore.dll tells each
// monitor's own (MDT_EFFECTIVE_DPI, 0).
typedef HRESULT(WINAPI *DpiForMonitorCall)(HMONITOR, int, UINT *, UINT *);
static const HMODULE Shcore = LoadLibraryA("shcore.dll");
static const DpiForMonitorCall DpiForMonitor = Shcore == nullptr ? nullptr
    : reinterpret_cast<DpiForMonitorCall>(
          reinterpret_cast<void (*)()>(GetProcAddress(Shcore, "GetDpiForMonitor")));

static UINT DpiOfTaskbar()
{
    HMONITOR monitor = MonitorFromWindow(FindWindowA("Shell_TrayWnd", nullptr), MONITOR_DEFAULTTOPRIMARY);
    UINT x;
    UINT y;
    if (DpiForMonitor != nullptr && SUCCEEDED(DpiForMonitor(monitor, 0, &x, &y))) {
        return y;
    }
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

static bool HighContrastOfSystem()
{
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
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
bool (*HighContrastThemeOn)() = HighContrastOfSystem;
