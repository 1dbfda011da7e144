// What the program tells of a finished run, against the real main window and tray record: the
// notice, the Optimization page's line, and the source each way of asking gives the run.
#include "shell/lastrun.h"
#include "pages/optimization.h"
#include "shell/commands.h"
#include "shell/tick.h"
#include "shell/tray.h"
#include "tests/support/program.h"
#include <gtest/gtest.h>
#include <functional>

using LastRunTest = MainWindowFixture;

const DWORD NoticeFlags = NIIF_USER | NIIF_LARGE_ICON | NIIF_NOSOUND | NIIF_RESPECT_QUIET_TIME;

TEST_F(LastRunTest, NoticeAndLineForEachRunAndNoticesChoice)
{
    struct Row {
        DWORD notices;
        FreeingSource source;
        FreeingEnding ending;
        ULONGLONG milliseconds;
        ULONGLONG beforeMB, afterMB;
        const char *notice; // none when null
        const char *line;
    } rows[] = {
        {1, ButtonRun, RunDone, 1400, 8404, 9216, "Freed 812 MB in 1.4 s. Free now: 9,216 MB.",
         "Last run 2:02 PM: freed 812 MB (button)"},
        {1, HotkeyRun, RunCancelled, 600, 9012, 9216, "Cancelled after 0.6 s; freed 204 MB. Free now: 9,216 MB.",
         "Last run 2:02 PM: cancelled, freed 204 MB (hot-key)"},
        {1, CommandLineRun, RunDone, 80, 9216, 9000, "Freed 0 MB in 0.1 s. Free now: 9,000 MB.",
         "Last run 2:02 PM: freed 0 MB (command line)"},
        {1, TrayMenuRun, BlockRefused, 0, 9216, 9216, nullptr,
         "Last run 2:02 PM: block of 1,200 MB refused (tray menu)"},
        {1, AutomaticRun, RunDone, 2000, 1000, 1100, nullptr, "Last run 2:02 PM: freed 100 MB (automatic)"},
        {1, StartupRun, RunDone, 2000, 1000, 1100, nullptr, "Last run 2:02 PM: freed 100 MB (start-up)"},
        {2, AutomaticRun, RunDone, 2000, 1000, 1100, "Freed 100 MB in 2.0 s (automatic). Free now: 1,100 MB.",
         "Last run 2:02 PM: freed 100 MB (automatic)"},
        {2, StartupRun, RunCancelled, 300, 1000, 1010, "Cancelled after 0.3 s (start-up); freed 10 MB. Free now: 1,010 MB.",
         "Last run 2:02 PM: cancelled, freed 10 MB (start-up)"},
        {2, AutomaticRun, BlockRefused, 0, 1000, 1000, nullptr,
         "Last run 2:02 PM: block of 1,200 MB refused (automatic)"},
        {0, ButtonRun, RunDone, 1400, 8404, 9216, nullptr, "Last run 2:02 PM: freed 812 MB (button)"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.line);
        Settings.Notices = row.notices;
        FreeingRun run = {row.source, row.ending, SYSTEMTIME{2026, 12, 1, 7, 14, 2, 59, 0}, 0, row.milliseconds,
                          1200ull * MB, row.beforeMB * MB, row.afterMB * MB};
        TrayCalls.clear();

        ReportRun(run);

        EXPECT_EQ(ItemText(OptimizationPage, IDC_OPT_LAST_RUN), row.line);
        if (!row.notice) {
            EXPECT_TRUE(TrayCalls.empty());
            continue;
        }
        ASSERT_EQ(TrayCalls.size(), 1u);
        const TrayCall &call = TrayCalls[0];
        EXPECT_EQ(call.Message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_TRUE(call.Flags & NIF_INFO);
        EXPECT_EQ(call.InfoTitle, "Memory freed");
        EXPECT_EQ(call.Info, row.notice);
        EXPECT_EQ(call.InfoFlags, NoticeFlags);
        EXPECT_EQ(call.BalloonIcon, LargeProgramIcon(IDI_APP));
        RefreshTick(); // the notice is shown once, not with every later update
        ASSERT_EQ(TrayCalls.size(), 2u);
        EXPECT_FALSE(TrayCalls[1].Flags & NIF_INFO);
    }
}

TEST_F(LastRunTest, AClickOnTheNoticeOpensTheMainWindow)
{
    ASSERT_FALSE(IsWindowVisible(window));
    SendMessageA(window, WM_APP_TRAY, 0, NIN_BALLOONUSERCLICK);
    EXPECT_TRUE(IsWindowVisible(window));
}

// 8 MB free of 64 MB, real blocks: a start-up run of 10 MB, then one run each way of asking.
TEST(RunSources, EachWayOfAskingNamesItsSourceInTheRecord)
{
    WriteRegistryDword(SettingsKey, "AppLoadFree", 1);
    WriteRegistryDword(SettingsKey, "AppLoadFreeSize", 10 * MB);
    HWND window = OpenProgram(64 * MB, 8 * MB);
    ASSERT_NE(window, nullptr);
    Settings.MinLimit = 0;
    struct Row {
        const char *name;
        std::function<void()> ask;
        FreeingSource source;
    } rows[] = {
        {"start-up", [] {}, StartupRun},
        {"button", [] { Click(OptimizationPage, IDC_OPT_FREE_BUTTON); }, ButtonRun},
        {"hot-key", [] { SendMessageA(OptimizationPage, WM_HOTKEY, HOTKEY_FREE, 0); }, HotkeyRun},
        {"tray menu", [window] { DispatchCommand(window, IDM_FREE_NOW); }, TrayMenuRun},
        {"tray menu, fixed amount", [window] { DispatchCommand(window, IDM_FREE_FIXED); }, TrayMenuRun},
        {"tray menu, all", [window] { DispatchCommand(window, IDM_FREE_ALL); }, TrayMenuRun},
        {"automatic", [] { Settings.MinLimit = 9 * MB; Settings.FreeTo = 10 * MB; RefreshTick(); }, AutomaticRun},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        LastRunKnown = 0;
        row.ask();
        ASSERT_TRUE(WaitUntil(WorkerIdle));
        RefreshTick();
        EXPECT_EQ(LastRunKnown, 1u);
        EXPECT_EQ(LastRun.Source, row.source);
        EXPECT_EQ(LastRun.Ending, RunDone);
    }
}
