// The program's own window messages and timers, which every window and page speaks.
#pragma once
#include <windows.h>

const UINT WM_APP_TRAY = WM_APP + 1;     // the tray icon's callback; lParam is the mouse message
const UINT WM_APP_INTERVAL = WM_APP + 2; // restart the refresh timer with the current Interval
const UINT WM_APP_REFRESH = WM_APP + 4;  // settings changed: pages reload their controls
const UINT WM_APP_LAYOUT = WM_APP + 5;   // the DPI changed: lay the pages over the tab control again
const UINT_PTR TIMER_REFRESH = 1;
