// The refresh tick: every display of memory and of the worker, and automatic freeing.
#include "shell/tick.h"
#include "base/handles.h"
#include "base/memstatus.h"
#include "base/platform.h"
#include "engine/sampler.h"
#include "engine/worker.h"
#include "pages/about.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/startup.h"
#include "shell/tray.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>

DWORD BusyIconShown;
ULONGLONG AutoFreePausedUntil;
ULONGLONG NextAutoFreePause = FirstAutoFreePause;

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

// Picks the tray picture; true when the tray must be told even if the tip is unchanged.
static bool ChooseTrayIcon(ByteCount free, bool idle)
{
    bool forced;
    int icon;
    if (!idle && Settings.BusyIcon != 0) {
        icon = IDI_BUSY;
        forced = BusyIconShown == 0;
        BusyIconShown = 1;
    } else {
        icon = free < Settings.MinLimit ? IDI_LOW : IDI_NORMAL;
        forced = true;
        BusyIconShown = 0;
    }
    TrayIconData.hIcon = LoadIconA(AppInstance, MAKEINTRESOURCEA(icon));
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

static bool AutoFreePaused()
{
    return AutoFreePausedUntil != 0 && TickCount() < AutoFreePausedUntil;
}

// What the last job that tried to commit tells: a refused automatic run pauses automatic
// freeing, each further one twice as long, while a committed block shows that memory can be
// had again. Returns the target of a manual run whose block was refused, else 0.
static ByteCount TakeOutcome()
{
    FreeingOutcome outcome;
    if (!TakeFreeingOutcome(&outcome)) {
        return 0;
    }
    if (outcome.Result == BlockCommitted) {
        AutoFreePausedUntil = 0;
        NextAutoFreePause = FirstAutoFreePause;
        return 0;
    }
    if (outcome.Source == AutomaticRun) {
        AutoFreePausedUntil = TickCount() + NextAutoFreePause;
        NextAutoFreePause = NextAutoFreePause * 2 < LongestAutoFreePause ? NextAutoFreePause * 2
                                                                          : LongestAutoFreePause;
    }
    return outcome.Source == ManualRun ? outcome.Target : 0;
}

void RefreshTick()
{
    ByteCount refusedTarget = TakeOutcome();

    DWORD count;
    DWORD index;
    MemoryStatus *ring = LockSamples(&count, &index);
    ByteCount free = ring[index].AvailPhys;
    ByteCount total = ring[index].TotalPhys;

    ShowFreeMemory(free, total);
    bool idle = RequestFreeing(0, 0) != 0;
    ShowButtonState(free, idle);
    ShowProgress();
    ShowFreeText(free);

    // AutoFree is the disable flag: 0 means automatic freeing is on. A request made while
    // the worker is busy is dropped, so every idle tick below the limit starts a new job.
    if (Settings.AutoFree == 0 && free < Settings.MinLimit && !AutoFreePaused()) {
        RequestFreeing(Settings.FreeTo, AutomaticAttempts, AutomaticRun);
    }

    char tip[64];
    snprintf(tip, sizeof tip, "%s * Free physical: %i MB", ProductName, static_cast<int>(free >> 20));
    UnlockSamples();

    idle = RequestFreeing(0, 0) != 0;
    bool forced = ChooseTrayIcon(free, idle);
    UpdateTray(tip, forced);

    // Last, outside the sample lock: the box runs its own message loop, in which later ticks go on.
    if (refusedTarget != 0) {
        ShowCommitRefusal(refusedTarget);
    }
}
