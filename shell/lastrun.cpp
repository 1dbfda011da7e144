// The last freeing run, kept on the UI thread, and how the program tells of it: a notice from
// the tray icon, a line on the Optimization page and a line in the tooltip.
#include "shell/lastrun.h"
#include "base/handles.h"
#include "base/platform.h"
#include "engine/history.h"
#include "pages/history.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/tray.h"
#include <cstdio>

FreeingRun LastRun;
DWORD LastRunKnown;

const char *const NoticeTitle = "Memory freed";
const size_t NoticeTextSize = 256; // the notice record's own limit
const size_t LineSize = 128;
const size_t ClockSize = 8;
const size_t SourceTextSize = 32;
const ULONGLONG MillisecondsPerMinute = 60000;
const ULONGLONG FileTimeStepsPerMillisecond = 10000; // FILETIME counts 100 ns

static unsigned long long WholeMegabytes(ByteCount bytes)
{
    return bytes >> 20;
}

static double Seconds(ULONGLONG milliseconds)
{
    return static_cast<double>(milliseconds) / 1000.0;
}

static void FormatClock(char *text, size_t size, const SYSTEMTIME &time)
{
    snprintf(text, size, "%02u:%02u", static_cast<unsigned>(time.wHour), static_cast<unsigned>(time.wMinute));
}

// The local time that many milliseconds from now, rounded up to the minute, so that freeing
// never waits past the time named. FILETIME's minutes begin at its epoch, a midnight.
static void FormatClockIn(char *text, size_t size, ULONGLONG milliseconds)
{
    SYSTEMTIME now;
    LocalTime(&now);
    FILETIME file;
    SystemTimeToFileTime(&now, &file);
    const ULONGLONG minute = MillisecondsPerMinute * FileTimeStepsPerMillisecond;
    ULARGE_INTEGER steps;
    steps.LowPart = file.dwLowDateTime;
    steps.HighPart = file.dwHighDateTime;
    steps.QuadPart += milliseconds * FileTimeStepsPerMillisecond + minute - 1;
    steps.QuadPart -= steps.QuadPart % minute;
    file.dwLowDateTime = steps.LowPart;
    file.dwHighDateTime = steps.HighPart;
    SYSTEMTIME then;
    FileTimeToSystemTime(&file, &then);
    FormatClock(text, size, then);
}

static void FormatLastRun(char *text, size_t size, const FreeingRun &run)
{
    char started[ClockSize];
    FormatClock(started, sizeof started, run.StartedAt);
    const char *source = SourceName(run.Source);
    switch (run.Ending) {
    case RunDone:
        snprintf(text, size, "Last run %s: freed %llu MB (%s)", started, WholeMegabytes(FreedBy(run)), source);
        break;
    case RunCancelled:
        snprintf(text, size, "Last run %s: cancelled, freed %llu MB (%s)", started, WholeMegabytes(FreedBy(run)),
                 source);
        break;
    case BlockRefused:
        snprintf(text, size, "Last run %s: block of %llu MB refused (%s)", started, WholeMegabytes(run.Block),
                 source);
        break;
    }
}

// A notice of a run the user did not ask for says where it came from.
static void FormatNotice(char *text, size_t size, const FreeingRun &run)
{
    char source[SourceTextSize] = "";
    if (!AskedForByUser(run.Source)) {
        snprintf(source, sizeof source, " (%s)", SourceName(run.Source));
    }
    unsigned long long freed = WholeMegabytes(FreedBy(run));
    unsigned long long freeNow = WholeMegabytes(run.FreeAfter);
    if (run.Ending == RunCancelled) {
        snprintf(text, size, "Cancelled after %.1f s%s; freed %llu MB. Free now: %llu MB.", Seconds(run.Milliseconds),
                 source, freed, freeNow);
    } else {
        snprintf(text, size, "Freed %llu MB in %.1f s%s. Free now: %llu MB.", freed, Seconds(run.Milliseconds),
                 source, freeNow);
    }
}

static bool NoticeWanted(const FreeingRun &run)
{
    if (run.Ending == BlockRefused) {
        return false;
    }
    return Settings.Notices == EveryRunNotices || (Settings.Notices == AskedRunNotices && AskedForByUser(run.Source));
}

void ReportRun(const FreeingRun &run)
{
    LastRun = run;
    LastRunKnown = 1;
    RecordRun(run);
    ShowNewRun();
    char line[LineSize];
    FormatLastRun(line, sizeof line, run);
    SetDlgItemTextA(OptimizationPage, IDC_OPT_LAST_RUN, line);
    if (NoticeWanted(run)) {
        char text[NoticeTextSize];
        FormatNotice(text, sizeof text, run);
        ShowTrayNotice(NoticeTitle, text);
    }
}

void FormatStatusLine(char *text, size_t size, ULONGLONG waitLeft)
{
    if (waitLeft != 0) {
        char until[ClockSize];
        FormatClockIn(until, sizeof until, waitLeft);
        snprintf(text, size, "Automatic freeing waits until %s", until);
    } else if (LastRunKnown) {
        FormatLastRun(text, size, LastRun);
    } else if (size > 0) {
        text[0] = '\0';
    }
}
