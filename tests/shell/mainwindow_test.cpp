// The main window from the program's own resources: its start-up, its pages and tabs, the
// messages it answers, its position setting and its destruction.
#include "settings/settings.h"
#include "base/fatal.h"
#include "shell/pagehost.h"
#include "tests/shell/taskbar.h"
#include "tests/support/program.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <set>
#include <string>

static std::string TabText(HWND tabs, int index)
{
    char text[64] = "";
    TCITEMA item = {};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    return text;
}

static HWND TabPage(HWND tabs, int index)
{
    TCITEMA item = {};
    item.mask = TCIF_PARAM;
    SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    return reinterpret_cast<HWND>(item.lParam);
}

static bool HasVisibleStyle(HWND window)
{
    return (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

static HWND Tabs()
{
    return GetDlgItem(MainWindow, IDC_MAIN_TABS);
}

static bool AllSettingsStored()
{
    for (const SettingEntry &row : SettingsTable) {
        if (ReadRegistryValue(SettingsKey, row.Name).Type == REG_NONE) {
            return false;
        }
    }
    return true;
}

TEST(MainWindowStart, LoadsSettingsThenBuildsTheHiddenWindowWithItsPages)
{
    // Both differ from the defaults, and the pages show them only if they were loaded first.
    WriteRegistryDword(SettingsKey, "AutoFree", 1);
    WriteRegistryDword(SettingsKey, "SaveConfig", 0);

    HWND window = OpenProgram(1024 * MB, 512 * MB);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

    ASSERT_NE(OptimizationPage, nullptr);
    ASSERT_NE(StartupPage, nullptr);
    ASSERT_NE(AboutPage, nullptr);
    ASSERT_NE(HistoryPage, nullptr);
    for (HWND page : {OptimizationPage, StartupPage, AboutPage, HistoryPage}) {
        EXPECT_EQ(GetParent(page), window);
    }
    EXPECT_EQ(IsDlgButtonChecked(OptimizationPage, IDC_OPT_AUTOFREE_CHECK), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(StartupPage, IDC_STARTUP_SAVECONFIG), BST_UNCHECKED);

    HWND tabs = Tabs();
    ASSERT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(TabText(tabs, 0), "Optimization");
    EXPECT_EQ(TabText(tabs, 1), "Startup");
    EXPECT_EQ(TabText(tabs, 2), "About");
    EXPECT_EQ(TabText(tabs, 3), "History");
    EXPECT_EQ(TabPage(tabs, 0), OptimizationPage);
    EXPECT_EQ(TabPage(tabs, 1), StartupPage);
    EXPECT_EQ(TabPage(tabs, 2), AboutPage);
    EXPECT_EQ(TabPage(tabs, 3), HistoryPage);

    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(ShownPage, OptimizationPage);
    EXPECT_TRUE(HasVisibleStyle(OptimizationPage));
    EXPECT_FALSE(HasVisibleStyle(StartupPage));
    EXPECT_FALSE(HasVisibleStyle(AboutPage));
    EXPECT_FALSE(HasVisibleStyle(HistoryPage));

    ASSERT_FALSE(TrayCalls.empty());
    EXPECT_EQ(TrayCalls[0].Message, static_cast<DWORD>(NIM_ADD));
}

TEST(MainWindowStart, FirstStartSitsNextToTheTrayAndRemembersIt)
{
    MakeBottomTray();
    HWND window = OpenProgram(1024 * MB, 512 * MB);
    ASSERT_NE(window, nullptr);
    RECT r = WindowRect(window);
    RECT area = BottomRightArea();
    EXPECT_EQ(r.right, area.right);
    EXPECT_EQ(r.bottom, area.top - 4);
    EXPECT_EQ(Settings.WindowPos, (static_cast<DWORD>(r.top) << 16) | static_cast<DWORD>(r.left));
}

TEST(MainWindowStart, RestoresTheSavedPosition)
{
    MakeBottomTray();
    WriteRegistryDword(SettingsKey, "WindowPos", (100u << 16) | 50u);
    HWND window = OpenProgram(1024 * MB, 512 * MB);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WindowRect(window).left, 50);
    EXPECT_EQ(WindowRect(window).top, 100);
}

TEST(MainWindowStart, PositionOffEveryMonitorComesBackNextToTheTray)
{
    MakeBottomTray();
    // x = -3000 as a signed 16-bit half.
    WriteRegistryDword(SettingsKey, "WindowPos", (100u << 16) | 0xF448u);
    HWND window = OpenProgram(1024 * MB, 512 * MB);
    ASSERT_NE(window, nullptr);
    RECT r = WindowRect(window);
    EXPECT_EQ(r.right, BottomRightArea().right);
    EXPECT_EQ(r.bottom, BottomRightArea().top - 4);
}

// The Startup page is made before the run is asked for, and its first fill rounds the target
// down to whole 64 KiB units.
TEST(MainWindowStart, StartUpRunHasTwoAttemptsAndTheTargetAsTheStartupPageLeftIt)
{
    WriteRegistryDword(SettingsKey, "AppLoadFree", 1);
    WriteRegistryDword(SettingsKey, "AppLoadFreeSize", 5000000);
    HoldCommits();
    ASSERT_NE(OpenProgram(1024 * MB, 1 * MB), nullptr);
    EnterCriticalSection(&JobLock);
    EXPECT_EQ(FreeingBusy, 1u);
    EXPECT_EQ(FreeingJob.Target, 4980736u);
    EXPECT_EQ(FreeingJob.AttemptsLeft, 2u);
    LeaveCriticalSection(&JobLock);
    FinishJob();
}

using MainWindowTest = MainWindowFixture;

TEST_F(MainWindowTest, MovesAreStoredAsTwoSixteenBitHalves)
{
    SetWindowPos(window, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(Settings.WindowPos, 0x00C8012Cu);
    SetWindowPos(window, nullptr, -8, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(Settings.WindowPos, 0x0064FFF8u);
    SetWindowPos(window, nullptr, -1, -1, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(Settings.WindowPos, 0xFFFFFFFFu);
}

TEST_F(MainWindowTest, CloseOnlyHides)
{
    ShowWindow(window, SW_SHOW);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));

    ShowWindow(window, SW_SHOW);
    HWND close = GetDlgItem(window, IDC_MAIN_CLOSE);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CLOSE, BN_CLICKED), reinterpret_cast<LPARAM>(close));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(TraySaw(NIM_DELETE));
}

