// The History page: its graph drawn into a memory bitmap from a known history, its tooltip's
// texts, and, in the real main window, the runs' log, the summary line and the Copy button.
#include "pages/history.h"
#include "base/language.h"
#include "engine/history.h"
#include "pages/historygraph.h"
#include "shell/lastrun.h"
#include "shell/pagehost.h"
#include "shell/tick.h"
#include "tests/support/program.h"
#include <gtest/gtest.h>
#include <string>

const ULONGLONG Start = 28800000;

// A 640 x 130 bitmap filled with a colour the graph never uses, read pixel by pixel.
struct Canvas {
    HDC Dc;
    HBITMAP Bitmap;
    DWORD *Bits;
    static const int Width = 640;
    static const int Height = 130;
    static const COLORREF Unused = RGB(255, 0, 255);

    Canvas()
    {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), Width, -Height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        Dc = CreateCompatibleDC(nullptr);
        Bitmap = CreateDIBSection(Dc, &info, DIB_RGB_COLORS, reinterpret_cast<void **>(&Bits), nullptr, 0);
        SelectObject(Dc, Bitmap);
        RECT all = {0, 0, Width, Height};
        HBRUSH unused = CreateSolidBrush(Unused);
        FillRect(Dc, &all, unused);
        DeleteObject(unused);
    }
    ~Canvas()
    {
        DeleteDC(Dc);
        DeleteObject(Bitmap);
    }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        DWORD pixel = Bits[y * Width + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
};

// 601 x 101 pixels: a column per second of the ten minutes, a row per 10 MB of 1000 MB.
const RECT Plot = {20, 10, 621, 111};

static int RowFor(ULONGLONG megabytes)
{
    return 110 - static_cast<int>(megabytes / 10);
}

// 700 MB free every second for ten minutes; a run of 20 s ending 300 s before the newest
// sample, which lies at the right edge.
static void KnownHistory()
{
    ClearHistory();
    InstalledMemory.TotalPhys = 1000 * MB;
    Settings.MinLimit = 250 * MB;
    Settings.FreeTo = 500 * MB;
    Settings.HistorySpan = TenMinutes;
    for (ULONGLONG second = 0; second <= 600; ++second) {
        RecordSample(Start + second * 1000, 700 * MB);
    }
    FreeingRun run = {ButtonRun, RunDone, SYSTEMTIME{2026, 12, 1, 7, 14, 2, 0, 0}, Start + 300000, 20000,
                      600 * MB, 600 * MB, 700 * MB};
    RecordRun(run);
}

TEST(HistoryGraph, LimitsRunAndNewestSampleInTheirPlacesAndNothingOutsideThePlot)
{
    struct Row {
        bool highContrast;
        COLORREF background, bandEdge, bandInside, lowerLimit, freeTo, freeLine;
    } rows[] = {
        {false, GetSysColor(COLOR_WINDOW), RGB(214, 238, 214), RGB(214, 238, 214), RGB(200, 0, 0), RGB(0, 140, 0),
         RGB(0, 84, 166)},
        {true, GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW),
         GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_WINDOWTEXT)},
    };
    KnownHistory();
    for (const auto &row : rows) {
        SCOPED_TRACE(row.highContrast ? "high contrast" : "colours");
        Canvas canvas;
        DrawHistoryGraph(canvas.Dc, Plot, row.highContrast);

        EXPECT_EQ(canvas.At(200, 100), row.background);
        EXPECT_EQ(canvas.At(300, 100), row.bandEdge); // the run's start, 320 s before the newest
        EXPECT_EQ(canvas.At(310, 100), row.bandInside);
        EXPECT_EQ(canvas.At(320, 100), row.bandEdge); // its end
        EXPECT_EQ(canvas.At(321, 100), row.background);
        EXPECT_EQ(canvas.At(100, RowFor(250)), row.lowerLimit);
        EXPECT_EQ(canvas.At(21, RowFor(500)), row.freeTo);
        EXPECT_EQ(canvas.At(620, RowFor(700)), row.freeLine);
        EXPECT_EQ(canvas.At(20, RowFor(700)), row.freeLine);
        int outside = 0;
        for (int y = 0; y < Canvas::Height; ++y) {
            for (int x = 0; x < Canvas::Width; ++x) {
                POINT point = {x, y};
                outside += !PtInRect(&Plot, point) && canvas.At(x, y) != Canvas::Unused;
            }
        }
        EXPECT_EQ(outside, 0);
    }
}

