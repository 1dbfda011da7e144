// The tab pages inside the main window: creation, layout and selection.
#pragma once
#include <windows.h>

extern HWND ShownPage;

HWND CreatePage(HWND tabs, HWND mainWindow, int dialogId, DLGPROC procedure, UINT tabTextId);
void LayoutPages();
void SelectPage(HWND page);
void OnTabSelectionChange(HWND tabs);
