// High contrast: whether a high-contrast theme is on, and the theme's colours, in which all the
// program draws itself is drawn while it is.
#pragma once
#include <windows.h>

// 1 while a high-contrast theme is on.
extern DWORD HighContrast;
// Counts the readings that found a new theme or new colours: a picture drawn at an older count
// is drawn again.
extern DWORD ColoursRead;

// Reads the theme: at start, and on WM_SYSCOLORCHANGE and WM_SETTINGCHANGE.
void ReadHighContrast();

// The theme's colours (GetSysColor): text on a plate, and marked text on a marked plate.
struct ThemeColours {
    COLORREF Text;     // COLOR_WINDOWTEXT
    COLORREF Plate;    // COLOR_WINDOW
    COLORREF Mark;     // COLOR_HIGHLIGHT
    COLORREF MarkText; // COLOR_HIGHLIGHTTEXT
};
ThemeColours CurrentThemeColours();
