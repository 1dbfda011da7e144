// The History page's graph: free memory over the chosen span on the scale of installed
// memory, the lower limit and the free-to mark, and each run as a band, with a tooltip.
#include "pages/historygraph.h"
#include "base/language.h"
#include "engine/history.h"
#include "pages/history.h"
#include "res/resource.h"
#include "settings/settings.h"
#include <commctrl.h>
#include <cwchar>

// Colours outside high contrast.
const COLORREF FreeLineColour = RGB(0, 84, 166);
const COLORREF LowerLimitColour = RGB(200, 0, 0);
const COLORREF FreeToColour = RGB(0, 140, 0);
const COLORREF MarkColour = RGB(64, 64, 64);
const COLORREF HatchColour = RGB(150, 150, 150);
// By FreeingEnding: done, cancelled, refused.
static const COLORREF BandColours[] = {RGB(214, 238, 214), RGB(250, 232, 196), RGB(246, 210, 210)};
// Besides its colour, a cancelled run's band is hatched one way and a refused one's crossed.
static const int BandHatches[] = {-1, HS_BDIAGONAL, HS_DIAGCROSS};

// Who asked, told by the mark's shape and whether it is filled, by FreeingSource.
enum MarkShape { SquareMark, TriangleMark, DiamondMark, CircleMark };
struct Mark {
    MarkShape Shape;
    bool Filled;
};
static const Mark SourceMarks[] = {
    {SquareMark, true},    // button
    {SquareMark, false},   // hot-key
    {TriangleMark, true},  // tray menu
    {DiamondMark, true},   // start-up
    {CircleMark, false},   // automatic
    {TriangleMark, false}, // command line
};

// Lines are one pixel per 100 of the plot's height, at least one; marks one twelfth of it.
const int PixelsPerLineWidth = 100;
const int MarkShare = 12;
const int SmallestMark = 5;

struct GraphScale {
    RECT Plot;
    ULONGLONG Now;  // the newest slot's time, at the right edge
    ULONGLONG Span;
    ByteCount Total;
    int LineWidth;
};

static const HistoryRing &ShownRing()
{
    return HistoryRings[Settings.HistorySpan < HistorySpanCount ? Settings.HistorySpan : OneHour];
}

static GraphScale ScaleOf(const RECT &plot)
{
    const HistoryRing &ring = ShownRing();
    GraphScale scale;
    scale.Plot = plot;
    scale.Now = ring.Count != 0 ? SlotOfAge(ring, 0).At : 0;
    scale.Span = HistorySpanMilliseconds[Settings.HistorySpan < HistorySpanCount ? Settings.HistorySpan : OneHour];
    scale.Total = InstalledMemory.TotalPhys != 0 ? InstalledMemory.TotalPhys : 1;
    int lineWidth = (plot.bottom - plot.top) / PixelsPerLineWidth;
    scale.LineWidth = lineWidth > 1 ? lineWidth : 1;
    return scale;
}

static bool InSpan(const GraphScale &scale, ULONGLONG at)
{
    return at + scale.Span >= scale.Now;
}

// Older than the span lies left of the plot.
static int ColumnOf(const GraphScale &scale, ULONGLONG at)
{
    ULONGLONG age = scale.Now > at ? scale.Now - at : 0;
    if (age > scale.Span) {
        return scale.Plot.left - 1;
    }
    ULONGLONG width = static_cast<ULONGLONG>(scale.Plot.right - scale.Plot.left - 1);
    return scale.Plot.right - 1 - static_cast<int>(age * width / scale.Span);
}

static int RowOf(const GraphScale &scale, ByteCount free)
{
    ULONGLONG height = static_cast<ULONGLONG>(scale.Plot.bottom - scale.Plot.top - 1);
    ByteCount shown = free < scale.Total ? free : scale.Total;
    return scale.Plot.bottom - 1 - static_cast<int>(shown * height / scale.Total);
}

// A run's columns, at least two lines wide so that a short run still shows.
static void BandColumns(const GraphScale &scale, const FreeingRun &run, int *left, int *right)
{
    *left = ColumnOf(scale, RunStartTick(run));
    *right = ColumnOf(scale, run.EndedAt);
    if (*right - *left < 2 * scale.LineWidth) {
        *left = *right - 2 * scale.LineWidth;
    }
}

static void DrawBand(HDC dc, const GraphScale &scale, const FreeingRun &run, bool highContrast)
{
    int left;
    int right;
    BandColumns(scale, run, &left, &right);
    RECT band = {left, scale.Plot.top, right + 1, scale.Plot.bottom};
    if (highContrast) {
        FrameRect(dc, &band, GetSysColorBrush(COLOR_WINDOWTEXT));
    } else {
        HBRUSH fill = CreateSolidBrush(BandColours[run.Ending]);
        FillRect(dc, &band, fill);
        DeleteObject(fill);
    }
    if (BandHatches[run.Ending] >= 0) {
        HBRUSH hatch = CreateHatchBrush(BandHatches[run.Ending],
                                        highContrast ? GetSysColor(COLOR_WINDOWTEXT) : HatchColour);
        FillRect(dc, &band, hatch);
        DeleteObject(hatch);
    }
}

