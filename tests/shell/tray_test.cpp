// The tray icon against the real main window: its record, the menus its clicks open, and
// getting the icon back when the notification area has lost it.
#include "shell/tray.h"
#include "settings/settings.h"
#include "shell/pagehost.h"
#include "shell/tick.h"
#include "tests/support/program.h"
#include <gtest/gtest.h>

class TrayTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        Settings.AutoFree = 0;
        Settings.MinLimit = 0;
        Settings.ManualFree = 4194304;
    }
};

static std::string ItemText(HMENU menu, UINT id)
{
    char text[256] = "";
    GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND);
    return text;
}

static bool ItemChecked(HMENU menu, UINT id)
{
    return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// The whole record of Windows Vista and later, which carries notices with their own icon.
TEST_F(TrayTest, IconIsAddedWithTheRecordThatCarriesNoticesThenSpeaksVersion4)
{
    ASSERT_EQ(TrayCalls.size(), 2u);
    const TrayCall &add = TrayCalls[0];
    EXPECT_EQ(add.Message, static_cast<DWORD>(NIM_ADD));
#ifndef _WIN64
    EXPECT_EQ(add.Size, 956u); // NOTIFYICONDATAW_V3_SIZE and the balloon's icon handle
#endif
    EXPECT_EQ(add.Window, window);
    EXPECT_EQ(add.Id, 0u);
    EXPECT_EQ(add.Flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(add.CallbackMessage, WM_APP_TRAY);
    EXPECT_EQ(add.Icon, ProgramIcon(IDI_APP));
    EXPECT_EQ(add.Tip, "Memvale");
    EXPECT_EQ(add.BalloonIcon, LargeProgramIcon(IDI_APP));
    EXPECT_EQ(TrayCalls[1].Message, static_cast<DWORD>(NIM_SETVERSION));
    EXPECT_EQ(TrayCalls[1].Version, static_cast<UINT>(NOTIFYICON_VERSION_4));
    EXPECT_EQ(TrayVersion4, 1u);
}

TEST_F(TrayTest, IdleMenuOffersTheManualAmountAndItsTarget)
{
    RefreshIdleMenu();
    EXPECT_EQ(ItemText(IdleMenu, IDM_FREE_NOW), "Free up 4.00 MB (target: 104.00 MB)");
    EXPECT_TRUE(ItemChecked(IdleMenu, IDM_AUTOFREE));

    Settings.AutoFree = 1;
    Settings.ManualFree = 0xFFFF0000u; // the target lies past 4 GiB and must not wrap
    RefreshIdleMenu();
    EXPECT_EQ(ItemText(IdleMenu, IDM_FREE_NOW), "Free up 4,095.94 MB (target: 4,195.94 MB)");
    EXPECT_FALSE(ItemChecked(IdleMenu, IDM_AUTOFREE));
}

// Records the popup that opens and where, and closes it again as soon as the menu loop runs.
static HMENU OpenedPopup;
static RECT OpenedAt;
static HHOOK MenuHook;

static LRESULT CALLBACK WatchMenus(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *call = reinterpret_cast<const CWPSTRUCT *>(lParam);
    if (code == HC_ACTION && call->message == WM_INITMENUPOPUP) {
        OpenedPopup = reinterpret_cast<HMENU>(call->wParam);
    }
    return CallNextHookEx(MenuHook, code, wParam, lParam);
}

static void CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD)
{
    GetWindowRect(FindWindowA("#32768", nullptr), &OpenedAt);
    EndMenu();
}

// The icon's event, with its anchor as version 4 gives it; the popup it opened, if any.
static HMENU SendTrayEvent(HWND window, UINT event, POINT anchor = {120, 90})
{
    OpenedPopup = nullptr;
    OpenedAt = {};
    MenuHook = SetWindowsHookExA(WH_CALLWNDPROC, WatchMenus, nullptr, GetCurrentThreadId());
    UINT_PTR timer = SetTimer(nullptr, 0, 100, CloseMenu);
    SendMessageA(window, WM_APP_TRAY, MAKEWPARAM(anchor.x, anchor.y), MAKELPARAM(event, 0));
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(MenuHook);
    return OpenedPopup;
}

static HMENU RightClick(HWND window)
{
    return SendTrayEvent(window, WM_CONTEXTMENU);
}

TEST_F(TrayTest, RightClickOpensTheMenuOfTheWorkersState)
{
    EXPECT_EQ(RightClick(window), GetSubMenu(IdleMenu, 0));
    EXPECT_EQ(ItemText(IdleMenu, IDM_FREE_NOW), "Free up 4.00 MB (target: 104.00 MB)");

    Settings.ManualFree = 8 * MB;
    ASSERT_EQ(RequestFreeing(HeldTarget, 1), 1u);
    EXPECT_EQ(RightClick(window), GetSubMenu(BusyMenu, 0));
    EXPECT_EQ(ItemText(BusyMenu, IDM_CANCEL), "Cancel memory freeing");
    EXPECT_TRUE(ItemChecked(BusyMenu, IDM_AUTOFREE));
    EXPECT_EQ(ItemText(IdleMenu, IDM_FREE_NOW), "Free up 4.00 MB (target: 104.00 MB)"); // not prepared

    Settings.AutoFree = 1;
    RightClick(window);
    EXPECT_FALSE(ItemChecked(BusyMenu, IDM_AUTOFREE));
}

TEST_F(TrayTest, LeftClickShowsTheWindowOnItsPage)
{
    SelectPage(AboutPage);
    HWND shown = ShownPage;
    ASSERT_FALSE(IsWindowVisible(window));

    SendMessageA(window, WM_APP_TRAY, 0, NIN_SELECT);

    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(ShownPage, shown);
    SendMessageA(window, WM_APP_TRAY, 0, WM_MOUSEMOVE);
    SendMessageA(window, WM_APP_TRAY, 0, WM_LBUTTONDBLCLK);
    EXPECT_EQ(ShownPage, shown);
}

static ULONGLONG Now = 1000000;

static ULONGLONG FakeTickCount()
{
    return Now;
}

// Each step lets time pass to the given millisecond after the start, then either runs a tick
// or brings Explorer's restart notice; it expects the tray calls the step made.
TEST(TrayRetryTest, WhileRefusedTicksAddTheIconAgainEveryFiveSecondsARestartAtOnce)
{
    TickCount = FakeTickCount;
    TrayAnswer = FALSE; // as right after logon, before Explorer is ready
    const ULONGLONG start = Now;
    HWND window = OpenProgram(512 * MB, 100 * MB);
    ASSERT_NE(window, nullptr);
    Settings.MinLimit = 0;
    EXPECT_EQ(TrayIconAdded, 0u);

    struct Step {
        ULONGLONG At;
        bool Restart;
        BOOL Answer;
        std::vector<DWORD> Sent; // each failed add is followed by a modify, in case it is there
    } steps[] = {
        {4999, false, FALSE, {}},
        {5000, false, FALSE, {NIM_ADD, NIM_MODIFY}},
        {5001, true, FALSE, {NIM_ADD, NIM_MODIFY}},
        {10000, false, TRUE, {}},
        {10001, false, TRUE, {NIM_ADD, NIM_SETVERSION}},
        {10002, false, TRUE, {NIM_MODIFY}},
        // The area has lost the icon without a restart notice.
        {15001, false, FALSE, {NIM_MODIFY, NIM_ADD, NIM_MODIFY}},
        {20000, false, TRUE, {}},
        {20001, false, TRUE, {NIM_ADD, NIM_SETVERSION}},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.At);
        TrayCalls.clear();
        Now = start + step.At;
        TrayAnswer = step.Answer;
        if (step.Restart) {
            SendMessageA(window, TaskbarCreatedMessage, 0, 0);
        } else {
            RefreshTick();
        }
        EXPECT_EQ(TrayMessagesSent(), step.Sent);
    }
    EXPECT_EQ(TrayIconAdded, 1u);
    ASSERT_FALSE(TrayCalls.empty());
    EXPECT_EQ(TrayCalls[0].Tip, "Memvale * Free physical: 100 MB");
}

