// Where the main window goes: next to the notification area, back on the desktop, and where
// it was at the end of the last run.
#pragma once
#include <windows.h>

void PlaceNearTray(HWND window);
void EnsureOnDesktop();

// The WindowPos value of the window's normal (restored) rectangle: low word the left edge,
// high word the top edge, in screen coordinates, each cut to 16 bits.
DWORD SavedPositionOf(HWND window);
// Puts the window where SavedPositionOf found it, or next to the tray when none is saved.
void RestoreSavedPosition(HWND window, DWORD saved);
