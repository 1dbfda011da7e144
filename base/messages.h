// The program's own window messages and timers, which every window and page speaks.
#pragma once
#include <windows.h>

const UINT WM_APP_TRAY = WM_APP + 1;     // the tray icon's callback; its event in lParam's low word
const UINT WM_APP_INTERVAL = WM_APP + 2; // restart the refresh timer with the current Interval
const UINT WM_APP_REFRESH = WM_APP + 4;  // settings changed: pages reload their controls
const UINT WM_APP_LAYOUT = WM_APP + 5;   // the DPI changed: lay the pages over the tab control again
// A command-line run handed over by another start of the program waits to begin.
const UINT WM_APP_COMMAND_FREE = WM_APP + 8;
// Posted to the thread of that other start when its run has ended; wParam tells how it ended.
const UINT WM_APP_RUN_ENDED = WM_APP + 9;
// The freeing worker has ended a job; its record, if it left one, waits in TakeFinishedRun.
const UINT WM_APP_JOB_ENDED = WM_APP + 10;
// The Language setting changed: the window, the pages, the tray menus and the tooltip take it.
const UINT WM_APP_LANGUAGE = WM_APP + 20;
const UINT_PTR TIMER_REFRESH = 1;
