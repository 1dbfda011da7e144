// The tray icon's pictures at the small-icon size of the taskbar's DPI: the chip of each state,
// or free memory drawn as a figure in the colour of the state; in a high-contrast theme both
// are drawn in the theme's colours.
#include "shell/traypicture.h"
#include "base/contrast.h"
#include "base/language.h"
#include "base/memstatus.h"
#include "base/platform.h"
#include "base/systemlibrary.h"
#include "res/resource.h"
#include "shell/startup.h"
#include <algorithm>
#include <cwchar>

DWORD LightTaskbar;
FreeFigure ShownFigure;

const int ChipCount = 4;
static const int ChipIds[ChipCount] = {IDI_APP, IDI_LOW, IDI_NORMAL, IDI_BUSY};
static HICON Chips[ChipCount];
static UINT ChipsDpi;
static DWORD ChipsColoursRead;

// In pixels: a small icon at 16 times the usual DPI.
const int LargestFigure = 256;
static HICON FigureIcon;
static UINT FigureDpi;
static DWORD FigureColoursRead;

// Light shades stand out on a dark taskbar, dark ones on a light taskbar; by state.
static const COLORREF FigureColours[2][3] = {
    {RGB(0x6C, 0xE0, 0x7E), RGB(0xFF, 0x78, 0x78), RGB(0xFF, 0xC8, 0x3D)},
    {RGB(0x10, 0x7C, 0x10), RGB(0xC4, 0x2B, 0x1C), RGB(0x9D, 0x5D, 0x00)},
};

// Windows 7 and 8 have no such value and a dark taskbar.
void ReadTaskbarTheme()
{
    DWORD light = 0;
    DWORD size = sizeof light;
    if (RegGetValueW(HKEY_CURRENT_USER, PersonalizeKey, L"SystemUsesLightTheme", RRF_RT_REG_DWORD,
                     nullptr, &light, &size) != ERROR_SUCCESS) {
        light = 0;
    }
    LightTaskbar = light != 0 ? 1 : 0;
}

// GetSystemMetricsForDpi came with Windows 10 1607; before it the small icon is 16 pixels at
// 96 DPI and grows with the DPI.
typedef int(WINAPI *MetricsForDpiCall)(int, UINT);

int SmallIconSize(UINT dpi)
{
    static const MetricsForDpiCall MetricsForDpi = SystemCall<MetricsForDpiCall>(L"user32.dll", "GetSystemMetricsForDpi");
    if (MetricsForDpi != nullptr) {
        return MetricsForDpi(SM_CXSMICON, dpi);
    }
    return MulDiv(16, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

static HICON DrawThemePicture(TrayState state, const wchar_t *upper, const wchar_t *lower, int size);

// All four are loaded before the old ones go, so that no new picture comes back under the
// handle of one the tray was sent: the tick tells a new picture by its handle.
static void LoadChips(UINT dpi)
{
    // In a high-contrast theme a chip is its state's plate with a sign: the initial, "!" when
    // memory is low, "..." while freeing.
    static const TrayState ChipStates[ChipCount] = {TrayNormal, TrayLow, TrayNormal, TrayBusy};
    static const wchar_t *const ChipSigns[ChipCount] = {L"M", L"!", L"M", L"..."};
    int size = SmallIconSize(dpi);
    HICON loaded[ChipCount];
    for (int i = 0; i < ChipCount; ++i) {
        loaded[i] = HighContrast != 0
            ? DrawThemePicture(ChipStates[i], ChipSigns[i], nullptr, size)
            : static_cast<HICON>(LoadImageW(AppInstance, MAKEINTRESOURCEW(ChipIds[i]), IMAGE_ICON, size,
                                            size, LR_DEFAULTCOLOR));
    }
    for (int i = 0; i < ChipCount; ++i) {
        if (Chips[i] != nullptr) {
            DestroyIcon(Chips[i]);
        }
        Chips[i] = loaded[i];
    }
    ChipsDpi = dpi;
    ChipsColoursRead = ColoursRead;
}

HICON ChipPicture(int id)
{
    UINT dpi = TaskbarDpi();
    if (dpi != ChipsDpi || ChipsColoursRead != ColoursRead) {
        LoadChips(dpi);
    }
    for (int i = 0; i < ChipCount; ++i) {
        if (ChipIds[i] == id) {
            return Chips[i];
        }
    }
    return nullptr;
}

FreeFigure FigureOf(ByteCount free, TrayState state, bool lightTaskbar)
{
    const ByteCount GB = 1ull << 30;
    FreeFigure figure = {};
    // Without digit grouping: the icon has room for four characters at most.
    const int numberSize = sizeof figure.Number / sizeof figure.Number[0];
    const int unitSize = sizeof figure.Unit / sizeof figure.Unit[0];
    if (free < GB) {
        FormatDecimal(figure.Number, numberSize, static_cast<double>(free >> 20), 0, false);
        LoadText(IDS_FIGURE_MB, figure.Unit, unitSize);
    } else if (free < 10 * GB) {
        unsigned tenths = static_cast<unsigned>(free * 10 / GB);
        FormatDecimal(figure.Number, numberSize, tenths / 10.0, 1, false);
        LoadText(IDS_FIGURE_GB, figure.Unit, unitSize);
    } else {
        FormatDecimal(figure.Number, numberSize, static_cast<double>(free / GB), 0, false);
        LoadText(IDS_FIGURE_GB, figure.Unit, unitSize);
    }
    figure.Colour = FigureColours[lightTaskbar ? 1 : 0][state];
    figure.State = state;
    return figure;
}

static bool SameFigure(const FreeFigure &a, const FreeFigure &b)
{
    return wcscmp(a.Number, b.Number) == 0 && wcscmp(a.Unit, b.Unit) == 0 && a.Colour == b.Colour &&
           a.State == b.State;
}

// The largest font up to the height in which the text fits the width, bold where bold fits,
// regular where only the narrower regular does; tiny icons get at least a 5-pixel font.
static HFONT FittingFont(HDC dc, const wchar_t *text, int height, int width, DWORD quality)
{
    const int SmallestHeight = 5;
    for (int weight = FW_BOLD;; weight = weight == FW_BOLD ? FW_NORMAL : FW_BOLD) {
        HFONT font = CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality,
                                 DEFAULT_PITCH | FF_SWISS, L"Tahoma");
        HGDIOBJ previous = SelectObject(dc, font);
        SIZE extent = {};
        GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &extent);
        SelectObject(dc, previous);
        if (extent.cx <= width || height <= SmallestHeight) {
            return font;
        }
        DeleteObject(font);
        if (weight == FW_NORMAL) {
            --height;
        }
    }
}

