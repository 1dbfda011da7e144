// The last freeing run, kept on the UI thread, and how the program tells of it: a notice from
// the tray icon, a line on the Optimization page and a line in the tooltip.
#include "shell/lastrun.h"
#include "base/handles.h"
#include "base/language.h"
#include "base/memstatus.h"
#include "base/platform.h"
#include "engine/history.h"
#include "pages/history.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/tray.h"

FreeingRun LastRun;
DWORD LastRunKnown;

const int LineSize = 128;
const int ClockSize = 32;
const int FigureSize = 32;
const ULONGLONG MillisecondsPerMinute = 60000;
const ULONGLONG FileTimeStepsPerMillisecond = 10000; // FILETIME counts 100 ns

static void FormatWholeMegabytes(wchar_t *text, int size, ByteCount bytes)
{
    FormatDecimal(text, size, static_cast<double>(bytes >> 20), 0);
}

static void FormatSeconds(wchar_t *text, int size, ULONGLONG milliseconds)
{
    FormatDecimal(text, size, static_cast<double>(milliseconds) / 1000.0, 1);
}

// The locale's short time: hours and minutes in the user's form.
static void FormatClock(wchar_t *text, int size, const SYSTEMTIME &time)
{
    if (GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, text, size) == 0 && size > 0) {
        text[0] = L'\0';
    }
}

// The source's short name in the texts that tell of a run: "hot-key", "automatic", ...
// The source names follow FreeingSource, one text each.
static_assert(IDS_SOURCE_COMMAND_LINE - IDS_SOURCE_BUTTON + 1 == SourceCount, "one name per FreeingSource");

static void LoadSourceName(wchar_t *text, int size, FreeingSource source)
{
    LoadText(IDS_SOURCE_BUTTON + source, text, size);
}

// The local time that many milliseconds from now, rounded up to the minute, so that freeing
// never waits past the time named. FILETIME's minutes begin at its epoch, a midnight.
static void FormatClockIn(wchar_t *text, int size, ULONGLONG milliseconds)
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

static void FormatLastRun(wchar_t *text, int size, const FreeingRun &run)
{
    wchar_t started[ClockSize];
    FormatClock(started, ClockSize, run.StartedAt);
    wchar_t source[TextSize];
    LoadSourceName(source, TextSize, run.Source);
    wchar_t amount[FigureSize];
    FormatWholeMegabytes(amount, FigureSize, run.Ending == BlockRefused ? run.Block : FreedBy(run));
    static const UINT LineOfEnding[] = {IDS_RUN_DONE, IDS_RUN_CANCELLED, IDS_RUN_REFUSED};
    FormatText(text, size, LineOfEnding[run.Ending], {started, amount, source});
}

// A notice of a run the user did not ask for says where it came from.
static void FormatNotice(wchar_t *text, int size, const FreeingRun &run)
{
    wchar_t source[TextSize];
    LoadSourceName(source, TextSize, run.Source);
    wchar_t freed[FigureSize];
    wchar_t seconds[FigureSize];
    wchar_t freeNow[FigureSize];
    FormatWholeMegabytes(freed, FigureSize, FreedBy(run));
    FormatSeconds(seconds, FigureSize, run.Milliseconds);
    FormatWholeMegabytes(freeNow, FigureSize, run.FreeAfter);
    bool cancelled = run.Ending == RunCancelled;
    UINT id = AskedForByUser(run.Source) ? (cancelled ? IDS_NOTICE_CANCELLED : IDS_NOTICE_DONE)
                                         : (cancelled ? IDS_NOTICE_CANCELLED_FROM : IDS_NOTICE_DONE_FROM);
    FormatText(text, size, id, {freed, seconds, freeNow, source});
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
    wchar_t line[LineSize];
    FormatLastRun(line, LineSize, run);
    SetDlgItemTextW(OptimizationPage, IDC_OPT_LAST_RUN, line);
    if (NoticeWanted(run)) {
        wchar_t title[TextSize];
        LoadText(IDS_NOTICE_TITLE, title, TextSize);
        wchar_t text[sizeof TrayIconData.szInfo / sizeof TrayIconData.szInfo[0]];
        FormatNotice(text, sizeof text / sizeof text[0], run);
        ShowTrayNotice(title, text);
    }
}

void FormatStatusLine(wchar_t *text, int size, ULONGLONG waitLeft)
{
    if (waitLeft != 0) {
        wchar_t until[ClockSize];
        FormatClockIn(until, ClockSize, waitLeft);
        FormatText(text, size, IDS_RUN_WAITS, {until});
    } else if (LastRunKnown) {
        FormatLastRun(text, size, LastRun);
    } else if (size > 0) {
        text[0] = L'\0';
    }
}
