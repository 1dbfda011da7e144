// The command set against the real main window, pages and worker.
#include "shell/commands.h"
#include "settings/settings.h"
#include "shell/pagehost.h"
#include "shell/tray.h"
#include "tests/support/program.h"
#include <gtest/gtest.h>
#include <cstring>

class CommandsTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        Settings.ManualFree = 8 * MB;
        TrayCalls.clear();
    }

    bool AutoFreeBoxChecked() const
    {
        return IsDlgButtonChecked(OptimizationPage, IDC_OPT_AUTOFREE_CHECK) == BST_CHECKED;
    }
};

TEST_F(CommandsTest, AutoFreeTogglesAndTheCheckBoxFollows)
{
    Settings.AutoFree = 0;
    DispatchCommand(window, IDM_AUTOFREE);
    EXPECT_EQ(Settings.AutoFree, 1u);
    EXPECT_TRUE(AutoFreeBoxChecked());

    DispatchCommand(window, IDM_AUTOFREE);
    EXPECT_EQ(Settings.AutoFree, 0u);
    EXPECT_FALSE(AutoFreeBoxChecked());

    Settings.AutoFree = 7; // from the registry
    DispatchCommand(window, IDM_AUTOFREE);
    EXPECT_EQ(Settings.AutoFree, 0u);
    EXPECT_FALSE(AutoFreeBoxChecked());
}

TEST_F(CommandsTest, TrayFigureTogglesAndTheMenuAndCheckBoxFollow)
{
    for (DWORD expected : {1u, 0u}) {
        DispatchCommand(window, IDM_TRAY_FIGURE);
        EXPECT_EQ(Settings.TrayFigure, expected);
        EXPECT_EQ(IsChecked(StartupPage, IDC_STARTUP_TRAYFIGURE), expected != 0);
        RefreshIdleMenu();
        EXPECT_EQ((GetMenuState(IdleMenu, IDM_TRAY_FIGURE, MF_BYCOMMAND) & MF_CHECKED) != 0, expected != 0);
    }
}

TEST_F(CommandsTest, AboutShowsTheAboutPageAndConfigurationKeepsIt)
{
    ASSERT_EQ(ShownPage, OptimizationPage);

    DispatchCommand(window, IDM_ABOUT);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(ShownPage, AboutPage);

    ShowWindow(window, SW_HIDE);
    DispatchCommand(window, IDM_CONFIG);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(ShownPage, AboutPage);
}

TEST_F(CommandsTest, FreeNowAsksForTheManualAmountOnTopOfFreeMemory)
{
    DispatchCommand(window, IDM_FREE_NOW);

    EXPECT_FALSE(WorkerIdle());
    EXPECT_EQ(FreeingJob.Target, 108 * MB);
    EXPECT_EQ(FreeingJob.AttemptsLeft, 3u);
    EXPECT_TRUE(MessageTexts.empty());
}

TEST_F(CommandsTest, FreeNowIsRefusedAboveInstalledMemory)
{
    Settings.ManualFree = 500 * MB;

    DispatchCommand(window, IDM_FREE_NOW);

    EXPECT_TRUE(WorkerIdle());
    ASSERT_EQ(MessageTexts.size(), 1u);
    EXPECT_EQ(MessageTexts[0],
              "Currently there is 100.00 MB of free physical memory and\n"
              "you are trying to free it to 600.00 MB. You can't do that, because\n"
              "you have only 512.00 MB of physical memory installed!!!");
}

TEST_F(CommandsTest, FixedAmountsDoubleFromOneMegabyte)
{
    DispatchCommand(window, IDM_FREE_FIXED + 3);

    EXPECT_FALSE(WorkerIdle());
    EXPECT_EQ(FreeingJob.Target, 108 * MB);
    EXPECT_EQ(FreeingJob.AttemptsLeft, 3u);
}

