// Where the main window goes: next to the notification area, and back on the desktop.
#pragma once
#include <windows.h>

void PlaceNearTray(HWND window);
void EnsureOnDesktop();

// The WindowPos value of the window's normal (restored) rectangle: low word the left edge,
// high word the top edge, in screen coordinates, each cut to 16 bits.
DWORD SavedPositionOf(HWND window);
// Puts the window where SavedPositionOf found it, or next to the tray when none is saved.
void RestoreSavedPosition(HWND window, DWORD saved);
