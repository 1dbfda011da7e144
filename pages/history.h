// The History page: the span to show, the graph of free memory and the runs, what the runs in
// the span did on average, and the runs' log with its Copy button.
#pragma once
#include <windows.h>
#include "engine/worker.h"

INT_PTR CALLBACK HistoryPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// After each tick and each run: while the page is shown it follows them; hidden, it does
// nothing and catches up when shown.
void ShowNewSample();
void ShowNewRun();

// The log's columns: time, who asked, freed, duration, free before, free after, ending.
const int RunColumns = 7;
const int CellSize = 64;
void FormatRunCells(const FreeingRun &run, wchar_t cells[RunColumns][CellSize]);

// What the graph's tooltip says over a run, and over free memory at a time (a TickCount).
void FormatRunTip(const FreeingRun &run, wchar_t *text, int size);
void FormatSampleTip(ULONGLONG at, ByteCount free, wchar_t *text, int size);

// The line above the log: the runs in the shown span and what they did on average.
void FormatRunSummary(wchar_t *text, int size);

// The log as tab-separated text, a header line first, each line ending in CR LF; returns the
// length written, which never reaches size.
int FormatRunLog(wchar_t *text, int size);
// The whole log's text fits in this many characters.
const int RunLogTextSize = (50 + 1) * (RunColumns * CellSize + 1) + 1;
