// The refresh tick: every display of memory and of the worker, and automatic freeing.
#include "shell/tick.h"
#include "base/handles.h"
#include "base/language.h"
#include "base/memstatus.h"
#include "base/platform.h"
#include "engine/sampler.h"
#include "engine/history.h"
#include "engine/worker.h"
#include "pages/about.h"
#include "pages/history.h"
#include "pages/refusal.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/handover.h"
#include "shell/lastrun.h"
#include "shell/startup.h"
#include "shell/tray.h"
#include "shell/traypicture.h"
#include <commctrl.h>
#include <cwchar>

DWORD BusyIconShown;
ULONGLONG AutoFreeGapEnds;
ULONGLONG AutoFreePausedUntil;
ULONGLONG NextAutoFreePause = FirstAutoFreePause;

// The settings a pause began under; a change of any of them ends it.
struct AutoFreeChoice {
    DWORD AutoFree;
    ByteCount MinLimit;
    ByteCount FreeTo;
};
static AutoFreeChoice PausedUnder;

// Single precision on purpose: just above one tenth, so a per-mille value ending in 5
// gives a percentage just above .5 and rounds up (995 shows as 100).
const float PercentPerMille = 0.1f;

static void ShowFreeMemory(ByteCount free, ByteCount total)
{
    SendDlgItemMessageW(MainWindow, IDC_MAIN_FREE_BAR, PBM_SETRANGE32, 0, UnitsOf(total));
    SendDlgItemMessageW(MainWindow, IDC_MAIN_FREE_BAR, PBM_SETPOS, UnitsOf(free), 0);
}

static void ShowButtonState(ByteCount free, bool idle)
{
    EnableWindow(GetDlgItem(OptimizationPage, IDC_OPT_FREE_BUTTON), idle ? TRUE : FALSE);
    wchar_t text[TextSize];
    if (idle) {
        FormatFreeUpOffer(text, TextSize, IDS_OPT_FREE_UP, Settings.ManualFree, free);
    } else {
        double percent = static_cast<double>(FreeingProgress.load()) * PercentPerMille;
        wchar_t figure[TextSize];
        FormatDecimal(figure, TextSize, percent, 0);
        FormatText(text, TextSize, IDS_OPT_FREEING, {figure});
    }
    SendDlgItemMessageW(OptimizationPage, IDC_OPT_FREE_BUTTON, WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(text));
}

static void ShowProgress()
{
    DWORD progress = FreeingProgress.load();
    if (progress != 0) {
        SendDlgItemMessageW(OptimizationPage, IDC_OPT_PROGRESS, PBM_SETRANGE, 0,
                            MAKELPARAM(0, ProgressScale));
    }
    SendDlgItemMessageW(OptimizationPage, IDC_OPT_PROGRESS, PBM_SETPOS, progress, 0);
}

static void ShowFreeText(ByteCount free)
{
    wchar_t text[TextSize];
    FormatMegabytes(text, TextSize, free);
    SendDlgItemMessageW(MainWindow, IDC_MAIN_FREE_TEXT, WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(text));
}

// Picks the tray picture; true when the tray must be told even if the tip is unchanged. A
// new picture is always told: another state or figure, or one drawn for another DPI.
static bool ChooseTrayIcon(ByteCount free, bool idle)
{
    bool forced;
    TrayState state;
    if (!idle && Settings.BusyIcon != 0) {
        state = TrayBusy;
        forced = BusyIconShown == 0;
        BusyIconShown = 1;
    } else {
        state = free < Settings.MinLimit ? TrayLow : TrayNormal;
        forced = Settings.TrayFigure == 0;
        BusyIconShown = 0;
    }
    static const int ChipOfState[] = {IDI_NORMAL, IDI_LOW, IDI_BUSY};
    HICON icon;
    if (Settings.TrayFigure != 0) {
        icon = FigurePicture(free, state);
    } else {
        icon = ChipPicture(ChipOfState[state]);
        ReleaseFigurePicture();
    }
    forced = forced || icon != TrayIconData.hIcon;
    TrayIconData.hIcon = icon;
    return forced;
}

static void UpdateTray(const wchar_t *tip, bool forced)
{
    const int tipSize = sizeof TrayIconData.szTip / sizeof TrayIconData.szTip[0];
    bool changed = wcsncmp(TrayIconData.szTip, tip, tipSize) != 0;
    if (changed || forced || !TrayIconAdded) {
        ZeroMemory(TrayIconData.szTip, sizeof TrayIconData.szTip);
        lstrcpynW(TrayIconData.szTip, tip, tipSize);
        SendTrayIcon();
    }
}

