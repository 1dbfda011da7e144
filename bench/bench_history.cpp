// Times a full redraw of the History page's graph at 192 DPI: a full history of each span (a
// sample a second for 8 hours, 50 runs), drawn into a fresh memory bitmap and copied out, as
// the page paints it. Prints the median and the slowest redraw of each span in milliseconds.
#include "engine/history.h"
#include "pages/historygraph.h"
#include "settings/settings.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

// The graph's 244 x 58 dialog units in the page's 8-point font at 192 DPI.
const int GraphWidth = 732;
const int GraphHeight = 189;
const ULONGLONG GiB = 1ull << 30;
const ULONGLONG Start = 1000000;
const ULONGLONG Hours8 = 28800000;

static void FillHistory()
{
    InstalledMemory.TotalPhys = 16 * GiB;
    Settings.MinLimit = 2 * GiB;
    Settings.FreeTo = 4 * GiB;
    for (ULONGLONG at = Start; at <= Start + Hours8; at += 1000) {
        RecordSample(at, (3 * GiB) + (at * 7919 % (6 * GiB)));
    }
    // Runs every few minutes over the last hours, the newest in the last ten minutes.
    for (int i = 50; i > 0; --i) {
        FreeingRun run = {};
        run.Source = static_cast<FreeingSource>(i % 6);
        run.Ending = static_cast<FreeingEnding>(i % 3);
        run.EndedAt = Start + Hours8 - static_cast<ULONGLONG>(i) * 150000 + 1000;
        run.Milliseconds = 2500;
        run.FreeBefore = GiB;
        run.FreeAfter = 5 * GiB;
        RecordRun(run);
    }
}

static double Milliseconds(const LARGE_INTEGER &from, const LARGE_INTEGER &to, const LARGE_INTEGER &frequency)
{
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

int main(int argc, char **argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 200;
    FillHistory();
    HDC screen = GetDC(nullptr);
    HDC window = CreateCompatibleDC(screen);
    HBITMAP windowBitmap = CreateCompatibleBitmap(screen, GraphWidth, GraphHeight);
    SelectObject(window, windowBitmap);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const char *const names[HistorySpanCount] = {"10 minutes", "1 hour", "8 hours"};
    for (DWORD span = 0; span < HistorySpanCount; ++span) {
        Settings.HistorySpan = span;
        std::vector<double> times;
        for (int i = 0; i < rounds; ++i) {
            LARGE_INTEGER from;
            LARGE_INTEGER to;
            QueryPerformanceCounter(&from);
            HDC memory = CreateCompatibleDC(window);
            HBITMAP bitmap = CreateCompatibleBitmap(screen, GraphWidth, GraphHeight);
            HGDIOBJ old = SelectObject(memory, bitmap);
            RECT area = {0, 0, GraphWidth, GraphHeight};
            DrawHistoryGraph(memory, area, false);
            BitBlt(window, 0, 0, GraphWidth, GraphHeight, memory, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteObject(bitmap);
            DeleteDC(memory);
            QueryPerformanceCounter(&to);
            times.push_back(Milliseconds(from, to, frequency));
        }
        std::sort(times.begin(), times.end());
        printf("%-10s median %.3f ms, slowest %.3f ms over %d redraws of %dx%d\n", names[span],
               times[times.size() / 2], times.back(), rounds, GraphWidth, GraphHeight);
    }
    DeleteDC(window);
    DeleteObject(windowBitmap);
    ReleaseDC(nullptr, screen);
    return 0;
}