static void DrawLine(HDC dc, const wchar_t *text, RECT area, DWORD quality)
{
    HFONT font = FittingFont(dc, text, area.bottom - area.top, area.right - area.left, quality);
    HGDIOBJ previous = SelectObject(dc, font);
    DrawTextW(dc, text, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    SelectObject(dc, previous);
    DeleteObject(font);
}

// A square 32-bit bitmap, top row first, whose pixels GDI draws into.
static HBITMAP CreatePictureBitmap(HDC dc, int size, void **bits)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// A picture being drawn: a memory DC with its square bitmap selected, and the bitmap's pixels.
struct Canvas {
    HDC Dc;
    HBITMAP Colour;
    HGDIOBJ Previous;
    DWORD *Pixels;
};

static bool OpenCanvas(int size, Canvas *canvas)
{
    canvas->Dc = CreateCompatibleDC(nullptr);
    void *bits = nullptr;
    canvas->Colour = CreatePictureBitmap(canvas->Dc, size, &bits);
    if (canvas->Colour == nullptr) {
        DeleteDC(canvas->Dc);
        return false;
    }
    canvas->Pixels = static_cast<DWORD *>(bits);
    canvas->Previous = SelectObject(canvas->Dc, canvas->Colour);
    return true;
}

// Ends the drawing; the pixels stay the program's to read and change.
static void CloseCanvas(const Canvas &canvas)
{
    GdiFlush();
    SelectObject(canvas.Dc, canvas.Previous);
    DeleteDC(canvas.Dc);
}

// The icon of the canvas's pixels and a mask; the bitmaps go, the icon holds copies of them.
static HICON IconOf(const Canvas &canvas, int size, const BYTE *maskBits)
{
    HBITMAP mask = CreateBitmap(size, size, 1, 1, maskBits);
    ICONINFO icon = {TRUE, 0, 0, mask, canvas.Colour};
    HICON made = CreateIconIndirect(&icon);
    DeleteObject(mask);
    DeleteObject(canvas.Colour);
    return made;
}

// GDI writes no alpha, so the figure is drawn white on black and each pixel's grey level
// becomes the alpha of the figure's colour, so that it sits on any taskbar.
static HICON DrawFigure(const FreeFigure &figure, int size)
{
    size = std::clamp(size, 1, LargestFigure);
    Canvas canvas;
    if (!OpenCanvas(size, &canvas)) {
        return nullptr;
    }
    HDC dc = canvas.Dc;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    // The number takes the upper nine sixteenths, the unit the rest. Below 32 pixels smoothed
    // glyphs blur into their few pixels, while the font's hinted ones stay sharp.
    int split = size * 9 / 16;
    DWORD quality = size < 32 ? NONANTIALIASED_QUALITY : ANTIALIASED_QUALITY;
    // A clear column at each edge, so that the figure never runs into the next icon.
    DrawLine(dc, figure.Number, {1, 0, size - 1, split}, quality);
    DrawLine(dc, figure.Unit, {1, split, size - 1, size}, quality);
    CloseCanvas(canvas);

    // The mask marks the fully transparent pixels, for whoever draws the icon without alpha.
    int maskStride = (size + 15) / 16 * 2;
    BYTE maskBits[LargestFigure / 8 * LargestFigure] = {};
    DWORD *pixels = canvas.Pixels;
    DWORD tint = GetRValue(figure.Colour) << 16 | GetGValue(figure.Colour) << 8 | GetBValue(figure.Colour);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            DWORD &pixel = pixels[y * size + x];
            DWORD level = std::max({pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF});
            pixel = level << 24 | tint;
            if (level == 0) {
                maskBits[y * maskStride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
            }
        }
    }
    return IconOf(canvas, size, maskBits);
}

