// The main window: its dialog procedure, initialisation and destruction.
#pragma once
#include <windows.h>

const UINT WM_APP_TRAY = WM_APP + 1;     // the tray icon's callback; lParam is the mouse message
const UINT WM_APP_INTERVAL = WM_APP + 2; // restart the refresh timer with the current Interval
const UINT WM_APP_REFRESH = WM_APP + 4;  // settings changed: pages reload their controls
const UINT_PTR TIMER_REFRESH = 1;

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void InitMainWindow(HWND window);