static BOOL WINAPI AreaHoldingTheIcon(DWORD message, PNOTIFYICONDATAW data)
{
    RecordTrayCall(message, data);
    return message != NIM_ADD;
}

static HWND FilterWindow;
static UINT FilterMessage;
static DWORD FilterAction;

static BOOL WINAPI RecordFilterChange(HWND window, UINT message, DWORD action, PCHANGEFILTERSTRUCT)
{
    FilterWindow = window;
    FilterMessage = message;
    FilterAction = action;
    return TRUE;
}

TEST(TrayRetryTest, TheRestartNoticeGetsThroughTheMessageFilter)
{
    LetMessageThrough = RecordFilterChange;
    HWND window = OpenProgram(512 * MB, 100 * MB);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(FilterWindow, window);
    EXPECT_EQ(FilterMessage, TaskbarCreatedMessage);
    EXPECT_EQ(FilterAction, static_cast<DWORD>(MSGFLT_ALLOW));
}

TEST(TrayRetryTest, AnIconTheAreaAlreadyHoldsIsModifiedFromThenOn)
{
    HWND window = OpenProgram(512 * MB, 100 * MB);
    ASSERT_NE(window, nullptr);
    Settings.MinLimit = 0;
    TrayCalls.clear();
    NotifyTray = AreaHoldingTheIcon;

    SendMessageA(window, TaskbarCreatedMessage, 0, 0);
    RefreshTick();

    std::vector<DWORD> expected = {NIM_ADD, NIM_MODIFY, NIM_SETVERSION, NIM_MODIFY};
    EXPECT_EQ(TrayMessagesSent(), expected);
    EXPECT_EQ(TrayIconAdded, 1u);
}

