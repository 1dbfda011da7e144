// The tab pages inside the main window: creation, layout and selection.
#pragma once
#include <windows.h>

extern HWND ShownPage;

HWND CreatePage(HWND tabs, HWND mainWindow, int dialogId, DLGPROC procedure, UINT tabTextId);
void LayoutPages();
void SelectPage(HWND page);
void OnTabSelectionChange(HWND tabs);
// Switches pages on Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PageDown and Ctrl+PageUp pressed in the main
// window; true when the key did, and must go no further.
bool SwitchPageByKey(const MSG *message);