static void FillPlate(HDC dc, RECT area, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

// In a high-contrast theme the picture is an opaque plate in the theme's colours, its text
// unsmoothed, so that no pixel takes a colour of its own. The state shows by the frame too, not
// by colour alone: none when normal, a solid one on the marked plate when memory is low, a
// dashed one while freeing.
static HICON DrawThemePicture(TrayState state, const wchar_t *upper, const wchar_t *lower, int size)
{
    size = std::clamp(size, 1, LargestFigure);
    ThemeColours theme = CurrentThemeColours();
    Canvas canvas;
    if (!OpenCanvas(size, &canvas)) {
        return nullptr;
    }
    HDC dc = canvas.Dc;
    bool low = state == TrayLow;
    COLORREF text = low ? theme.MarkText : theme.Text;
    FillPlate(dc, {0, 0, size, size}, low ? theme.Mark : theme.Plate);
    int frame = state == TrayNormal ? 0 : std::max(1, size / 16);
    for (int offset = 0; frame > 0 && offset < size; offset += 2 * frame) {
        // A dashed frame leaves every other dash of the plate.
        int dash = state == TrayBusy ? frame : 2 * frame;
        int length = std::min(dash, size - offset);
        FillPlate(dc, {offset, 0, offset + length, frame}, text);
        FillPlate(dc, {offset, size - frame, offset + length, size}, text);
        FillPlate(dc, {0, offset, frame, offset + length}, text);
        FillPlate(dc, {size - frame, offset, size, offset + length}, text);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    RECT inside = {frame, frame, size - frame, size - frame};
    if (lower == nullptr) {
        DrawLine(dc, upper, inside, NONANTIALIASED_QUALITY);
    } else {
        int split = frame + (size - 2 * frame) * 9 / 16;
        DrawLine(dc, upper, {inside.left, inside.top, inside.right, split}, NONANTIALIASED_QUALITY);
        DrawLine(dc, lower, {inside.left, split, inside.right, inside.bottom}, NONANTIALIASED_QUALITY);
    }
    CloseCanvas(canvas);

    for (int i = 0; i < size * size; ++i) {
        canvas.Pixels[i] |= 0xFF000000u;
    }
    // Every pixel is opaque: the mask is clear.
    BYTE opaqueMask[LargestFigure / 8 * LargestFigure] = {};
    return IconOf(canvas, size, opaqueMask);
}

HICON FigurePicture(ByteCount free, TrayState state)
{
    FreeFigure figure = FigureOf(free, state, LightTaskbar != 0);
    if (HighContrast != 0) {
        figure.Colour = state == TrayLow ? CurrentThemeColours().MarkText : CurrentThemeColours().Text;
    }
    UINT dpi = TaskbarDpi();
    if (FigureIcon != nullptr && dpi == FigureDpi && FigureColoursRead == ColoursRead &&
        SameFigure(figure, ShownFigure)) {
        return FigureIcon;
    }
    HICON drawn = HighContrast != 0 ? DrawThemePicture(state, figure.Number, figure.Unit, SmallIconSize(dpi))
                                    : DrawFigure(figure, SmallIconSize(dpi));
    // The notification area keeps a copy of the icon it was sent.
    if (FigureIcon != nullptr) {
        DestroyIcon(FigureIcon);
    }
    FigureIcon = drawn;
    FigureDpi = dpi;
    FigureColoursRead = ColoursRead;
    ShownFigure = figure;
    return FigureIcon;
}

void ReleaseFigurePicture()
{
    if (FigureIcon != nullptr) {
        DestroyIcon(FigureIcon);
        FigureIcon = nullptr;
    }
}
