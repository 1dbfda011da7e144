// The refresh tick against the real main window, pages and worker: what it shows in the
// window, on the free-up button and in the tray, and when it starts automatic freeing.
#include "shell/tick.h"
#include "base/platform.h"
#include "settings/settings.h"
#include "shell/commands.h"
#include "shell/tray.h"
#include "tests/support/program.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <ostream>

class TickTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        Settings.AutoFree = 0;
        Settings.MinLimit = 64 * MB;
        Settings.FreeTo = 16 * MB;
        Settings.ManualFree = 8 * MB;
        Settings.BusyIcon = 1;
        TrayCalls.clear();
    }

    HWND Button() const { return GetDlgItem(OptimizationPage, IDC_OPT_FREE_BUTTON); }
};

TEST_F(TickTest, FirstTickReplacesTheStartingTipAndIcon)
{
    ASSERT_STREQ(TrayIconData.szTip, "Memvale");
    ASSERT_EQ(TrayIconData.hIcon, ProgramIcon(IDI_APP));

    RefreshTick();

    ASSERT_EQ(TrayCalls.size(), 1u);
    EXPECT_EQ(TrayCalls[0].Message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(TrayCalls[0].Tip, "Memvale * Free physical: 100 MB");
    EXPECT_EQ(TrayCalls[0].Icon, ProgramIcon(IDI_NORMAL));
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_MAIN_FREE_TEXT)), "100.00 MB");
    EXPECT_EQ(WindowText(Button()), "Free up 8.00 MB\n(target: 108.00 MB)");
    EXPECT_TRUE(IsWindowEnabled(Button()));
    EXPECT_TRUE(WorkerIdle());
}

TEST_F(TickTest, FreeMemoryBarTakesMachinesAbove2GiB)
{
    SetMachine(3072u * MB, 2560u * MB);

    RefreshTick();

    HWND bar = GetDlgItem(window, IDC_MAIN_FREE_BAR);
    PBRANGE range;
    SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 49152);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 40960);
}

TEST_F(TickTest, ButtonTargetDoesNotWrapAt4GiB)
{
    Settings.ManualFree = 0xFFFF0000u;
    RefreshTick();
    EXPECT_EQ(WindowText(Button()), "Free up 4095.94 MB\n(target: 4195.94 MB)");
}

// The tick goes by the sample, not by a reading of its own (which still lies below the
// target, so that the held job stays busy).
TEST_F(TickTest, BelowLowerLimitStartsAJobOfTwoAttemptsInTheSameTick)
{
    SetFreeMemory(10 * MB);
    SetFakeFreeMemory(12 * MB);

    RefreshTick();

    EXPECT_FALSE(WorkerIdle());
    EXPECT_EQ(FreeingJob.Target, 16 * MB);
    EXPECT_EQ(FreeingJob.AttemptsLeft, 2u);
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_MAIN_FREE_TEXT)), "10.00 MB");
    EXPECT_EQ(WindowText(Button()), "Busy");
    EXPECT_FALSE(IsWindowEnabled(Button()));
    ASSERT_EQ(TrayCalls.size(), 1u);
    EXPECT_EQ(TrayCalls[0].Icon, ProgramIcon(IDI_BUSY));
    EXPECT_EQ(TrayCalls[0].Tip, "Memvale * Free physical: 10 MB");
    EXPECT_EQ(BusyIconShown, 1u);
}

TEST_F(TickTest, AutomaticFreeingSwitchedOffShowsTheLowIcon)
{
    Settings.AutoFree = 1;
    SetFreeMemory(10 * MB);

    RefreshTick();

    EXPECT_TRUE(WorkerIdle());
    EXPECT_EQ(CommitCount.load(), 0);
    ASSERT_EQ(TrayCalls.size(), 1u);
    EXPECT_EQ(TrayCalls[0].Icon, ProgramIcon(IDI_LOW));
}

