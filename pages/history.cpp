// The History page: the span to show, the graph of free memory and the runs, what the runs in
// the span did on average, and the runs' log with its Copy button.
#include "pages/history.h"
#include "base/handles.h"
#include "base/language.h"
#include "base/memstatus.h"
#include "base/platform.h"
#include "engine/history.h"
#include "res/resource.h"
#include "settings/settings.h"
#include <commctrl.h>
#include <algorithm>
#include <cwchar>

static_assert(RunLogTextSize >= (LoggedRuns + 1) * (RunColumns * CellSize + 1) + 1, "the log's text fits");

const int NumberSize = 48;
const ULONGLONG MillisecondsPerSecond = 1000;
const ULONGLONG MillisecondsPerMinute = 60000;
const ULONGLONG FileTimeStepsPerMillisecond = 10000; // FILETIME counts 100 ns

static const UINT SpanTexts[HistorySpanCount] = {IDS_HISTORY_10_MINUTES, IDS_HISTORY_1_HOUR, IDS_HISTORY_8_HOURS};
static const UINT ColumnTitles[RunColumns] = {IDS_HISTORY_COL_TIME, IDS_HISTORY_COL_SOURCE, IDS_HISTORY_COL_FREED,
                                              IDS_HISTORY_COL_DURATION, IDS_HISTORY_COL_BEFORE,
                                              IDS_HISTORY_COL_AFTER, IDS_HISTORY_COL_ENDING};
// By FreeingSource and by FreeingEnding.
static const UINT SourceTexts[] = {IDS_SOURCE_BUTTON, IDS_SOURCE_HOTKEY, IDS_SOURCE_TRAY_MENU,
                                   IDS_SOURCE_STARTUP, IDS_SOURCE_AUTOMATIC, IDS_SOURCE_COMMAND_LINE};
static const UINT EndingTexts[] = {IDS_HISTORY_DONE, IDS_HISTORY_CANCELLED, IDS_HISTORY_REFUSED};

static void FormatMegabyteText(ByteCount bytes, wchar_t *text, int size)
{
    wchar_t number[NumberSize];
    FormatDecimal(number, NumberSize, static_cast<double>(bytes >> 20), 0);
    FormatText(text, size, IDS_MEGABYTES, {number});
}

// Under a minute in seconds, otherwise in whole minutes.
static void FormatHeldText(ULONGLONG milliseconds, wchar_t *text, int size)
{
    wchar_t number[NumberSize];
    bool minutes = milliseconds >= MillisecondsPerMinute;
    ULONGLONG whole = milliseconds / (minutes ? MillisecondsPerMinute : MillisecondsPerSecond);
    FormatDecimal(number, NumberSize, static_cast<double>(whole), 0);
    FormatText(text, size, minutes ? IDS_HISTORY_MINUTES : IDS_HISTORY_SECONDS, {number});
}

// The local time that was at that TickCount.
static SYSTEMTIME LocalTimeOfTick(ULONGLONG at)
{
    SYSTEMTIME now;
    LocalTime(&now);
    ULONGLONG tick = TickCount();
    FILETIME file;
    SystemTimeToFileTime(&now, &file);
    ULARGE_INTEGER steps;
    steps.LowPart = file.dwLowDateTime;
    steps.HighPart = file.dwHighDateTime;
    steps.QuadPart -= (tick > at ? tick - at : 0) * FileTimeStepsPerMillisecond;
    file.dwLowDateTime = steps.LowPart;
    file.dwHighDateTime = steps.HighPart;
    SYSTEMTIME then;
    FileTimeToSystemTime(&file, &then);
    return then;
}

void FormatRunCells(const FreeingRun &run, wchar_t cells[RunColumns][CellSize])
{
    if (GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &run.StartedAt, nullptr, cells[0], CellSize) == 0) {
        cells[0][0] = L'\0';
    }
    LoadText(SourceTexts[run.Source], cells[1], CellSize);
    FormatMegabyteText(FreedBy(run), cells[2], CellSize);
    wchar_t seconds[NumberSize];
    FormatDecimal(seconds, NumberSize, static_cast<double>(run.Milliseconds) / MillisecondsPerSecond, 1);
    FormatText(cells[3], CellSize, IDS_HISTORY_SECONDS, {seconds});
    FormatMegabyteText(run.FreeBefore, cells[4], CellSize);
    FormatMegabyteText(run.FreeAfter, cells[5], CellSize);
    LoadText(EndingTexts[run.Ending], cells[6], CellSize);
}