// The mark's outline at (x, y), size pixels across.
static void DrawShape(HDC dc, MarkShape shape, int x, int y, int size)
{
    switch (shape) {
    case SquareMark:
        Rectangle(dc, x, y, x + size, y + size);
        break;
    case TriangleMark: {
        POINT corners[] = {{x + size / 2, y}, {x + size, y + size}, {x, y + size}};
        Polygon(dc, corners, 3);
        break;
    }
    case DiamondMark: {
        POINT corners[] = {{x + size / 2, y}, {x + size, y + size / 2}, {x + size / 2, y + size}, {x, y + size / 2}};
        Polygon(dc, corners, 4);
        break;
    }
    case CircleMark:
        Ellipse(dc, x, y, x + size, y + size);
        break;
    }
}

// Thick outlines are drawn as nested one-pixel ones: a one-pixel pen is many times faster.
static void DrawMark(HDC dc, const GraphScale &scale, const FreeingRun &run, HPEN pen, HBRUSH fill)
{
    int left;
    int right;
    BandColumns(scale, run, &left, &right);
    int size = (scale.Plot.bottom - scale.Plot.top) / MarkShare;
    size = size > SmallestMark ? size : SmallestMark;
    int x = (left + right) / 2 - size / 2;
    int y = scale.Plot.top + scale.LineWidth + 1;
    const Mark &mark = SourceMarks[run.Source];
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, mark.Filled ? fill : GetStockObject(NULL_BRUSH));
    for (int inset = 0; inset < scale.LineWidth && size - 2 * inset > 2; ++inset) {
        DrawShape(dc, mark.Shape, x + inset, y + inset, size - 2 * inset);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
}

// Runs are logged newest first; the oldest run of the span is the first one out of it.
static void DrawRuns(HDC dc, const GraphScale &scale, bool highContrast)
{
    COLORREF markColour = highContrast ? GetSysColor(COLOR_WINDOWTEXT) : MarkColour;
    for (DWORD age = 0; age < LoggedRunCount && InSpan(scale, LoggedRun(age).EndedAt); ++age) {
        DrawBand(dc, scale, LoggedRun(age), highContrast);
    }
    HPEN pen = CreatePen(PS_SOLID, 1, markColour);
    HBRUSH fill = CreateSolidBrush(markColour);
    for (DWORD age = 0; age < LoggedRunCount && InSpan(scale, LoggedRun(age).EndedAt); ++age) {
        DrawMark(dc, scale, LoggedRun(age), pen, fill);
    }
    DeleteObject(fill);
    DeleteObject(pen);
}

