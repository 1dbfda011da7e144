// The main window: its dialog procedure, initialisation and destruction.
#include "shell/mainwindow.h"
#include "base/contrast.h"
#include "base/handles.h"
#include "base/language.h"
#include "base/messages.h"
#include "base/platform.h"
#include "engine/sampler.h"
#include "engine/worker.h"
#include "pages/about.h"
#include "pages/history.h"
#include "pages/historygraph.h"
#include "pages/optimization.h"
#include "pages/startup.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/handover.h"
#include "shell/commands.h"
#include "shell/pagehost.h"
#include "shell/placement.h"
#include "shell/startup.h"
#include "shell/tick.h"
#include "shell/tray.h"
#include "shell/traypicture.h"
#include <commctrl.h>
#include <cwchar>

// Each page inserts its tab at the front, so the last created is the first tab.
static void CreatePages(HWND window)
{
    HWND tabs = GetDlgItem(window, IDC_MAIN_TABS);
    HistoryPage = CreatePage(tabs, window, IDD_HISTORY, HistoryPageProc, IDS_HISTORY_TAB);
    AboutPage = CreatePage(tabs, window, IDD_ABOUT, AboutPageProc, IDS_TAB_ABOUT);
    StartupPage = CreatePage(tabs, window, IDD_STARTUP, StartupPageProc, IDS_TAB_STARTUP);
    OptimizationPage = CreatePage(tabs, window, IDD_OPTIMIZATION, OptimizationPageProc, IDS_TAB_OPTIMIZATION);
    LayoutPages();
}

// The window's own controls keep their places in its coordinates, which then run the other way.
static void MirrorWindow(HWND window, bool rightToLeft)
{
    LONG_PTR style = GetWindowLongPtrW(window, GWL_EXSTYLE);
    if (((style & WS_EX_LAYOUTRTL) != 0) == rightToLeft) {
        return;
    }
    const int MostControls = 32;
    HWND controls[MostControls];
    RECT places[MostControls];
    int count = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr && count < MostControls;
         child = GetWindow(child, GW_HWNDNEXT)) {
        controls[count] = child;
        GetWindowRect(child, &places[count]);
        MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT *>(&places[count]), 2);
        ++count;
    }
    SetWindowLongPtrW(window, GWL_EXSTYLE, style ^ WS_EX_LAYOUTRTL);
    for (int i = 0; i < count; ++i) {
        LONG_PTR own = GetWindowLongPtrW(controls[i], GWL_EXSTYLE);
        SetWindowLongPtrW(controls[i], GWL_EXSTYLE, rightToLeft ? own | WS_EX_LAYOUTRTL : own & ~WS_EX_LAYOUTRTL);
        SetWindowPos(controls[i], nullptr, places[i].left, places[i].top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// A new language: the window's texts, its pages made again in it (the same tab selected), the
// tray menus and the tooltip. Right-to-left languages mirror the window and what follows.
static void OnLanguageChange(HWND window)
{
    HWND tabs = GetDlgItem(window, IDC_MAIN_TABS);
    int selected = static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0));
    bool startupFocused = StartupPage != nullptr && IsChild(StartupPage, GetFocus());
    SendMessageW(tabs, TCM_DELETEALLITEMS, 0, 0);
    ShownPage = nullptr;
    DestroyWindow(OptimizationPage);
    DestroyWindow(StartupPage);
    DestroyWindow(AboutPage);
    DestroyWindow(HistoryPage);

    SetProcessDefaultLayout(LanguageIsRightToLeft() ? LAYOUT_RTL : 0);
    MirrorWindow(window, LanguageIsRightToLeft());
    TranslateDialog(window, IDD_MAIN);
    CreatePages(window);
    SendMessageW(tabs, TCM_SETCURFOCUS, static_cast<WPARAM>(selected < 0 ? 0 : selected), 0);
    OnTabSelectionChange(tabs);
    if (startupFocused) {
        SetFocus(GetDlgItem(StartupPage, IDC_STARTUP_LANGUAGE));
    }

    DestroyMenu(IdleMenu);
    DestroyMenu(BusyMenu);
    LoadTrayMenus();
    RefreshTick();
}

void InitMainWindow(HWND window)
{
    MainWindow = window;
    LoadSettings();
    RestoreSavedPosition(window, Settings.WindowPos);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    StartFreeingWorker();
    StartMemorySampler();
    LoadTrayMenus();
    ReadTaskbarTheme();
    ReadHighContrast();
    AddTrayIcon();

    RegisterHistoryGraph(AppInstance);
    CreatePages(window);
    SelectPage(OptimizationPage);

    SetTimer(window, TIMER_REFRESH, Settings.Interval, nullptr);
    if (Settings.AppLoadFree != 0) {
        RequestFreeing(Settings.AppLoadFreeSize, AutomaticAttempts, StartupRun);
    }
}

static void OnDestroy()
{
    OpenHelpViewer(MainWindow, HelpFilePath, HELP_QUIT, 0);
    SaveSettingsAtExit();
    RemoveTrayIcon();
    PostQuitMessage(0);
}

static void OnMove(HWND window)
{
    // Moves before the initialisation come from the window's creation at (0, 0); they must
    // not stand in for a position that the settings are still to load.
    if (window != MainWindow) {
        return;
    }
    Settings.WindowPos = SavedPositionOf(window);
}