TEST_F(TickTest, LowerLimitZeroNeverFreesNorShowsLow)
{
    Settings.MinLimit = 0;
    SetFreeMemory(0);

    RefreshTick();

    EXPECT_TRUE(WorkerIdle());
    ASSERT_EQ(TrayCalls.size(), 1u);
    EXPECT_EQ(TrayCalls[0].Icon, ProgramIcon(IDI_NORMAL));
    EXPECT_EQ(TrayCalls[0].Tip, "Memvale * Free physical: 0 MB");
}

TEST_F(TickTest, FreeExactlyAtLowerLimitIsNormal)
{
    SetFreeMemory(64 * MB);

    RefreshTick();

    EXPECT_TRUE(WorkerIdle());
    ASSERT_EQ(TrayCalls.size(), 1u);
    EXPECT_EQ(TrayCalls[0].Icon, ProgramIcon(IDI_NORMAL));
}

TEST_F(TickTest, BusyTextsAndProgressBarRange)
{
    HWND bar = GetDlgItem(OptimizationPage, IDC_OPT_PROGRESS);
    ASSERT_EQ(RequestFreeing(HeldTarget, 1), 1u); // held before its commit: progress stays ours
    PBRANGE range;

    RefreshTick(); // progress 1, as the accepted request left it
    EXPECT_EQ(WindowText(Button()), "Freeing (0% done)");
    EXPECT_FALSE(IsWindowEnabled(Button()));
    SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iHigh, 1000);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 1);

    // At 0 only the position is set: a range put there before survives.
    SendMessageA(bar, PBM_SETRANGE32, 0, 77);
    FreeingProgress = 0;
    RefreshTick();
    EXPECT_EQ(WindowText(Button()), "Freeing (0% done)");
    SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iHigh, 77);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);

    FreeingProgress = 994;
    RefreshTick();
    EXPECT_EQ(WindowText(Button()), "Freeing (99% done)");
    SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iHigh, 1000);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 994);

    FreeingProgress = 995;
    RefreshTick();
    EXPECT_EQ(WindowText(Button()), "Freeing (100% done)");

    FreeingProgress = 5;
    RefreshTick();
    EXPECT_EQ(WindowText(Button()), "Freeing (1% done)");
}

TEST_F(TickTest, BusyIconIsSentOnTheFirstBusyTickOfEachJob)
{
    for (int job = 0; job < 2; ++job) {
        HoldCommits();
        ASSERT_EQ(RequestFreeing(HeldTarget, 1), 1u);
        TrayCalls.clear();

        RefreshTick();
        RefreshTick(); // same tip, busy icon already shown: nothing to send

        ASSERT_EQ(TrayCalls.size(), 1u) << "job " << job;
        EXPECT_EQ(TrayCalls[0].Icon, ProgramIcon(IDI_BUSY));

        FinishJob();
        ASSERT_TRUE(WorkerIdle());
        RefreshTick();
        EXPECT_EQ(TrayCalls.back().Icon, ProgramIcon(IDI_NORMAL));
        EXPECT_EQ(BusyIconShown, 0u);
    }
}

TEST_F(TickTest, WithoutBusyIconTheIconFollowsFreeMemory)
{
    Settings.BusyIcon = 0;
    Settings.AutoFree = 1;
    ASSERT_EQ(RequestFreeing(HeldTarget, 1), 1u);

    RefreshTick();
    SetFreeMemory(10 * MB);
    RefreshTick();
    RefreshTick();

    ASSERT_EQ(TrayCalls.size(), 3u); // every tick sends, unchanged tip or not
    EXPECT_EQ(TrayCalls[0].Icon, ProgramIcon(IDI_NORMAL));
    EXPECT_EQ(TrayCalls[1].Icon, ProgramIcon(IDI_LOW));
    EXPECT_EQ(TrayCalls[2].Icon, ProgramIcon(IDI_LOW));
    EXPECT_EQ(BusyIconShown, 0u);
}

static void ReleaseAndFreeMemory(void *block)
{
    VirtualFree(block, 0, MEM_RELEASE);
    SetFakeFreeMemory(20 * MB); // what the run has freed
}