TEST_F(MainWindowTest, MenuCommandsAndTrayClicksReachTheCommandSet)
{
    // An accelerator's high word is 1: it is not a menu choice.
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_CONFIG, 1), 0);
    EXPECT_FALSE(IsWindowVisible(window));
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_CONFIG, 0), 0);
    EXPECT_TRUE(IsWindowVisible(window));

    SendMessageA(window, WM_CLOSE, 0, 0);
    SendMessageA(window, WM_APP_TRAY, 0, NIN_SELECT);
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(MainWindowTest, SelectPageShowsOnlyThePageOfATab)
{
    HWND tabs = Tabs();
    SelectPage(tabs);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(ShownPage, OptimizationPage);

    SelectPage(AboutPage);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(ShownPage, AboutPage);
    EXPECT_TRUE(HasVisibleStyle(AboutPage));
    EXPECT_FALSE(HasVisibleStyle(OptimizationPage));

    SelectPage(AboutPage);
    EXPECT_EQ(ShownPage, AboutPage);
    EXPECT_TRUE(HasVisibleStyle(AboutPage));

    SelectPage(StartupPage);
    EXPECT_EQ(ShownPage, StartupPage);
    EXPECT_FALSE(HasVisibleStyle(AboutPage));
}

static void ExpectPagesCoverTheTabsDisplayArea(HWND window)
{
    HWND tabs = Tabs();
    RECT area;
    GetWindowRect(tabs, &area);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&area), 2);
    SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));

    for (HWND page : {OptimizationPage, StartupPage, AboutPage, HistoryPage}) {
        RECT r;
        GetWindowRect(page, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&r), 2);
        EXPECT_EQ(r.left, area.left - 1);
        EXPECT_EQ(r.top, area.top);
        EXPECT_EQ(r.right, area.right);
        EXPECT_EQ(r.bottom, area.bottom);
        bool tabsBelow = false;
        for (HWND next = GetWindow(page, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT)) {
            tabsBelow = tabsBelow || next == tabs;
        }
        EXPECT_TRUE(tabsBelow);
    }
}

