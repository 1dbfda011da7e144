// The refresh tick: every display of memory and of the worker, and automatic freeing.
#include "shell/tick.h"
#include "base/handles.h"
#include "base/memstatus.h"
#include "base/platform.h"
#include "engine/sampler.h"
#include "engine/history.h"
#include "engine/worker.h"
#include "pages/about.h"
#include "pages/history.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/cmdline.h"
#include "shell/lastrun.h"
#include "shell/startup.h"
#include "shell/tray.h"
#include "shell/traypicture.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>

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
    SendDlgItemMessageA(MainWindow, IDC_MAIN_FREE_BAR, PBM_SETRANGE32, 0, UnitsOf(total));
    SendDlgItemMessageA(MainWindow, IDC_MAIN_FREE_BAR, PBM_SETPOS, UnitsOf(free), 0);
}

static void ShowButtonState(ByteCount free, bool idle)
{
    EnableWindow(GetDlgItem(OptimizationPage, IDC_OPT_FREE_BUTTON), idle ? TRUE : FALSE);
    char text[64];
    if (idle) {
        FormatFreeUpOffer(text, sizeof text, FreeUpButtonFormat, Settings.ManualFree, free);
    } else {
        double percent = static_cast<double>(FreeingProgress.load()) * PercentPerMille;
        snprintf(text, sizeof text, "Freeing (%.0f%% done)", percent);
    }
    SendDlgItemMessageA(OptimizationPage, IDC_OPT_FREE_BUTTON, WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(text));
}

static void ShowProgress()
{
    DWORD progress = FreeingProgress.load();
    if (progress != 0) {
        SendDlgItemMessageA(OptimizationPage, IDC_OPT_PROGRESS, PBM_SETRANGE, 0,
                            MAKELPARAM(0, ProgressScale));
    }
    SendDlgItemMessageA(OptimizationPage, IDC_OPT_PROGRESS, PBM_SETPOS, progress, 0);
}

static void ShowFreeText(ByteCount free)
{
    char text[64];
    FormatMegabytes(text, sizeof text, free);
    SendDlgItemMessageA(MainWindow, IDC_MAIN_FREE_TEXT, WM_SETTEXT, 0,
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
    HICON icon = Settings.TrayFigure != 0 ? FigurePicture(free, state) : ChipPicture(ChipOfState[state]);
    forced = forced || icon != TrayIconData.hIcon;
    TrayIconData.hIcon = icon;
    return forced;
}

static void UpdateTray(const char *tip, bool forced)
{
    bool changed = strncmp(TrayIconData.szTip, tip, sizeof TrayIconData.szTip) != 0;
    if (changed || forced || !TrayIconAdded) {
        ZeroMemory(TrayIconData.szTip, sizeof TrayIconData.szTip);
        snprintf(TrayIconData.szTip, sizeof TrayIconData.szTip, "%s", tip);
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

void RefreshTick()
{
    // Idle first: a job that has ended left its record before the worker went idle.
    bool idleBefore = RequestFreeing(0, 0) != 0;
    FreeingRun run = {};
    bool ended = TakeFinishedRun(&run);
    AnswerCommandLineRun(idleBefore, ended ? &run : nullptr);
    if (ended) {
        NoteRunForAutoFree(run);
        ReportRun(run);
    }
    EndPauseOnNewChoice();

    DWORD count;
    DWORD index;
    MemoryStatus *ring = LockSamples(&count, &index);
    ByteCount free = ring[index].AvailPhys;
    ByteCount total = ring[index].TotalPhys;
    RecordSample(TickCount(), free);

    ShowFreeMemory(free, total);
    bool idle = RequestFreeing(0, 0) != 0;
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

    char status[sizeof TrayIconData.szTip];
    FormatStatusLine(status, sizeof status, waitLeft);
    char tip[sizeof TrayIconData.szTip];
    snprintf(tip, sizeof tip, "%s * Free physical: %i MB%s%s", ProductName, static_cast<int>(free >> 20),
             status[0] ? "\n" : "", status);
    UnlockSamples();

    idle = RequestFreeing(0, 0) != 0;
    bool forced = ChooseTrayIcon(free, idle);
    UpdateTray(tip, forced);
    ShowNewSample();

    // Last, outside the sample lock: the box runs its own message loop, in which later ticks go on.
    if (ended && run.Ending == BlockRefused && AskedForByUser(run.Source)) {
        ShowCommitRefusal(run.Block);
    }
}
