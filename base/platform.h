// Platform calls that would block a test, end its process or reach outside the program.
// Each is a plain pointer to the real call; only tests point them elsewhere.
#pragma once
#include <windows.h>
#include <shellapi.h>

extern int (WINAPI *ShowMessageBox)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
extern void (*EndProcess)(int code);
extern BOOL (WINAPI *OpenHelpViewer)(HWND owner, LPCWSTR file, UINT command, ULONG_PTR data);
extern HINSTANCE (WINAPI *ShellOpen)(HWND owner, LPCSTR operation, LPCSTR file,
                                     LPCSTR parameters, LPCSTR directory, INT show);
extern BOOL (WINAPI *NotifyTray)(DWORD message, PNOTIFYICONDATAA data);
// Lets a message from a less privileged process reach the window (ChangeWindowMessageFilterEx);
// only an elevated process has such a filter.
extern BOOL (WINAPI *LetMessageThrough)(HWND window, UINT message, DWORD action,
                                        PCHANGEFILTERSTRUCT status);
// The monitor a screen rectangle lies on, or none (MonitorFromRect); the monitors depend on
// the machine.
extern HMONITOR (WINAPI *MonitorOfRect)(LPCRECT rect, DWORD flags);
// A monitor's rectangle and work area (GetMonitorInfoA), and a window's placement in the
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
// Whether a high-contrast theme is on (SPI_GETHIGHCONTRAST, HCF_HIGHCONTRASTON); the theme is
// the user's.
extern bool (*HighContrastThemeOn)();