TEST_F(MainWindowTest, PagesCoverTheTabsDisplayAreaAndLieAboveTheTabs)
{
    ExpectPagesCoverTheTabsDisplayArea(window);
}

// Windows sends the message on a move to a monitor of another DPI and, by default, scales the
// tab control with the dialog; here the test scales it.
TEST_F(MainWindowTest, ADpiChangeTakesTheSuggestedRectangleAndLaysThePagesOutAgain)
{
    RECT suggested = {40, 30, 40 + 3 * 271, 30 + 3 * 222};
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    SetWindowPos(Tabs(), nullptr, 0, 0, 2 * 259, 2 * 191, SWP_NOMOVE | SWP_NOZORDER);
    HandlePendingMessages();

    RECT r = WindowRect(window);
    EXPECT_EQ(r.left, suggested.left);
    EXPECT_EQ(r.top, suggested.top);
    EXPECT_EQ(r.right, suggested.right);
    EXPECT_EQ(r.bottom, suggested.bottom);
    ExpectPagesCoverTheTabsDisplayArea(window);
}

static std::set<HWND> RefreshedWindows;

static LRESULT CALLBACK RecordRefresh(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG *msg = reinterpret_cast<const MSG *>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_APP_REFRESH) {
        RefreshedWindows.insert(msg->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

static BOOL CALLBACK CollectDescendant(HWND child, LPARAM lParam)
{
    reinterpret_cast<std::set<HWND> *>(lParam)->insert(child);
    return TRUE;
}

TEST_F(MainWindowTest, RefreshIsPostedOnToEveryDescendant)
{
    std::set<HWND> descendants;
    EnumChildWindows(window, CollectDescendant, reinterpret_cast<LPARAM>(&descendants));
    ASSERT_TRUE(descendants.count(GetDlgItem(OptimizationPage, IDC_OPT_FREE_BUTTON)));
    ASSERT_TRUE(descendants.count(GetDlgItem(window, IDC_MAIN_CLOSE)));

    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, RecordRefresh, nullptr, GetCurrentThreadId());
    SendMessageA(window, WM_APP_REFRESH, 0, 0);
    MSG queued;
    EXPECT_TRUE(PeekMessageA(&queued, GetDlgItem(OptimizationPage, IDC_OPT_FREE_BUTTON), WM_APP_REFRESH,
                             WM_APP_REFRESH, PM_NOREMOVE))
        << "posted, so it waits in the queue for the pump";
    EXPECT_TRUE(WaitUntil([&] { return RefreshedWindows == descendants; }));
    UnhookWindowsHookEx(hook);
}

static bool RefreshTimerFired;

static LRESULT CALLBACK RecordTimer(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG *msg = reinterpret_cast<const MSG *>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_TIMER &&
        msg->hwnd == MainWindow && msg->wParam == TIMER_REFRESH) {
        RefreshTimerFired = true;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Any fixed period fails one half: it would have to fire within the deadline at 100 ms and
// not within it at one hour.
TEST_F(MainWindowTest, IntervalMessageRestartsTheRefreshTimerWithTheCurrentInterval)
{
    const DWORD deadline = 1500;
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, RecordTimer, nullptr, GetCurrentThreadId());
    Settings.Interval = 3600000;
    SendMessageA(window, WM_APP_INTERVAL, 0, 0);
    EXPECT_FALSE(WaitUntil([] { return RefreshTimerFired; }, deadline));
    Settings.Interval = 100;
    SendMessageA(window, WM_APP_INTERVAL, 0, 0);
    EXPECT_TRUE(WaitUntil([] { return RefreshTimerFired; }, deadline));
    UnhookWindowsHookEx(hook);
}

// A key pressed on the focused control, then the program's own loop run until the key is
// handled.
static void PressThroughTheLoop(UINT key)
{
    HWND focus = GetFocus();
    LPARAM data = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC) << 16 | 1);
    PostMessageA(focus, WM_KEYDOWN, key, data);
    PostMessageA(focus, WM_KEYUP, key, data | 0xC0000000);
    PostQuitMessage(0);
    RunMessageLoop();
}

