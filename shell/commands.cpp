// The command set of the tray menus and of menu-style WM_COMMAND messages.
#include "shell/commands.h"

void DispatchCommand(HWND, UINT) {}