TEST(HistoryGraph, TooltipNamesTheRunOrTheFreeMemoryUnderThePointer)
{
    KnownHistory();
    wchar_t text[TextSize];
    FormatGraphTip(Plot, POINT{310, 50}, text, TextSize);
    std::wstring run = text;
    EXPECT_NE(run.find(L", button: freed 100 MB in 20.0 s, free 600 MB before and 700 MB after (done)"),
              std::wstring::npos) << run;
    FormatGraphTip(Plot, POINT{100, 50}, text, TextSize);
    std::wstring sample = text;
    EXPECT_EQ(sample.substr(sample.size() - 13), L": 700 MB free") << sample;
    FormatGraphTip(Plot, POINT{5, 50}, text, TextSize);
    EXPECT_STREQ(text, L"");
}

static std::wstring Cell(HWND list, int row, int column)
{
    wchar_t text[CellSize] = L"";
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = CellSize;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

static std::wstring ClipboardText()
{
    std::wstring text;
    if (OpenClipboard(nullptr)) {
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        if (data) {
            text = static_cast<const wchar_t *>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    return text;
}

static std::wstring ShortTime(const SYSTEMTIME &time)
{
    wchar_t text[CellSize] = L"";
    GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, text, CellSize);
    return text;
}

using HistoryPageTest = MainWindowFixture;

// One run while the page is hidden, two while it is shown: the log lists all three, newest
// first, the line above it sums them up and Copy gives the same rows.
TEST_F(HistoryPageTest, LogSummaryAndCopyFollowTheRuns)
{
    ClearHistory();
    const SYSTEMTIME at = {2026, 12, 1, 7, 14, 2, 0, 0};
    FreeingRun runs[] = {
        {ButtonRun, RunDone, at, TickCount(), 1400, 1200ull * MB, 88ull * MB, 300ull * MB},
        {AutomaticRun, RunCancelled, at, TickCount(), 600, 1200ull * MB, 100ull * MB, 112ull * MB},
        {HotkeyRun, BlockRefused, at, TickCount(), 0, 1200ull * MB, 100ull * MB, 100ull * MB},
    };
    ReportRun(runs[0]);
    ShowWindow(window, SW_SHOW);
    SelectPage(HistoryPage);
    ASSERT_TRUE(IsWindowVisible(HistoryPage));
    ReportRun(runs[1]);
    ReportRun(runs[2]);
    RefreshTick();

    HWND list = GetDlgItem(HistoryPage, IDC_HISTORY_LOG);
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
    const wchar_t *expected[][RunColumns - 1] = {
        {L"hot-key", L"0 MB", L"0.0 s", L"100 MB", L"100 MB", L"refused"},
        {L"automatic", L"12 MB", L"0.6 s", L"100 MB", L"112 MB", L"cancelled"},
        {L"button", L"212 MB", L"1.4 s", L"88 MB", L"300 MB", L"done"},
    };
    std::wstring copied = L"Time\tAsked by\tFreed\tDuration\tFree before\tFree after\tEnding\r\n";
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Cell(list, row, 0), ShortTime(at));
        copied += ShortTime(at);
        for (int column = 1; column < RunColumns; ++column) {
            EXPECT_EQ(Cell(list, row, column), expected[row][column - 1]) << row << ", " << column;
            copied += std::wstring(L"\t") + expected[row][column - 1];
        }
        copied += L"\r\n";
    }
    EXPECT_EQ(ItemText(HistoryPage, IDC_HISTORY_SUMMARY),
              "3 runs freed 74 MB on average; free memory then stayed at or above the lower limit for 0 s on average.");

    Click(HistoryPage, IDC_HISTORY_COPY);
    EXPECT_EQ(ClipboardText(), copied);
}

TEST_F(HistoryPageTest, TheSpanChoiceIsTheSetting)
{
    HWND combo = GetDlgItem(HistoryPage, IDC_HISTORY_SPAN);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
    SendMessageW(combo, CB_SETCURSEL, EightHours, 0);
    SendMessageW(HistoryPage, WM_COMMAND, MAKEWPARAM(IDC_HISTORY_SPAN, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    EXPECT_EQ(Settings.HistorySpan, static_cast<DWORD>(EightHours));
}