TEST_F(CommandsTest, FixedAmountsOf4096MBAndMoreAreRefusedLikeAnyTooLargeTarget)
{
    DispatchCommand(window, IDM_FREE_FIXED + 11); // 2048 MB: FreeUpBy's own refusal
    DispatchCommand(window, IDM_FREE_FIXED + 12); // 4096 MB
    DispatchCommand(window, IDM_FREE_FIXED_LAST);

    EXPECT_TRUE(WorkerIdle());
    ASSERT_EQ(MessageTexts.size(), 3u);
    EXPECT_NE(MessageTexts[0].find("free it to 2,148.00 MB."), std::string::npos);
    EXPECT_EQ(MessageTexts[1],
              "Currently there is 100.00 MB of free physical memory and\n"
              "you are trying to free it to 4,196.00 MB. You can't do that, because\n"
              "you have only 512.00 MB of physical memory installed!!!");
    // Wine groups figures this long wrongly: the digits are compared without the separators.
    std::string digits = MessageTexts[2];
    std::erase(digits, ',');
    EXPECT_NE(digits.find("you are trying to free it to 31691265005705735"), std::string::npos);
}

TEST_F(CommandsTest, FreeAllAimsAtInstalledMemoryWithoutRefusal)
{
    DispatchCommand(window, IDM_FREE_ALL);

    EXPECT_FALSE(WorkerIdle());
    EXPECT_EQ(FreeingJob.Target, 512 * MB);
    EXPECT_EQ(FreeingJob.AttemptsLeft, 3u);
    EXPECT_TRUE(MessageTexts.empty());
}

TEST_F(CommandsTest, CancelEndsTheRunningJobAfterItsBlock)
{
    ASSERT_EQ(RequestFreeing(HeldTarget, 3), 1u);
    ASSERT_TRUE(WaitUntil([] { return CommitsAsked == 1; }));

    DispatchCommand(window, IDM_CANCEL);
    ReleaseCommits();

    ASSERT_TRUE(WaitUntil(WorkerIdle));
    EXPECT_EQ(CommitCount.load(), 1); // the block under way, none of the two attempts left
    EXPECT_EQ(KeepFreeing.load(), 1u); // re-armed for the next job
}

static void PutTextOnClipboard(HWND owner)
{
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 6);
    memcpy(GlobalLock(memory), "hello", 6);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();
}

static HANDLE ClipboardHeld;
static HANDLE ClipboardFree;

static DWORD WINAPI HoldClipboard(LPVOID)
{
    HWND holder = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    OpenClipboard(holder);
    SetEvent(ClipboardHeld);
    WaitForSingleObject(ClipboardFree, INFINITE);
    CloseClipboard();
    DestroyWindow(holder);
    return 0;
}

TEST_F(CommandsTest, EmptyClipboardLeavesAClipboardHeldElsewhere)
{
    PutTextOnClipboard(window);
    ClipboardHeld = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ClipboardFree = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE holder = CreateThread(nullptr, 0, HoldClipboard, nullptr, 0, nullptr);
    // Wine's clipboard may call back into this thread's windows, so keep them answering.
    ASSERT_TRUE(WaitUntil([] { return WaitForSingleObject(ClipboardHeld, 0) == WAIT_OBJECT_0; }));

    DispatchCommand(window, IDM_EMPTY_CLIPBOARD);

    SetEvent(ClipboardFree);
    WaitUntil([holder] { return WaitForSingleObject(holder, 0) == WAIT_OBJECT_0; });
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));

    DispatchCommand(window, IDM_EMPTY_CLIPBOARD);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}

TEST_F(CommandsTest, HelpOpensTheContentsOfTheHelpFile)
{
    DispatchCommand(window, IDM_HELP);
    ASSERT_EQ(HelpCommands.size(), 1u);
    EXPECT_EQ(HelpCommands[0], static_cast<UINT>(HELP_FINDER));
}

TEST_F(CommandsTest, UnknownIdsDoNothing)
{
    Settings.AutoFree = 0;
    const UINT unknown[] = {0, 40001, 40005, IDM_FREE_FIXED - 1, IDM_CANCEL + 1, 0xFFFF};
    for (UINT id : unknown) {
        DispatchCommand(window, id);
    }
    EXPECT_TRUE(WorkerIdle());
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(Settings.AutoFree, 0u);
    EXPECT_TRUE(MessageTexts.empty());
    EXPECT_TRUE(HelpCommands.empty());
    EXPECT_TRUE(TrayCalls.empty());
}

TEST_F(CommandsTest, ExitRemovesTheIconAndEndsTheWindow)
{
    DispatchCommand(window, IDM_EXIT);

    EXPECT_FALSE(IsWindow(window));
    ASSERT_FALSE(TrayCalls.empty());
    EXPECT_EQ(TrayCalls.back().Message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(TrayIconAdded, 0u);
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}