TEST_F(MainWindowTest, TabReachesTheShownPagesControlsAndEnterOnCloseHides)
{
    for (HWND page : {OptimizationPage, AboutPage}) {
        SelectPage(page);
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
        SetFocus(GetDlgItem(window, IDC_MAIN_CLOSE));
        bool reached = false;
        for (int press = 0; press < 20 && !reached; ++press) {
            PressThroughTheLoop(VK_TAB);
            reached = IsChild(page, GetFocus()) != FALSE;
        }
        EXPECT_TRUE(reached) << (page == AboutPage ? "About" : "Optimization");

        SetFocus(GetDlgItem(window, IDC_MAIN_CLOSE));
        PressThroughTheLoop(VK_RETURN);
        EXPECT_FALSE(IsWindowVisible(window));
    }
}

// The key pressed with Ctrl (and Shift) held, as the thread's key state tells the loop.
static void PressWithModifiers(UINT key, bool shift)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    PressThroughTheLoop(key);
    keys[VK_CONTROL] = 0;
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

// The tabs run Optimization, Startup, About, History; the hot-key control keeps the keys it may
// capture.
TEST_F(MainWindowTest, CtrlTabAndCtrlPageKeysSwitchPagesEscHides)
{
    struct Row {
        HWND From;
        int FocusId; // on the page; 0 for the tabs
        UINT Key;
        bool Shift;
        HWND To;
    } rows[] = {
        {OptimizationPage, IDC_OPT_AUTOFREE_CHECK, VK_TAB, false, StartupPage},
        {OptimizationPage, 0, VK_TAB, true, HistoryPage},
        {AboutPage, IDC_ABOUT_WEBSITE, VK_TAB, false, HistoryPage},
        {HistoryPage, 0, VK_TAB, false, OptimizationPage},
        {StartupPage, 0, VK_NEXT, false, AboutPage},
        {StartupPage, IDC_STARTUP_NOTICES, VK_PRIOR, false, OptimizationPage},
        {OptimizationPage, IDC_OPT_HOTKEY, VK_TAB, false, OptimizationPage},
        {OptimizationPage, IDC_OPT_HOTKEY, VK_NEXT, false, OptimizationPage},
    };
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << "key " << row.Key << ", focus " << row.FocusId);
        SelectPage(row.From);
        SetFocus(row.FocusId != 0 ? GetDlgItem(row.From, row.FocusId) : Tabs());
        PressWithModifiers(row.Key, row.Shift);
        EXPECT_EQ(ShownPage, row.To);
        // A focus that was on the page left behind goes to the tabs, never to a hidden control.
        EXPECT_TRUE(GetFocus() == Tabs() || IsChild(ShownPage, GetFocus()));
    }

    SetFocus(GetDlgItem(OptimizationPage, IDC_OPT_LOWER_SLIDER));
    PressThroughTheLoop(VK_ESCAPE);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
}

