// Where the main window goes: next to the notification area, and back on the desktop.
#pragma once
#include <windows.h>

void PlaceNearTray(HWND window);
void EnsureOnDesktop();