// A logoff that another program stopped and the user called off sends FALSE: the session goes
// on, and so does the program.
static void OnEndSession(HWND window, WPARAM sessionEnds)
{
    if (sessionEnds) {
        DestroyWindow(window);
    }
}

static void OnNotify(const NMHDR *header)
{
    if (header->idFrom == IDC_MAIN_TABS && header->code == TCN_SELCHANGE) {
        OnTabSelectionChange(header->hwndFrom);
    }
}

static void OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    // Esc, through the dialog manager, hides the window as Close does.
    if (LOWORD(wParam) == IDCANCEL) {
        ShowWindow(window, SW_HIDE);
        return;
    }
    if (lParam != 0) {
        if (LOWORD(wParam) == IDC_MAIN_CLOSE) {
            ShowWindow(window, SW_HIDE);
        }
        return;
    }
    // Menu choices only; accelerators carry a high word of 1 and the program has none.
    if (HIWORD(wParam) == 0) {
        DispatchCommand(window, LOWORD(wParam));
    }
}

// The suggested rectangle keeps the window where it was at the new DPI's size. The dialog
// manager then moves and scales the controls and their fonts (returning FALSE lets it); the
// pages follow the tab control's new display area once it has.
static void OnDpiChanged(HWND window, const RECT *suggested)
{
    SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageW(window, WM_APP_LAYOUT, 0, 0);
}

// The taskbar's theme is part of the colour set: the figure follows it at the next tick, as it
// follows a high-contrast theme turned on or off.
static void OnSettingChange(LPARAM lParam)
{
    ReadHighContrast();
    const wchar_t *area = reinterpret_cast<const wchar_t *>(lParam);
    if (area != nullptr && wcscmp(area, L"ImmersiveColorSet") == 0) {
        ReadTaskbarTheme();
    }
}

static BOOL CALLBACK PassColourChange(HWND child, LPARAM)
{
    SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

// Only top-level windows hear of new system colours; the common controls keep brushes of the
// old ones until they are told. The tray's pictures follow at the next tick.
static void OnSysColorChange(HWND window)
{
    ReadHighContrast();
    EnumChildWindows(window, PassColourChange, 0);
}

static void OnTimer(WPARAM id)
{
    if (id == TIMER_REFRESH) {
        RefreshTick();
    }
}

static void RestartRefreshTimer(HWND window)
{
    KillTimer(window, TIMER_REFRESH);
    SetTimer(window, TIMER_REFRESH, Settings.Interval, nullptr);
}

static BOOL CALLBACK PostRefresh(HWND child, LPARAM)
{
    PostMessageW(child, WM_APP_REFRESH, 0, 0);
    return TRUE;
}

// EnumChildWindows walks every descendant, so the pages' own controls get the message too.
static void PassRefreshOn(HWND window)
{
    EnumChildWindows(window, PostRefresh, 0);
}

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        TranslateDialog(window, IDD_MAIN);
        InitMainWindow(window);
        return TRUE;
    case WM_APP_LANGUAGE:
        OnLanguageChange(window);
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    case WM_MOVE:
        OnMove(window);
        return FALSE;
    case WM_CLOSE:
        ShowWindow(window, SW_HIDE);
        return TRUE;
    case WM_ENDSESSION:
        OnEndSession(window, wParam);
        return FALSE;
    case WM_NOTIFY:
        OnNotify(reinterpret_cast<const NMHDR *>(lParam));
        return FALSE;
    case WM_DISPLAYCHANGE:
        EnsureOnDesktop();
        return FALSE;
    case WM_DPICHANGED:
        OnDpiChanged(window, reinterpret_cast<const RECT *>(lParam));
        return FALSE;
    case WM_SETTINGCHANGE:
        OnSettingChange(lParam);
        return FALSE;
    case WM_SYSCOLORCHANGE:
        OnSysColorChange(window);
        return FALSE;
    case WM_COMMAND:
        OnCommand(window, wParam, lParam);
        return FALSE;
    case WM_TIMER:
        OnTimer(wParam);
        return FALSE;
    case WM_APP_TRAY:
        OnTrayNotify(window, wParam, lParam);
        return FALSE;
    case WM_APP_INTERVAL:
        RestartRefreshTimer(window);
        return FALSE;
    case WM_APP_REFRESH:
        PassRefreshOn(window);
        return FALSE;
    case WM_APP_LAYOUT:
        LayoutPages();
        return FALSE;
    case WM_COPYDATA:
        SetWindowLongPtrW(window, DWLP_MSGRESULT,
                          OnCommandLineCopyData(window, reinterpret_cast<const COPYDATASTRUCT *>(lParam)));
        return TRUE;
    case WM_APP_COMMAND_FREE:
        StartCommandLineRun();
        return FALSE;
    case WM_APP_JOB_ENDED:
        TakeEndedRuns();
        ShowRefusalOfEndedRun();
        return FALSE;
    default:
        // Explorer's restart message is registered at run time, so it cannot be a case label.
        if (TaskbarCreatedMessage != 0 && message == TaskbarCreatedMessage) {
            ReAddTrayIcon();
        }
        return FALSE;
    }
}