void FormatRunTip(const FreeingRun &run, wchar_t *text, int size)
{
    wchar_t cells[RunColumns][CellSize];
    FormatRunCells(run, cells);
    FormatText(text, size, IDS_HISTORY_RUN_TIP, {cells[0], cells[1], cells[2], cells[3], cells[4], cells[5], cells[6]});
}

void FormatSampleTip(ULONGLONG at, ByteCount free, wchar_t *text, int size)
{
    SYSTEMTIME then = LocalTimeOfTick(at);
    wchar_t time[CellSize];
    if (GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &then, nullptr, time, CellSize) == 0) {
        time[0] = L'\0';
    }
    wchar_t megabytes[CellSize];
    FormatMegabyteText(free, megabytes, CellSize);
    FormatText(text, size, IDS_HISTORY_SAMPLE_TIP, {time, megabytes});
}

void FormatRunSummary(wchar_t *text, int size)
{
    RunSummary summary = SummarizeRuns(static_cast<HistorySpanChoice>(Settings.HistorySpan), Settings.MinLimit);
    if (summary.Runs == 0) {
        LoadText(IDS_HISTORY_NO_RUN, text, size);
        return;
    }
    wchar_t runs[NumberSize];
    FormatDecimal(runs, NumberSize, summary.Runs, 0);
    wchar_t freed[CellSize];
    FormatMegabyteText(summary.AverageFreed, freed, CellSize);
    wchar_t held[CellSize];
    FormatHeldText(summary.AverageHeld, held, CellSize);
    if (summary.Runs == 1) {
        FormatText(text, size, IDS_HISTORY_ONE_RUN, {freed, held});
    } else {
        FormatText(text, size, IDS_HISTORY_RUNS, {runs, freed, held});
    }
}

// Appends as much of part as fits, always leaving room for the terminator.
static void Append(wchar_t *text, int size, int *length, const wchar_t *part)
{
    for (; *part != L'\0' && *length < size - 1; ++part) {
        text[(*length)++] = *part;
    }
    text[*length] = L'\0';
}

static void AppendLine(wchar_t *text, int size, int *length, wchar_t cells[RunColumns][CellSize])
{
    for (int column = 0; column < RunColumns; ++column) {
        Append(text, size, length, cells[column]);
        Append(text, size, length, column + 1 < RunColumns ? L"\t" : L"\r\n");
    }
}

int FormatRunLog(wchar_t *text, int size)
{
    if (size <= 0) {
        return 0;
    }
    int length = 0;
    text[0] = L'\0';
    wchar_t cells[RunColumns][CellSize];
    for (int column = 0; column < RunColumns; ++column) {
        LoadText(ColumnTitles[column], cells[column], CellSize);
    }
    AppendLine(text, size, &length, cells);
    for (DWORD age = 0; age < LoggedRunCount; ++age) {
        FormatRunCells(LoggedRun(age), cells);
        AppendLine(text, size, &length, cells);
    }
    return length;
}

static void CopyRunLog(HWND page)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, RunLogTextSize * sizeof(wchar_t));
    if (!memory) {
        return;
    }
    FormatRunLog(static_cast<wchar_t *>(GlobalLock(memory)), RunLogTextSize);
    GlobalUnlock(memory);
    if (!OpenClipboard(page)) {
        GlobalFree(memory);
        return;
    }
    EmptyClipboard();
    // Once set, the clipboard owns the memory.
    if (!SetClipboardData(CF_UNICODETEXT, memory)) {
        GlobalFree(memory);
    }
    CloseClipboard();
}

// Runs that ended while the page was hidden, or the main window was.
static bool LogBehind;

static int TextWidth(HWND list, const wchar_t *text)
{
    return static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text)));
}

