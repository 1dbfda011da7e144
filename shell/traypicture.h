// The tray icon's pictures at the small-icon size of the taskbar's DPI: the chip of each state,
// or free memory drawn as a figure in the colour of the state.
#pragma once
#include <windows.h>
#include "base/memstatus.h"

enum TrayState { TrayNormal, TrayLow, TrayBusy };

// What the figure shows: free memory as a number of MB below 1 GB, of GB with one decimal
// below 10 GB, of whole GB above (each rounded down), the colour it is drawn in (the theme's
// text colour in high contrast) and the state it shows.
struct FreeFigure {
    wchar_t Number[16];
    wchar_t Unit[8]; // "MB" or "GB" in the user's language
    COLORREF Colour;
    TrayState State;
};

// Where Windows 10 and later keep the taskbar's theme (SystemUsesLightTheme), below HKEY_CURRENT_USER.
const wchar_t *const PersonalizeKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// 1 while the taskbar is light (SystemUsesLightTheme), where the figure takes darker colours.
extern DWORD LightTaskbar;
// The figure last drawn for the tray.
extern FreeFigure ShownFigure;

// Reads the taskbar's theme: at start and whenever Windows says the colour set changed.
void ReadTaskbarTheme();

// The small icon size in pixels at a DPI.
int SmallIconSize(UINT dpi);

// The icon resource (IDI_APP, IDI_LOW, IDI_NORMAL or IDI_BUSY) at the tray's size, loaded once
// per DPI, or drawn in the theme's colours while high contrast is on; the handles stay the
// program's until the DPI or the colours change.
HICON ChipPicture(int id);

FreeFigure FigureOf(ByteCount free, TrayState state, bool lightTaskbar);

// Free memory drawn as a figure: the same handle while the figure, the state, the theme, the
// colours read and the DPI stay the same, a new one (and the old destroyed) when one changes.
HICON FigurePicture(ByteCount free, TrayState state);
// Destroys the figure's picture once the tray shows a chip instead.
void ReleaseFigurePicture();
