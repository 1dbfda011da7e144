// Platform calls that would block a test, end its process or reach outside the program.
// Each is a plain pointer to the real call; only tests point them elsewhere.
#pragma once
#include <windows.h>
#include <shellapi.h>

extern int (WINAPI *ShowMessageBox)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
extern void (*EndProcess)(int code);
extern BOOL (WINAPI *OpenHelpViewer)(HWND owner, LPCWSTR file, UINT command, ULONG_PTR data);
extern HINSTANCE (WINAPI *ShellOpen)(HWND owner, LPCWSTR operation, LPCWSTR file,
                                     LPCWSTR parameters, LPCWSTR directory, INT show);
extern BOOL (WINAPI *NotifyTray)(DWORD message, PNOTIFYICONDATAW data);
// Lets a message from a less privileged process reach the window (ChangeWindowMessageFilterEx);
// only an elevated process has such a filter.
extern BOOL (WINAPI *LetMessageThrough)(HWND window, UINT message, DWORD action,
                                        PCHANGEFILTERSTRUCT status);
// The monitor a screen rectangle lies on, or none (MonitorFromRect); the monitors depend on
// the machine.
extern HMONITOR (WINAPI *MonitorOfRect)(LPCRECT rect, DWORD flags);
// A monitor's rectangle and work area (GetMonitorInfoW), and a window's placement in the
// workspace coordinates of its monitor (GetWindowPlacement): both follow the machine's bars.
extern BOOL (WINAPI *MonitorInfoOf)(HMONITOR monitor, LPMONITORINFO info);
extern BOOL (WINAPI *WindowPlacementOf)(HWND window, WINDOWPLACEMENT *placement);
// Milliseconds since the system started (GetTickCount64); tests let time pass at will.
extern ULONGLONG (*TickCount)();
// The DPI of the monitor that holds the taskbar, which sizes the tray's icons; the monitors
// depend on the machine.
extern UINT (*TaskbarDpi)();
// The local wall-clock time (GetLocalTime), for the times the texts name; tests set the hour.
extern void (WINAPI *LocalTime)(LPSYSTEMTIME time);
// Whether this process's window station is the one the user sees (UOI_FLAGS, WSF_VISIBLE): a
// scheduled task that runs whether the user is logged on or not has a window station nobody
// sees, where a box would wait for ever.
extern bool (*WindowStationVisible)();
// Starts a program as the shell does (ShellExecuteExW).
extern BOOL (WINAPI *ShellStart)(SHELLEXECUTEINFOW *info);
// The program's single-instance mutex and others like it, by name: created and owned (create)
// or only opened (CreateMutexW, OpenMutexW). Null when neither worked, with GetLastError set;
// an elevated program's mutex answers access denied to a start that is not elevated.
extern HANDLE (*ReachNamedMutex)(LPCWSTR name, bool create);

// What a process's token says of whom it runs for: logon session, integrity level and user.
struct TokenFacts {
    DWORD Session;
    DWORD Integrity;
    DWORD_PTR User[(SECURITY_MAX_SID_SIZE + sizeof(DWORD_PTR) - 1) / sizeof(DWORD_PTR)];
};
// Reads them from the process's token (OpenProcessToken, GetTokenInformation); under Wine
// every process answers alike.
extern bool (*ReadTokenFacts)(HANDLE process, TokenFacts *facts);
// Loads a library (LoadLibraryExW); tests make it refuse the system-folder flag as Windows 7
// without KB2533623 does.
extern HMODULE (WINAPI *LoadLibraryWithFlags)(LPCWSTR name, HANDLE file, DWORD flags);
// Whether a high-contrast theme is on (SPI_GETHIGHCONTRAST, HCF_HIGHCONTRASTON); the theme is
// the user's.
extern bool (*HighContrastThemeOn)();