// Each column as wide as its title or its widest cell, in the list's font and so at every DPI:
// a cut time or figure tells nothing, and the list scrolls sideways where the page is narrower.
static void FitLogColumns(HWND list)
{
    int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    int margin = TextWidth(list, L"MM");
    for (int column = 0; column < RunColumns; ++column) {
        wchar_t text[TextSize] = L"";
        LVCOLUMNW title = {};
        title.mask = LVCF_TEXT;
        title.pszText = text;
        title.cchTextMax = TextSize;
        SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&title));
        int width = TextWidth(list, text);
        for (int row = 0; row < rows; ++row) {
            LVITEMW cell = {};
            cell.iSubItem = column;
            cell.pszText = text;
            cell.cchTextMax = TextSize;
            SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&cell));
            width = std::max(width, TextWidth(list, text));
        }
        SendMessageW(list, LVM_SETCOLUMNWIDTH, column, width + margin);
    }
}

static void FillRunLog(HWND page)
{
    HWND list = GetDlgItem(page, IDC_HISTORY_LOG);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    wchar_t cells[RunColumns][CellSize];
    for (DWORD age = 0; age < LoggedRunCount; ++age) {
        FormatRunCells(LoggedRun(age), cells);
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(age);
        item.pszText = cells[0];
        int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        for (int column = 1; column < RunColumns; ++column) {
            item.iSubItem = column;
            item.pszText = cells[column];
            SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        }
    }
    FitLogColumns(list);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    LogBehind = false;
}

static void ShowSummary(HWND page)
{
    wchar_t text[TextSize];
    FormatRunSummary(text, TextSize);
    SetDlgItemTextW(page, IDC_HISTORY_SUMMARY, text);
}

static bool PageShown()
{
    return HistoryPage != nullptr && IsWindowVisible(HistoryPage);
}

void ShowNewSample()
{
    if (PageShown()) {
        if (LogBehind) {
            FillRunLog(HistoryPage);
        }
        ShowSummary(HistoryPage);
        InvalidateRect(GetDlgItem(HistoryPage, IDC_HISTORY_GRAPH), nullptr, FALSE);
    }
}

void ShowNewRun()
{
    LogBehind = true;
    ShowNewSample();
}

static void FillSpanChoices(HWND page)
{
    HWND combo = GetDlgItem(page, IDC_HISTORY_SPAN);
    for (UINT id : SpanTexts) {
        wchar_t text[TextSize];
        LoadText(id, text, TextSize);
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendMessageW(combo, CB_SETCURSEL, Settings.HistorySpan, 0);
}

static void AddLogColumns(HWND page)
{
    HWND list = GetDlgItem(page, IDC_HISTORY_LOG);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP,
                 LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    for (int column = 0; column < RunColumns; ++column) {
        wchar_t title[TextSize];
        LoadText(ColumnTitles[column], title, TextSize);
        LVCOLUMNW item = {};
        item.mask = LVCF_TEXT | LVCF_SUBITEM;
        item.pszText = title;
        item.iSubItem = column;
        SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&item));
    }
    FitLogColumns(list);
}

static void OnInitDialog(HWND page)
{
    HistoryPage = page;
    FillSpanChoices(page);
    AddLogColumns(page);
}

static void OnSpanChange(HWND page)
{
    LRESULT chosen = SendDlgItemMessageW(page, IDC_HISTORY_SPAN, CB_GETCURSEL, 0, 0);
    if (chosen >= 0 && chosen < static_cast<LRESULT>(HistorySpanCount)) {
        Settings.HistorySpan = static_cast<DWORD>(chosen);
        ShowNewSample();
    }
}

static void OnCommand(HWND page, int id, UINT code)
{
    if (id == IDC_HISTORY_SPAN && code == CBN_SELCHANGE) {
        OnSpanChange(page);
    } else if (id == IDC_HISTORY_COPY && code == BN_CLICKED) {
        CopyRunLog(page);
    }
}

// Shown again after being hidden, the page catches up with the ticks and runs it missed.
static void OnShowWindow(HWND page, BOOL shown)
{
    if (shown) {
        HistoryPage = page;
        FillRunLog(page);
        ShowSummary(page);
    }
}

INT_PTR CALLBACK HistoryPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        TranslateDialog(page, IDD_HISTORY);
        OnInitDialog(page);
        return TRUE;
    case WM_SHOWWINDOW:
        OnShowWindow(page, static_cast<BOOL>(wParam));
        return FALSE;
    case WM_COMMAND:
        if (lParam != 0) {
            OnCommand(page, LOWORD(wParam), HIWORD(wParam));
        }
        return FALSE;
    }
    return FALSE;
}