static AutoFreeChoice CurrentChoice()
{
    return {Settings.AutoFree, Settings.MinLimit, Settings.FreeTo};
}

static void EndAutoFreePause()
{
    AutoFreePausedUntil = 0;
    NextAutoFreePause = FirstAutoFreePause;
}

// What a finished run means for automatic freeing.
static void NoteRunForAutoFree(const FreeingRun &run)
{
    bool lifted = run.FreeAfter >= Settings.MinLimit;
    if (lifted) {
        EndAutoFreePause();
    }
    if (run.Source != AutomaticRun) {
        return;
    }
    AutoFreeGapEnds = run.EndedAt + AutoFreeGap;
    if (!lifted) {
        AutoFreePausedUntil = run.EndedAt + NextAutoFreePause;
        NextAutoFreePause = NextAutoFreePause * 2 < LongestAutoFreePause ? NextAutoFreePause * 2
                                                                          : LongestAutoFreePause;
        PausedUnder = CurrentChoice();
    }
}

static void EndPauseOnNewChoice()
{
    AutoFreeChoice now = CurrentChoice();
    if (now.AutoFree != PausedUnder.AutoFree || now.MinLimit != PausedUnder.MinLimit ||
        now.FreeTo != PausedUnder.FreeTo) {
        EndAutoFreePause();
        PausedUnder = now;
    }
}

// Milliseconds until automatic freeing may start a run again; 0 when it may now.
static ULONGLONG AutoFreeWaitLeft()
{
    ULONGLONG now = TickCount();
    ULONGLONG until = AutoFreeGapEnds > AutoFreePausedUntil ? AutoFreeGapEnds : AutoFreePausedUntil;
    return until > now ? until - now : 0;
}

// The block of the last refused run whose box is still to show; 0 when none is.
static ByteCount RefusedBlockToShow;

void TakeEndedRuns()
{
    // Idle first: a job that has ended left its record before the worker went idle.
    bool idle = IsWorkerIdle();
    FreeingRun run;
    while (TakeFinishedRun(&run)) {
        AnswerCommandLineRun(run);
        NoteRunForAutoFree(run);
        ReportRun(run);
        if (run.Ending == BlockRefused && BoxTellsOfRefusal(run.Source)) {
            RefusedBlockToShow = run.Block;
        }
    }
    if (idle) {
        AnswerIdleCommandLineRun();
    }
}

void ShowRefusalOfEndedRun()
{
    ByteCount block = RefusedBlockToShow;
    RefusedBlockToShow = 0;
    if (block != 0) {
        ShowCommitRefusal(block);
    }
}

void RefreshTick()
{
    TakeEndedRuns();
    EndPauseOnNewChoice();

    DWORD count;
    DWORD index;
    MemoryStatus *ring = LockSamples(&count, &index);
    ByteCount free = ring[index].AvailPhys;
    ByteCount total = ring[index].TotalPhys;
    RecordSample(TickCount(), free);

    ShowFreeMemory(free, total);
    bool idle = IsWorkerIdle();
    ShowButtonState(free, idle);
    ShowProgress();
    ShowFreeText(free);

    // AutoFree is the disable flag: 0 means automatic freeing is on. A request made while
    // the worker is busy is dropped.
    bool wanted = Settings.AutoFree == 0 && free < Settings.MinLimit;
    ULONGLONG waitLeft = wanted ? AutoFreeWaitLeft() : 0;
    if (wanted && waitLeft == 0) {
        RequestFreeing(Settings.FreeTo, AutomaticAttempts, AutomaticRun);
    }

    const int tipSize = sizeof TrayIconData.szTip / sizeof TrayIconData.szTip[0];
    wchar_t status[tipSize];
    FormatStatusLine(status, tipSize, waitLeft);
    wchar_t figure[tipSize];
    FormatDecimal(figure, tipSize, static_cast<double>(free >> 20), 0);
    wchar_t tip[tipSize];
    FormatText(tip, tipSize, status[0] ? IDS_TIP_STATUS : IDS_TIP, {ProductName, figure, status});
    UnlockSamples();

    idle = IsWorkerIdle();
    bool forced = ChooseTrayIcon(free, idle);
    UpdateTray(tip, forced);
    ShowNewSample();

    // Last, outside the sample lock: the box runs its own message loop, in which later ticks go on.
    ShowRefusalOfEndedRun();
}