TEST_F(TrayTest, ExplorerRestartAddsTheIconAgain)
{
    RefreshTick();
    TrayCalls.clear();
    ASSERT_NE(TaskbarCreatedMessage, 0u);

    SendMessageA(window, TaskbarCreatedMessage, 0, 0);

    ASSERT_EQ(TrayCalls.size(), 2u);
    EXPECT_EQ(TrayCalls[0].Message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(TrayCalls[1].Message, static_cast<DWORD>(NIM_SETVERSION));
    EXPECT_EQ(TrayCalls[0].Window, window);
    EXPECT_EQ(TrayCalls[0].Tip, "Memvale * Free physical: 100 MB");
    EXPECT_EQ(TrayCalls[0].Icon, ProgramIcon(IDI_NORMAL));
}

static BOOL WINAPI AreaOfVersionsBefore4(DWORD message, PNOTIFYICONDATAW data)
{
    RecordTrayCall(message, data);
    return message != NIM_SETVERSION;
}

// Version 4 sends NIN_SELECT after a click's WM_LBUTTONUP and WM_CONTEXTMENU after WM_RBUTTONUP,
// so only one of each pair may answer; an area that refuses version 4 sends only the buttons.
TEST_F(TrayTest, EachEventOpensOrStartsWhatItShouldOnceUnderEitherVersion)
{
    enum Outcome { Nothing, Window, Menu, Run };
    struct Row {
        bool Version4;
        UINT Event;
        Outcome Expected;
    } rows[] = {
        {true, NIN_SELECT, Window},      {true, NIN_KEYSELECT, Window},   {true, WM_LBUTTONUP, Nothing},
        {true, WM_CONTEXTMENU, Menu},    {true, WM_RBUTTONUP, Nothing},   {true, WM_MBUTTONUP, Run},
        {true, NIN_BALLOONUSERCLICK, Window}, {true, WM_MOUSEMOVE, Nothing},
        {false, WM_LBUTTONUP, Window},   {false, WM_RBUTTONUP, Menu},     {false, WM_MBUTTONUP, Run},
        {false, NIN_BALLOONUSERCLICK, Window},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << "version 4 " << row.Version4 << ", event " << row.Event);
        NotifyTray = row.Version4 ? RecordTrayCall : AreaOfVersionsBefore4;
        SendMessageA(window, TaskbarCreatedMessage, 0, 0);
        ASSERT_EQ(TrayVersion4, row.Version4 ? 1u : 0u);
        ShowWindow(window, SW_HIDE);
        TrayCalls.clear();

        HMENU popup = SendTrayEvent(window, row.Event);

        EXPECT_EQ(IsWindowVisible(window) != FALSE, row.Expected == Window);
        EXPECT_EQ(popup != nullptr, row.Expected == Menu);
        EXPECT_EQ(!WorkerIdle(), row.Expected == Run);
        if (row.Expected == Menu) {
            // Dismissed without a choice: the focus goes back to the icon under version 4.
            EXPECT_EQ(TraySaw(NIM_SETFOCUS), row.Version4);
        }
        if (!WorkerIdle()) {
            FinishJob();
            HoldCommits();
        }
    }
}

TEST_F(TrayTest, KeyboardMenuOpensAtTheIconsAnchor)
{
    ASSERT_NE(SendTrayEvent(window, WM_CONTEXTMENU, {200, 150}), nullptr);
    EXPECT_EQ(OpenedAt.left, 200);
    EXPECT_EQ(OpenedAt.top, 150);
}