static void WINAPI HalfPastTwoMinutesPastTwo(LPSYSTEMTIME time)
{
    *time = SYSTEMTIME{2026, 12, 1, 7, 14, 2, 30, 0};
}

// The tooltip and the Optimization page tell of the run once it has ended.
TEST_F(TickTest, TimerFreesMemoryOnceItDropsBelowTheLowerLimit)
{
    ReleaseCommits();
    ReleaseBlock = ReleaseAndFreeMemory;
    TickCount = [] { return 5000000ull; };
    LocalTime = HalfPastTwoMinutesPastTwo;
    Settings.MinLimit = 12 * MB;
    Settings.Interval = 100;
    SetFreeMemory(10 * MB);
    SendMessageA(window, WM_APP_INTERVAL, 0, 0);

    ASSERT_TRUE(WaitUntil([] { return CommitCount.load() == 1 && WorkerIdle(); }));
    ASSERT_TRUE(WaitUntil([] { return TrayIconData.hIcon == ProgramIcon(IDI_NORMAL); }));
    EXPECT_STREQ(TrayIconData.szTip,
                 "Memvale * Free physical: 20 MB\nLast run 14:02: freed 10 MB (automatic)");
    EXPECT_EQ(ItemText(OptimizationPage, IDC_OPT_LAST_RUN), "Last run 14:02: freed 10 MB (automatic)");
    EXPECT_EQ(CommitCount.load(), 1);
    EXPECT_TRUE(IsWindowEnabled(Button()));
}

// Blocks Windows refuses or gives, as the test says; every call counted.
static std::atomic<int> CommitCalls;
static std::atomic<bool> RefuseBlocks{true};

static void *RefuseOrCommit(SIZE_T size)
{
    ++CommitCalls;
    return RefuseBlocks ? nullptr : VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE);
}

static DWORD BoxThread;

static int WINAPI RecordBoxAndThread(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    BoxThread = GetCurrentThreadId();
    return RecordMessageBox(owner, text, caption, type);
}

static void TickAndWaitIdle()
{
    RefreshTick();
    ASSERT_TRUE(WaitUntil(WorkerIdle));
}

TEST_F(TickTest, ARefusedBlockOfAManualRunIsToldOnceFromTheUserInterfaceThread)
{
    CommitBlock = RefuseOrCommit;
    ShowMessageBox = RecordBoxAndThread;
    DispatchCommand(window, IDM_FREE_NOW);
    ASSERT_TRUE(WaitUntil(WorkerIdle));
    EXPECT_EQ(CommitCalls.load(), 1);
    EXPECT_TRUE(MessageTexts.empty()); // the worker itself shows nothing

    RefreshTick();
    RefreshTick();
    ASSERT_EQ(MessageTexts.size(), 1u);
    EXPECT_EQ(BoxThread, GetCurrentThreadId());
    EXPECT_NE(MessageTexts[0].find("This run had to reserve 108.00 MB of memory"), std::string::npos);
    EXPECT_TRUE(IsWindow(window));
}

// The clock of the ticks and of the worker; it moves only when the test says.
static std::atomic<ULONGLONG> Now{5000000};
static std::atomic<int> AutomaticRuns;
static std::atomic<bool> LiftOnRelease;

static void *CountAutomaticRuns(SIZE_T size)
{
    // The worker owns the job while it runs; a job's first attempt is the start of a run.
    if (FreeingJob.Source == AutomaticRun && FreeingJob.AttemptsLeft == 2) {
        ++AutomaticRuns;
    }
    return RefuseOrCommit(size);
}

// Free memory after the block is released: lifted above the limit, or held where it was.
static void ReleaseAndMaybeLift(void *block)
{
    VirtualFree(block, 0, MEM_RELEASE);
    if (LiftOnRelease) {
        SetFakeFreeMemory(20 * MB);
    }
}