// Windows hides focus rectangles until a key is pressed; the window opened from the tray shows them.
TEST_F(MainWindowTest, OpenedWindowShowsFocusAndAccessKeys)
{
    SendMessageA(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    SendMessageA(window, WM_APP_TRAY, 0, NIN_KEYSELECT);
    EXPECT_TRUE(IsWindowVisible(window));
    for (int id : {IDC_OPT_AUTOFREE_CHECK, IDC_OPT_LOWER_SLIDER, IDC_OPT_HOTKEY}) {
        LRESULT hidden = SendDlgItemMessageA(OptimizationPage, id, WM_QUERYUISTATE, 0, 0);
        EXPECT_EQ(hidden & (UISF_HIDEFOCUS | UISF_HIDEACCEL), 0) << id;
    }
}

TEST_F(MainWindowTest, DisplayChangeBringsAWindowOffTheDesktopBack)
{
    MakeBottomTray();
    SetWindowPos(window, nullptr, DesktopRect().right + 50, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageA(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
    EXPECT_EQ(WindowRect(window).right, BottomRightArea().right);
}

TEST(MainWindowEnd, SessionEndDestroysTheWindow)
{
    HWND window = OpenProgram(1024 * MB, 512 * MB);
    ASSERT_NE(window, nullptr);
    TrayCalls.clear();

    SendMessageA(window, WM_ENDSESSION, TRUE, 0);

    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(HelpCommands, std::vector<UINT>{HELP_QUIT});
    EXPECT_EQ(TrayMessagesSent(), std::vector<DWORD>{NIM_DELETE});
    EXPECT_TRUE(AllSettingsStored());
    EXPECT_EQ(RunMessageLoop(), 0);
}

TEST_F(MainWindowTest, CalledOffSessionEndLeavesTheProgramRunning)
{
    TrayCalls.clear();
    SendMessageA(window, WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(HelpCommands.empty());
    EXPECT_TRUE(TrayCalls.empty());
}

TEST(MainWindowEnd, WithoutSaveOnExitOnlyThatChoiceIsWritten)
{
    WriteRegistryDword(SettingsKey, "SaveConfig", 0);
    HWND window = OpenProgram(1024 * MB, 512 * MB);
    ASSERT_NE(window, nullptr);
    Settings.Interval = 5000;
    DestroyWindow(window);
    bool found = true;
    ReadRegistryDword(SettingsKey, "Interval", &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(ReadRegistryDword(SettingsKey, "SaveConfig", &found), 0u);
    EXPECT_TRUE(found);
}

// A fatal report after start-up, seen by the seams of the process that ends.
static DWORD UiThread;
static DWORD BoxSeen;
static const char *FatalText = "Can't create main window";

static int WINAPI CheckFatalBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    BoxSeen = GetCurrentThreadId() == UiThread && owner == nullptr && Narrow(text) == FatalText &&
              Narrow(caption) == "Error" && type == MB_ICONERROR;
    return IDOK;
}

// Exit code: 1 for the fatal code, 2 for the icon removed, 4 for the settings saved, 8 for
// the box shown on the UI thread.
static void CheckFatalExit(int code)
{
    bool iconRemoved = TraySaw(NIM_DELETE);
    ExitProcess((code == 1 ? 1 : 0) | (iconRemoved ? 2 : 0) | (AllSettingsStored() ? 4 : 0) | (BoxSeen ? 8 : 0));
}

static void RunUntilFatalReport()
{
    HWND window = OpenProgram(1024 * MB, 512 * MB);
    if (!window) {
        ExitProcess(100);
    }
    UiThread = GetCurrentThreadId();
    ShowMessageBox = CheckFatalBox;
    EndProcess = CheckFatalExit;
    ReportFatal(IDS_FATAL_MAIN_WINDOW);
    ExitProcess(101);
}

TEST(MainWindowDeathTest, FatalReportSavesAndRemovesTheIcon)
{
    EXPECT_EXIT(RunUntilFatalReport(), testing::ExitedWithCode(15), "");
}

// Refuses every window made for the main window once it is recorded: the first is a page.
// The box is checked from here on (OpenProgram has put its own recorder in place).
static LRESULT CALLBACK RefusePages(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && MainWindow &&
        reinterpret_cast<const CBT_CREATEWNDA *>(lParam)->lpcs->hwndParent == MainWindow) {
        ShowMessageBox = CheckFatalBox;
        return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

static void FailDuringInitialisation()
{
    UiThread = GetCurrentThreadId();
    FatalText = "Can't create dialog page!";
    EndProcess = CheckFatalExit;
    SetWindowsHookExA(WH_CBT, RefusePages, nullptr, GetCurrentThreadId());
    OpenProgram(1024 * MB, 512 * MB);
    ExitProcess(101);
}

TEST(MainWindowDeathTest, FatalReportDuringInitialisationSavesAndRemovesTheIcon)
{
    EXPECT_EXIT(FailDuringInitialisation(), testing::ExitedWithCode(15), "");
}