// A horizontal line across the plot, centred on its row; the free-to mark is dashed, so it is
// told from the lower limit without its colour.
static void DrawLimit(HDC dc, const GraphScale &scale, ByteCount bytes, COLORREF colour, bool dashed)
{
    HPEN pen = CreatePen(dashed ? PS_DASH : PS_SOLID, 1, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    int top = RowOf(scale, bytes) - (scale.LineWidth - 1) / 2;
    for (int row = top; row < top + scale.LineWidth; ++row) {
        MoveToEx(dc, scale.Plot.left, row, nullptr);
        LineTo(dc, scale.Plot.right, row);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

static void DrawFreeMemory(HDC dc, const GraphScale &scale, COLORREF colour)
{
    const HistoryRing &ring = ShownRing();
    static POINT points[HistorySlots + 2];
    int count = 0;
    for (DWORD age = ring.Count; age-- > 0;) {
        const HistorySlot &slot = SlotOfAge(ring, age);
        if (InSpan(scale, slot.At)) {
            points[count++] = {ColumnOf(scale, slot.At), RowOf(scale, slot.Free)};
        }
    }
    if (count == 0) {
        return;
    }
    // A single sample shows as a short stroke ending at the right edge.
    if (count == 1) {
        points[1] = points[0];
        points[0].x -= 2 * scale.LineWidth;
        count = 2;
    }
    // A line leaves out its last pixel: one step further, so the newest sample shows.
    points[count] = {points[count - 1].x + 1, points[count - 1].y};
    ++count;
    // A thick line as one-pixel lines stacked downwards from the samples' rows.
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    for (int offset = 0; offset < scale.LineWidth; ++offset) {
        if (offset != 0) {
            for (int i = 0; i < count; ++i) {
                ++points[i].y;
            }
        }
        Polyline(dc, points, count);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

void DrawHistoryGraph(HDC dc, const RECT &plot, bool highContrast)
{
    int saved = SaveDC(dc);
    IntersectClipRect(dc, plot.left, plot.top, plot.right, plot.bottom);
    SetBkMode(dc, TRANSPARENT);
    FillRect(dc, &plot, GetSysColorBrush(COLOR_WINDOW));
    GraphScale scale = ScaleOf(plot);
    DrawRuns(dc, scale, highContrast);
    COLORREF limitColour = GetSysColor(COLOR_HIGHLIGHT);
    DrawLimit(dc, scale, Settings.MinLimit, highContrast ? limitColour : LowerLimitColour, false);
    DrawLimit(dc, scale, Settings.FreeTo, highContrast ? limitColour : FreeToColour, true);
    DrawFreeMemory(dc, scale, highContrast ? GetSysColor(COLOR_WINDOWTEXT) : FreeLineColour);
    RestoreDC(dc, saved);
}

// The slot nearest the time, unless none lies within two slots of it.
static const HistorySlot *SlotNear(const GraphScale &scale, ULONGLONG at)
{
    const HistoryRing &ring = ShownRing();
    ULONGLONG reach = 2 * scale.Span / HistorySlots;
    const HistorySlot *nearest = nullptr;
    ULONGLONG distance = reach + 1;
    for (DWORD age = 0; age < ring.Count; ++age) {
        const HistorySlot &slot = SlotOfAge(ring, age);
        ULONGLONG apart = slot.At > at ? slot.At - at : at - slot.At;
        if (apart < distance) {
            distance = apart;
            nearest = &slot;
        }
        if (slot.At + reach < at) {
            break;
        }
    }
    return nearest;
}

void FormatGraphTip(const RECT &plot, POINT point, wchar_t *text, int size)
{
    if (size <= 0) {
        return;
    }
    text[0] = L'\0';
    if (ShownRing().Count == 0 || !PtInRect(&plot, point)) {
        return;
    }
    GraphScale scale = ScaleOf(plot);
    for (DWORD age = 0; age < LoggedRunCount && InSpan(scale, LoggedRun(age).EndedAt); ++age) {
        int left;
        int right;
        BandColumns(scale, LoggedRun(age), &left, &right);
        if (point.x >= left && point.x <= right) {
            FormatRunTip(LoggedRun(age), text, size);
            return;
        }
    }
    ULONGLONG width = static_cast<ULONGLONG>(plot.right - plot.left - 1);
    ULONGLONG age = static_cast<ULONGLONG>(plot.right - 1 - point.x) * scale.Span / (width != 0 ? width : 1);
    if (age > scale.Now) {
        return;
    }
    const HistorySlot *slot = SlotNear(scale, scale.Now - age);
    if (slot) {
        FormatSampleTip(slot->At, slot->Free, text, size);
    }
}

static bool HighContrastOn()
{
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// Drawn whole into a bitmap first, so it never flickers. The bitmap is drawn left to right;
// copied into a mirrored window it is mirrored with it, newest at the left.
static void OnPaint(HWND graph)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(graph, &paint);
    RECT area;
    GetClientRect(graph, &area);
    HDC memory = CreateCompatibleDC(dc);
    SetLayout(memory, 0);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, area.right, area.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    DrawHistoryGraph(memory, area, HighContrastOn());
    BitBlt(dc, 0, 0, area.right, area.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndPaint(graph, &paint);
}

static HWND GraphTip;
static wchar_t TipText[TextSize];

static void OnCreate(HWND graph)
{
    GraphTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, graph, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = graph;
    tool.uId = reinterpret_cast<UINT_PTR>(graph);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(GraphTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    // Wide enough for a run's line in a language a third longer, wrapped.
    RECT area;
    GetClientRect(graph, &area);
    SendMessageW(GraphTip, TTM_SETMAXTIPWIDTH, 0, area.right);
}

// A new text under the pointer asks the tooltip for it again.
static void OnMouseMove(HWND graph, LPARAM lParam)
{
    RECT area;
    GetClientRect(graph, &area);
    POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    wchar_t text[TextSize];
    FormatGraphTip(area, point, text, TextSize);
    if (wcscmp(text, TipText) != 0) {
        swprintf(TipText, TextSize, L"%ls", text);
        SendMessageW(GraphTip, TTM_UPDATE, 0, 0);
    }
}

static void OnGetTipText(NMTTDISPINFOW *info)
{
    info->lpszText = TipText;
}

static LRESULT CALLBACK HistoryGraphProc(HWND graph, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(graph);
        return 0;
    case WM_PAINT:
        OnPaint(graph);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEMOVE:
        OnMouseMove(graph, lParam);
        return 0;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR *>(lParam)->code == TTN_GETDISPINFOW) {
            OnGetTipText(reinterpret_cast<NMTTDISPINFOW *>(lParam));
        }
        return 0;
    case WM_DESTROY:
        DestroyWindow(GraphTip);
        GraphTip = nullptr;
        return 0;
    }
    return DefWindowProcW(graph, message, wParam, lParam);
}

void RegisterHistoryGraph(HINSTANCE instance)
{
    WNDCLASSEXW graphClass = {};
    graphClass.cbSize = sizeof graphClass;
    graphClass.lpfnWndProc = HistoryGraphProc;
    graphClass.hInstance = instance;
    graphClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    graphClass.lpszClassName = L"" HISTORY_GRAPH_CLASS;
    RegisterClassExW(&graphClass);
}