enum RunEnd { Held, Lifted, Refused };
enum AfterRun { Nothing, NewLimits, SwitchedOffAndOn, ManualRunHeld, ManualRunLifting };

struct PauseStep {
    RunEnd End;
    AfterRun After;
    ULONGLONG Wait;    // from the automatic run's end to the next one
    const char *Until; // the tooltip's line as the wait begins, at 14:02:30
};

struct PauseSequence {
    const char *Name;
    std::vector<PauseStep> Steps;
};

void PrintTo(const PauseSequence &sequence, std::ostream *out)
{
    *out << sequence.Name;
}

class AutoFreePause : public TickTest, public testing::WithParamInterface<PauseSequence> {};

// Free memory held at 10 MB below a lower limit of 12 MB: each step lets the tick start an
// automatic run, which ends as the step says, then what the step names happens, and the next
// automatic run must wait exactly the step's time: one millisecond short of it nothing starts.
TEST_P(AutoFreePause, WaitsAsTheRunsEnded)
{
    CommitBlock = CountAutomaticRuns;
    ReleaseBlock = ReleaseAndMaybeLift;
    TickCount = [] { return Now.load(); };
    LocalTime = HalfPastTwoMinutesPastTwo;
    Settings.MinLimit = 12 * MB;
    SetFreeMemory(10 * MB);

    for (const PauseStep &step : GetParam().Steps) {
        SCOPED_TRACE(testing::Message() << "run " << AutomaticRuns.load() + 1);
        RefuseBlocks = step.End == Refused;
        LiftOnRelease = step.End == Lifted;
        int runs = AutomaticRuns;
        TickAndWaitIdle();
        ASSERT_EQ(AutomaticRuns.load(), runs + 1);
        SetFreeMemory(10 * MB); // taken back at once by the programs in use
        RefuseBlocks = false;
        TickAndWaitIdle(); // learns how the run ended
        LiftOnRelease = step.After == ManualRunLifting;
        int calls = CommitCalls;
        switch (step.After) {
        case Nothing:
            break;
        case NewLimits:
            Settings.MinLimit = 13 * MB;
            break;
        case SwitchedOffAndOn:
            Settings.AutoFree = 1;
            TickAndWaitIdle();
            Settings.AutoFree = 0;
            break;
        case ManualRunHeld:
        case ManualRunLifting:
            DispatchCommand(window, IDM_FREE_NOW);
            ASSERT_TRUE(WaitUntil(WorkerIdle));
            EXPECT_GT(CommitCalls.load(), calls); // manual runs never wait
            SetFreeMemory(10 * MB);
            break;
        }
        TickAndWaitIdle();
        std::string tip = TrayIconData.szTip;
        EXPECT_EQ(tip.substr(tip.find('\n') + 1), std::string("Automatic freeing waits until ") + step.Until);
        Now += step.Wait - 1;
        TickAndWaitIdle();
        EXPECT_EQ(AutomaticRuns.load(), runs + 1);
        Now += 1;
    }
    EXPECT_TRUE(MessageTexts.empty()); // automatic runs show no box
    TickAndWaitIdle();
    EXPECT_EQ(AutomaticRuns.load(), static_cast<int>(GetParam().Steps.size()) + 1);
}

