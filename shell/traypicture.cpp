// The tray icon's pictures at the small-icon size of the taskbar's DPI: the chip of each state,
// or free memory drawn as a figure in the colour of the state.
#include "shell/traypicture.h"
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

// In pixels: a small icon at 16 times the usual DPI.
const int LargestFigure = 256;
static HICON FigureIcon;
static UINT FigureDpi;

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

// All four are loaded before the old ones go, so that no new picture comes back under the
// handle of one the tray was sent: the tick tells a new picture by its handle.
static void LoadChips(UINT dpi)
{
    int size = SmallIconSize(dpi);
    HICON loaded[ChipCount];
    for (int i = 0; i < ChipCount; ++i) {
        loaded[i] = static_cast<HICON>(
            LoadImageW(AppInstance, MAKEINTRESOURCEW(ChipIds[i]), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    }
    for (int i = 0; i < ChipCount; ++i) {
        if (Chips[i] != nullptr) {
            DestroyIcon(Chips[i]);
        }
        Chips[i] = loaded[i];
    }
    ChipsDpi = dpi;
}

HICON ChipPicture(int id)
{
    UINT dpi = TaskbarDpi();
    if (dpi != ChipsDpi) {
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
    return figure;
}

static bool SameFigure(const FreeFigure &a, const FreeFigure &b)
{
    return wcscmp(a.Number, b.Number) == 0 && wcscmp(a.Unit, b.Unit) == 0 && a.Colour == b.Colour;
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

// GDI writes no alpha, so the figure is drawn white on black and each pixel's grey level
// becomes the alpha of the figure's colour, so that it sits on any taskbar.
static HICON DrawFigure(const FreeFigure &figure, int size)
{
    size = std::clamp(size, 1, LargestFigure);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    void *bits = nullptr;
    HBITMAP colour = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (colour == nullptr) {
        DeleteDC(dc);
        return nullptr;
    }
    HGDIOBJ previous = SelectObject(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    // The number takes the upper nine sixteenths, the unit the rest. Below 32 pixels smoothed
    // glyphs blur into their few pixels, while the font's hinted ones stay sharp.
    int split = size * 9 / 16;
    DWORD quality = size < 32 ? NONANTIALIASED_QUALITY : ANTIALIASED_QUALITY;
    // A clear column at each edge, so that the figure never runs into the next icon.
    DrawLine(dc, figure.Number, {1, 0, size - 1, split}, quality);
    DrawLine(dc, figure.Unit, {1, split, size - 1, size}, quality);
    GdiFlush();
    SelectObject(dc, previous);
    DeleteDC(dc);

    // The mask marks the fully transparent pixels, for whoever draws the icon without alpha.
    int maskStride = (size + 15) / 16 * 2;
    BYTE maskBits[LargestFigure / 8 * LargestFigure] = {};
    DWORD *pixels = static_cast<DWORD *>(bits);
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
    HBITMAP mask = CreateBitmap(size, size, 1, 1, maskBits);
    ICONINFO icon = {TRUE, 0, 0, mask, colour};
    HICON made = CreateIconIndirect(&icon);
    DeleteObject(mask);
    DeleteObject(colour);
    return made;
}

HICON FigurePicture(ByteCount free, TrayState state)
{
    FreeFigure figure = FigureOf(free, state, LightTaskbar != 0);
    UINT dpi = TaskbarDpi();
    if (FigureIcon != nullptr && dpi == FigureDpi && SameFigure(figure, ShownFigure)) {
        return FigureIcon;
    }
    HICON drawn = DrawFigure(figure, SmallIconSize(dpi));
    // The notification area keeps a copy of the icon it was sent.
    if (FigureIcon != nullptr) {
        DestroyIcon(FigureIcon);
    }
    FigureIcon = drawn;
    FigureDpi = dpi;
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
