// The Startup & Exit page: start with Windows, freeing at start-up, saving on exit, notices
// and what the tray icon shows.
#pragma once
#include <windows.h>

INT_PTR CALLBACK StartupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void RefreshStartupPage(HWND page);
void UpdateStartupTarget(HWND page);
void StartupPageCommand(HWND page, UINT code, UINT id);