INSTANTIATE_TEST_SUITE_P(Sequences, AutoFreePause, testing::Values(
    PauseSequence{"HeldBelow", {{Held, Nothing, 60000, "14:04"}, {Held, Nothing, 120000, "14:05"},
        {Held, Nothing, 240000, "14:07"}, {Held, Nothing, 480000, "14:11"}, {Held, Nothing, 960000, "14:19"},
        {Held, Nothing, 960000, "14:19"}}},
    PauseSequence{"Lifted", {{Lifted, Nothing, 30000, "14:03"}, {Lifted, Nothing, 30000, "14:03"}}},
    PauseSequence{"LiftedBetween", {{Held, Nothing, 60000, "14:04"}, {Held, Nothing, 120000, "14:05"},
        {Lifted, Nothing, 30000, "14:03"}, {Held, Nothing, 60000, "14:04"}}},
    PauseSequence{"Refused", {{Refused, Nothing, 60000, "14:04"}, {Refused, Nothing, 120000, "14:05"},
        {Held, Nothing, 240000, "14:07"}, {Lifted, Nothing, 30000, "14:03"}}},
    PauseSequence{"LimitsChanged", {{Held, Nothing, 60000, "14:04"}, {Held, NewLimits, 30000, "14:03"},
        {Held, Nothing, 60000, "14:04"}}},
    PauseSequence{"SwitchedOffAndOn", {{Held, Nothing, 60000, "14:04"}, {Held, SwitchedOffAndOn, 30000, "14:03"}}},
    PauseSequence{"ManualRuns", {{Held, ManualRunHeld, 60000, "14:04"}, {Held, ManualRunLifting, 30000, "14:03"},
        {Held, Nothing, 60000, "14:04"}}}),
    [](const testing::TestParamInfo<PauseSequence> &info) { return std::string(info.param.Name); });

static void *RefuseBlock(SIZE_T)
{
    return nullptr;
}

// 16 GiB installed and 9 GiB free, as today's machines have: true figures in the window, the
// tray, the pages, the offers and the defaults, and a fixed amount of 4096 MB is accepted.
TEST(TodaysMachine, ShowsTrueFiguresAbove4GiBEverywhere)
{
    HWND window = OpenProgram(16ull << 30, 9ull << 30);
    ASSERT_NE(window, nullptr);
    CommitBlock = RefuseBlock;
    RefreshTick();

    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_MAIN_FREE_TEXT)), "9216.00 MB");
    HWND bar = GetDlgItem(window, IDC_MAIN_FREE_BAR);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 262144);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 147456);
    EXPECT_STREQ(TrayIconData.szTip, "Memvale * Free physical: 9216 MB");
    EXPECT_EQ(ItemText(OptimizationPage, IDC_OPT_FREE_BUTTON), "Free up 327.00 MB\n(target: 9543.00 MB)");
    RefreshIdleMenu();
    char item[128] = "";
    GetMenuStringA(IdleMenu, IDM_FREE_NOW, item, sizeof item, MF_BYCOMMAND);
    EXPECT_STREQ(item, "Free up 327.00 MB (target: 9543.00 MB)");

    struct SliderRow {
        HWND page;
        int id;
        LRESULT position;
    };
    for (const SliderRow &row : {SliderRow{OptimizationPage, IDC_OPT_LOWER_SLIDER, 819 * 16},
                                 SliderRow{OptimizationPage, IDC_OPT_FREETO_SLIDER, 1638 * 16},
                                 SliderRow{OptimizationPage, IDC_OPT_AMOUNT_SLIDER, 327 * 16},
                                 SliderRow{StartupPage, IDC_STARTUP_SLIDER, 64}}) {
        EXPECT_EQ(SendDlgItemMessageA(row.page, row.id, TBM_GETRANGEMAX, 0, 0), 262144) << row.id;
        EXPECT_EQ(SendDlgItemMessageA(row.page, row.id, TBM_GETPOS, 0, 0), row.position) << row.id;
    }
    EXPECT_EQ(ItemText(OptimizationPage, IDC_OPT_LOWER_TEXT), "819.00 MB");
    EXPECT_EQ(ItemText(OptimizationPage, IDC_OPT_FREETO_SHARE), "(10%)");
    DragSlider(OptimizationPage, IDC_OPT_FREETO_SLIDER, 262144);
    EXPECT_EQ(Settings.FreeTo, 16ull << 30);
    EXPECT_EQ(ItemText(OptimizationPage, IDC_OPT_FREETO_TEXT), "16384.00 MB");

    DispatchCommand(window, IDM_FREE_FIXED + 12);
    EXPECT_TRUE(MessageTexts.empty());
    ASSERT_TRUE(WaitUntil(WorkerIdle));
    EXPECT_EQ(FreeingJob.Target, 13ull << 30);
}
