// The command set of the tray menus and of menu-style WM_COMMAND messages.
#include "shell/commands.h"
#include "base/handles.h"
#include "base/memstatus.h"
#include "base/messages.h"
#include "base/platform.h"
#include "engine/worker.h"
#include "pages/optimization.h"
#include "pages/refusal.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/pagehost.h"
#include "shell/startup.h"
#include <cmath>

// IDM_FREE_FIXED + n asks for 1 MB << n; from n = 44 on that no longer fits 64 bits.
const UINT FixedShiftLimit = 44;

// Windows hides focus rectangles and access-key underlines until a key is pressed in the window;
// a window opened from the tray by the keyboard would hide where its focus is.
static void ShowMainWindow(HWND window)
{
    SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
}

static void ToggleAutoFree()
{
    Settings.AutoFree = Settings.AutoFree == 0 ? 1 : 0;
    SendMessageW(OptimizationPage, WM_APP_REFRESH, 0, 0);
}

static void ToggleTrayFigure()
{
    Settings.TrayFigure = Settings.TrayFigure == 0 ? 1 : 0;
    SendMessageW(StartupPage, WM_APP_REFRESH, 0, 0);
}

// An amount past 64 bits lies far above any installed memory: it gets the very refusal that
// FreeUpBy gives any target above installed memory, with the true sum.
static void RefuseHugeAmount(UINT shift)
{
    MemoryStatus status;
    ReadMemoryStatus(&status);
    double amount = std::ldexp(BytesPerMB, static_cast<int>(shift));
    ShowFreeingRefusal(status, static_cast<double>(status.AvailPhys) + amount);
}

static void FreeFixedAmount(UINT shift)
{
    if (shift >= FixedShiftLimit) {
        RefuseHugeAmount(shift);
        return;
    }
    FreeUpBy(static_cast<ByteCount>(1048576u) << shift, ManualAttempts, TrayMenuRun);
}

static void EmptyTheClipboard()
{
    // Another program may hold the clipboard open; then there is nothing to do.
    if (OpenClipboard(MainWindow)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

void DispatchCommand(HWND window, UINT id)
{
    WORD command = LOWORD(id);
    if (command >= IDM_FREE_FIXED && command <= IDM_FREE_FIXED_LAST) {
        FreeFixedAmount(command - IDM_FREE_FIXED);
        return;
    }
    switch (command) {
    case IDM_FREE_NOW:
        FreeUpManually(TrayMenuRun);
        break;
    case IDM_ABOUT:
        ShowMainWindow(window);
        SelectPage(AboutPage);
        break;
    case IDM_CONFIG:
        ShowMainWindow(window);
        break;
    case IDM_AUTOFREE:
        ToggleAutoFree();
        break;
    case IDM_TRAY_FIGURE:
        ToggleTrayFigure();
        break;
    case IDM_EXIT:
        DestroyWindow(MainWindow);
        break;
    case IDM_HELP:
        OpenHelpViewer(MainWindow, HelpFilePath, HELP_FINDER, 0);
        break;
    case IDM_FREE_ALL:
        RequestFreeing(InstalledMemory.TotalPhys, ManualAttempts, TrayMenuRun);
        break;
    case IDM_EMPTY_CLIPBOARD:
        EmptyTheClipboard();
        break;
    case IDM_CANCEL:
        CancelFreeing();
        break;
    }
}
