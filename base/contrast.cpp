// High contrast: whether a high-contrast theme is on, and the theme's colours.
#include "base/contrast.h"
#include "base/platform.h"

DWORD HighContrast;
DWORD ColoursRead;

static ThemeColours LastColours;

static bool SameColours(const ThemeColours &a, const ThemeColours &b)
{
    return a.Text == b.Text && a.Plate == b.Plate && a.Mark == b.Mark && a.MarkText == b.MarkText;
}

// Windows broadcasts setting changes of every kind: only a new theme or new colours count.
void ReadHighContrast()
{
    DWORD on = HighContrastThemeOn() ? 1 : 0;
    ThemeColours colours = CurrentThemeColours();
    if (ColoursRead == 0 || on != HighContrast || !SameColours(colours, LastColours)) {
        ++ColoursRead;
    }
    HighContrast = on;
    LastColours = colours;
}

ThemeColours CurrentThemeColours()
{
    return {GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_HIGHLIGHT),
            GetSysColor(COLOR_HIGHLIGHTTEXT)};
}
