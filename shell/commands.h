// The command set of the tray menus and of menu-style WM_COMMAND messages.
#pragma once
#include <windows.h>

void DispatchCommand(HWND window, UINT id);
