// The freeing worker against its real thread and real VirtualAlloc blocks.
#include "engine/worker.h"
#include "base/handles.h"
#include "base/platform.h"
#include "engine/sampler.h"
#include "pages/refusal.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "tests/support/support.h"
#include <gtest/gtest.h>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

static const DWORD MB = 1u << 20;
static const SIZE_T Page = 4096;

static SIZE_T WholePages(SIZE_T size)
{
    return (size + Page - 1) / Page * Page;
}

// What the worker did with its blocks, written on the worker thread and read by the test
// after the worker is idle again (the job lock orders the two).
static std::atomic<int> Commits;
static std::atomic<int> Releases;
static std::atomic<int> OverlappingCommits;
static std::vector<SIZE_T> CommitSizes;
static std::vector<SIZE_T> ZeroedOffsets; // of the last released block
static std::vector<DWORD> ProgressAtRelease;
static SIZE_T LastSize;
static bool MeetTargetOnRelease;

// Blocks filled with 0xFF, so that the bytes the touch wrote show up as 0.
static void *FilledCommit(SIZE_T size)
{
    if (Commits - Releases != 0) {
        ++OverlappingCommits;
    }
    void *block = VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    memset(block, 0xFF, WholePages(size));
    CommitSizes.push_back(size);
    LastSize = size;
    ++Commits;
    return block;
}

static void InspectingRelease(void *block)
{
    ProgressAtRelease.push_back(FreeingProgress.load());
    ZeroedOffsets.clear();
    const BYTE *bytes = static_cast<const BYTE *>(block);
    for (SIZE_T offset = 0; offset < WholePages(LastSize); ++offset) {
        if (bytes[offset] == 0) {
            ZeroedOffsets.push_back(offset);
        }
    }
    VirtualFree(block, 0, MEM_RELEASE);
    ++Releases;
    if (MeetTargetOnRelease) {
        SetFakeFreeMemory(LastSize);
    }
}

static bool WaitIdle(DWORD milliseconds = 10000)
{
    return WaitUntil([] { return IsWorkerIdle(); }, milliseconds);
}

// A machine whose free memory never reaches the targets of the tests.
static void StartWorkerOnFullMachine()
{
    UseFakeMemory(1024 * SIZE_T{MB}, 0);
    CommitBlock = FilledCommit;
    ReleaseBlock = InspectingRelease;
    StartFreeingWorker();
}

static std::vector<SIZE_T> OffsetsTouchedFor(DWORD target)
{
    EXPECT_EQ(1u, RequestFreeing(target, 1));
    EXPECT_TRUE(WaitIdle());
    EXPECT_EQ(target, LastSize);
    return ZeroedOffsets;
}

TEST(FreeingWorker, TouchesTheStartOfEveryPageThenItsMiddleBelowTheTarget)
{
    StartWorkerOnFullMachine();
    EXPECT_EQ((std::vector<SIZE_T>{0}), OffsetsTouchedFor(2048));
    EXPECT_EQ((std::vector<SIZE_T>{0}), OffsetsTouchedFor(1));
    EXPECT_EQ((std::vector<SIZE_T>{0, 2048}), OffsetsTouchedFor(4096));
    EXPECT_EQ((std::vector<SIZE_T>{0, 2048, 4096}), OffsetsTouchedFor(5000));
    EXPECT_EQ((std::vector<SIZE_T>{0, 2048, 4096, 6144}), OffsetsTouchedFor(6145));
}

TEST(FreeingWorker, CommitsOneBlockPerAttemptUntilTheAttemptsAreUsedUp)
{
    StartWorkerOnFullMachine();
    ASSERT_EQ(1u, RequestFreeing(64 * 1024, 3));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(3, Commits);
    EXPECT_EQ(3, Releases);
    EXPECT_EQ(0, OverlappingCommits);
    EXPECT_EQ((std::vector<SIZE_T>{65536, 65536, 65536}), CommitSizes);
    EXPECT_EQ(0u, FreeingProgress.load());
}

TEST(FreeingWorker, StopsAfterTheAttemptThatMeetsTheTarget)
{
    StartWorkerOnFullMachine();
    MeetTargetOnRelease = true;
    ASSERT_EQ(1u, RequestFreeing(64 * 1024, 3));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(1, Commits);
    EXPECT_EQ(1, Releases);
}

TEST(FreeingWorker, CommitsNothingWhenTheTargetIsMetOrNoAttemptIsAllowed)
{
    StartWorkerOnFullMachine();
    SetFakeFreeMemory(64 * 1024);
    ASSERT_EQ(1u, RequestFreeing(64 * 1024, 3));
    ASSERT_TRUE(WaitIdle());
    SetFakeFreeMemory(0);
    ASSERT_EQ(1u, RequestFreeing(64 * 1024, 0));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(0, Commits);
    EXPECT_EQ(0u, FreeingProgress.load());
}

// While HoldNextThread is set, the next thread to start waits in this process's TLS callback,
// which every new thread runs before its own function, until the test lets it go on.
static std::atomic<bool> HoldNextThread;
static std::atomic<DWORD> HeldThread;
static HANDLE LetHeldThreadRun;

static void NTAPI HoldThreadAtItsStart(PVOID, DWORD reason, PVOID)
{
    if (reason == DLL_THREAD_ATTACH && HoldNextThread.exchange(false)) {
        HeldThread = GetCurrentThreadId();
        WaitForSingleObject(LetHeldThreadRun, 10000);
    }
}

#ifdef _MSC_VER
#pragma section(".CRT$XLB", read)
extern "C" __declspec(allocate(".CRT$XLB")) const PIMAGE_TLS_CALLBACK HoldThreadCallback = HoldThreadAtItsStart;
#else
extern "C" __attribute__((section(".CRT$XLB"), used)) const PIMAGE_TLS_CALLBACK HoldThreadCallback =
    HoldThreadAtItsStart;
#endif

TEST(FreeingWorker, RunsAJobPostedBeforeTheNewThreadHasRun)
{
    LetHeldThreadRun = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HoldNextThread = true;
    StartWorkerOnFullMachine();
    ASSERT_TRUE(WaitUntil([] { return HeldThread.load() != 0; }));
    ASSERT_EQ(GetThreadId(FreeingWorker), HeldThread.load());

    // The wake-up finds no thread waiting yet: only the worker's own look at the job sees it.
    ASSERT_EQ(1u, RequestFreeing(8192, 1));
    SetEvent(LetHeldThreadRun);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(1, Commits);
}

// A commit that holds the worker busy until the test lets it go on.
static HANDLE CommitMayGo;
static std::atomic<bool> CommitEntered;

static void *HeldCommit(SIZE_T size)
{
    CommitEntered = true;
    WaitForSingleObject(CommitMayGo, 10000);
    return FilledCommit(size);
}

static INT_PTR CALLBACK PlainPageProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

static std::string ButtonText(HWND page)
{
    char text[64] = "";
    GetDlgItemTextA(page, IDC_OPT_FREE_BUTTON, text, sizeof text);
    return text;
}

static bool ButtonEnabled(HWND page)
{
    return IsWindowEnabled(GetDlgItem(page, IDC_OPT_FREE_BUTTON)) != FALSE;
}

TEST(FreeingRequests, AcceptedJobShowsBusyAndRequestsDuringItAreDroppedUntouched)
{
    StartWorkerOnFullMachine();
    HINSTANCE program = GetModuleHandleA(nullptr);
    HWND host = CreateDialogParamA(program, MAKEINTRESOURCEA(IDD_MAIN), nullptr, PlainPageProc, 0);
    OptimizationPage = CreateDialogParamA(program, MAKEINTRESOURCEA(IDD_OPTIMIZATION), host, PlainPageProc, 0);
    ASSERT_NE(nullptr, OptimizationPage);
    CommitMayGo = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CommitBlock = HeldCommit;

    ASSERT_EQ(1u, RequestFreeing(8192, 2));
    EXPECT_EQ("Busy", ButtonText(OptimizationPage));
    EXPECT_FALSE(ButtonEnabled(OptimizationPage));
    ASSERT_TRUE(WaitUntil([] { return CommitEntered.load(); }));

    SetDlgItemTextA(OptimizationPage, IDC_OPT_FREE_BUTTON, "Free");
    EnableWindow(GetDlgItem(OptimizationPage, IDC_OPT_FREE_BUTTON), TRUE);
    EXPECT_EQ(0u, RequestFreeing(16384, 5));
    EXPECT_FALSE(IsWorkerIdle());
    EXPECT_EQ("Free", ButtonText(OptimizationPage));
    EXPECT_TRUE(ButtonEnabled(OptimizationPage));
    EnterCriticalSection(&JobLock);
    EXPECT_EQ(8192u, FreeingJob.Target);
    EXPECT_EQ(2u, FreeingJob.AttemptsLeft);
    EXPECT_EQ(1u, FreeingBusy);
    LeaveCriticalSection(&JobLock);

    SetEvent(CommitMayGo);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ((std::vector<SIZE_T>{8192, 8192}), CommitSizes);
}

// A cancel chosen while idle (from a menu left open past the run's end) does nothing: the next
// job, possibly hours later, runs whole.
TEST(FreeingRequests, CancelWhileIdleLeavesTheNextJobWhole)
{
    StartWorkerOnFullMachine();
    CancelFreeing();
    EXPECT_EQ(1u, KeepFreeing.load());
    ASSERT_EQ(1u, RequestFreeing(8192, 3, CommandLineRun));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(3, Commits);
    FreeingRun run;
    ASSERT_TRUE(TakeFinishedRun(&run));
    EXPECT_EQ(RunDone, run.Ending);
    EXPECT_EQ(CommandLineRun, run.Source);
}

// Guard pages report each first touch of a page on the worker thread, with the progress as
// it was just before that visit. Re-guarding the page before the faulting one lets the second
// pass be seen as well.
struct Visit {
    SIZE_T Offset;
    DWORD ProgressBefore;
    bool operator==(const Visit &other) const = default;
};

static BYTE *GuardedBlock;
static SIZE_T GuardedPages;
static std::vector<Visit> Visits;
static SIZE_T CancelAtOffset = SIZE_MAX;
static bool CancelAtRelease;

static void Guard(SIZE_T page)
{
    DWORD old;
    VirtualProtect(GuardedBlock + page * Page, Page, PAGE_READWRITE | PAGE_GUARD, &old);
}

static LONG CALLBACK OnGuardPage(EXCEPTION_POINTERS *info)
{
    const EXCEPTION_RECORD *record = info->ExceptionRecord;
    if (record->ExceptionCode != STATUS_GUARD_PAGE_VIOLATION) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    SIZE_T offset = reinterpret_cast<BYTE *>(record->ExceptionInformation[1]) - GuardedBlock;
    Visits.push_back({offset, FreeingProgress.load()});
    if (offset == CancelAtOffset) {
        CancelFreeing();
    }
    Guard((offset / Page + GuardedPages - 1) % GuardedPages);
    return EXCEPTION_CONTINUE_EXECUTION;
}

static void *GuardedCommit(SIZE_T size)
{
    GuardedBlock = static_cast<BYTE *>(VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    GuardedPages = WholePages(size) / Page;
    for (SIZE_T page = 0; page < GuardedPages; ++page) {
        Guard(page);
    }
    ++Commits;
    return GuardedBlock;
}

static void CountingRelease(void *block)
{
    ProgressAtRelease.push_back(FreeingProgress.load());
    VirtualFree(block, 0, MEM_RELEASE);
    ++Releases;
    if (CancelAtRelease) {
        CancelFreeing();
    }
}

static void StartWorkerWithGuardedBlocks()
{
    StartWorkerOnFullMachine();
    CommitBlock = GuardedCommit;
    ReleaseBlock = CountingRelease;
    AddVectoredExceptionHandler(1, OnGuardPage);
}

TEST(FreeingProgress, StartsEachAttemptAtZeroAndStaysBelowOneThousand)
{
    StartWorkerWithGuardedBlocks();
    const DWORD target = 64 * 1024; // 16 pages, 32 visits of 2048 bytes
    ASSERT_EQ(1u, RequestFreeing(target, 2));
    ASSERT_TRUE(WaitIdle());

    std::vector<Visit> expected;
    for (DWORD leftBefore : {1u, 968u}) {
        for (SIZE_T visit = 0; visit < 32; ++visit) {
            SIZE_T offset = visit < 16 ? visit * 4096 : (visit - 16) * 4096 + 2048;
            // The progress a visit stores counts the bytes before it: visit v stores v * 31.25.
            // An attempt's first visit finds what the request or the attempt before left.
            DWORD before = visit == 0 ? leftBefore : static_cast<DWORD>((visit - 1) * 2048.0 / target * 1000.0);
            expected.push_back({offset, before});
        }
    }
    EXPECT_EQ(expected, Visits);
    EXPECT_EQ((std::vector<DWORD>{968, 968}), ProgressAtRelease);
    EXPECT_EQ(0u, FreeingProgress.load());
}

// A clock that moves only when a block is released, and a machine on which each release
// leaves 16 KiB more free; both read on the worker thread.
static std::atomic<ULONGLONG> Clock{900000};
static std::atomic<ULONGLONG> FreeNow;

static void ReleaseFreeingAndTakingTime(void *block)
{
    Clock += 700;
    FreeNow += 16 * 1024;
    SetFakeFreeMemory(FreeNow);
    CountingRelease(block);
}

static bool RefuseTheBlock;

static void *RefuseWhenAsked(SIZE_T size)
{
    return RefuseTheBlock ? nullptr : GuardedCommit(size);
}

static void WINAPI TwoMinutesPastTwo(LPSYSTEMTIME time)
{
    *time = SYSTEMTIME{2026, 12, 1, 7, 14, 2, 30, 0};
}

// Each way a job of three attempts can end, and the record it leaves. A cancel ends the job
// wherever it comes: no visit after it, no further block.
TEST(FreeingRecord, TellsHowEachJobEndedWithItsFigures)
{
    StartWorkerWithGuardedBlocks();
    CommitBlock = RefuseWhenAsked;
    ReleaseBlock = ReleaseFreeingAndTakingTime;
    TickCount = [] { return Clock.load(); };
    LocalTime = TwoMinutesPastTwo;
    const SIZE_T none = SIZE_MAX - 1;
    struct Case {
        const char *name;
        FreeingSource source;
        SIZE_T cancelAt; // the offset of the visit that cancels; SIZE_MAX: the first release
        bool refuse;
        size_t visits;
        int releases;
        FreeingEnding ending;
    } cases[] = {
        {"done", HotkeyRun, none, false, 96, 3, RunDone},
        {"first pass", ButtonRun, 5 * 4096, false, 6, 1, RunCancelled},
        {"second pass", TrayMenuRun, 5 * 4096 + 2048, false, 16 + 6, 1, RunCancelled},
        {"between attempts", AutomaticRun, SIZE_MAX, false, 32, 1, RunCancelled},
        {"refused", CommandLineRun, none, true, 0, 0, BlockRefused},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Visits.clear();
        Releases = 0;
        FreeNow = 0;
        SetFakeFreeMemory(0);
        CancelAtOffset = c.cancelAt;
        CancelAtRelease = c.cancelAt == SIZE_MAX;
        RefuseTheBlock = c.refuse;
        ASSERT_EQ(1u, RequestFreeing(64 * 1024, 3, c.source));
        ASSERT_TRUE(WaitIdle());
        ASSERT_EQ(c.visits, Visits.size());
        if (c.ending == RunCancelled && !CancelAtRelease) {
            EXPECT_EQ(c.cancelAt, Visits.back().Offset);
        }
        EXPECT_EQ(c.releases, Releases.load());
        EXPECT_EQ(0u, FreeingProgress.load());
        EXPECT_EQ(1u, KeepFreeing.load());

        FreeingRun run;
        ASSERT_TRUE(TakeFinishedRun(&run));
        EXPECT_EQ(c.source, run.Source);
        EXPECT_EQ(c.ending, run.Ending);
        EXPECT_EQ(14, run.StartedAt.wHour);
        EXPECT_EQ(2, run.StartedAt.wMinute);
        EXPECT_EQ(Clock.load(), run.EndedAt);
        EXPECT_EQ(700u * c.releases, run.Milliseconds);
        EXPECT_EQ(64 * 1024u, run.Block);
        EXPECT_EQ(0u, run.FreeBefore);
        EXPECT_EQ(16 * 1024u * c.releases, run.FreeAfter);
        EXPECT_EQ(run.FreeAfter, FreedBy(run));
    }
    // Other programs may take more than the run gave back: nothing was freed, not less.
    FreeingRun taken = {};
    taken.FreeBefore = 5 * MB;
    taken.FreeAfter = 3 * MB;
    EXPECT_EQ(0u, FreedBy(taken));
}

// Runs that end before the UI thread looks are each handed over, oldest first; only when more
// wait than are kept does the oldest give way.
TEST(FreeingRecord, RunsEndedBeforeTheyAreTakenAreHandedOverInOrder)
{
    StartWorkerOnFullMachine();
    const DWORD runs = 10;
    const DWORD kept = 8;
    for (DWORD i = 1; i <= runs; ++i) {
        ASSERT_EQ(1u, RequestFreeing(i * 64 * 1024, 1));
        ASSERT_TRUE(WaitIdle());
    }
    FreeingRun run;
    for (DWORD i = runs - kept + 1; i <= runs; ++i) {
        ASSERT_TRUE(TakeFinishedRun(&run));
        EXPECT_EQ(i * 64 * 1024u, run.Block);
    }
    EXPECT_FALSE(TakeFinishedRun(&run));
}

TEST(FreeingWorker, PriorityFollowsTheSettingWithHighAsHighest)
{
    Settings.Priority = 2;
    StartWorkerOnFullMachine();
    EXPECT_EQ(THREAD_PRIORITY_HIGHEST, GetThreadPriority(FreeingWorker));
    Settings.Priority = 0;
    ApplyWorkerPriority();
    EXPECT_EQ(THREAD_PRIORITY_IDLE, GetThreadPriority(FreeingWorker));
    Settings.Priority = 1;
    ApplyWorkerPriority();
    EXPECT_EQ(THREAD_PRIORITY_NORMAL, GetThreadPriority(FreeingWorker));
}

static int BoxesShown;
static std::string BoxText;
static std::string BoxCaption;
static UINT BoxType;
static HWND BoxOwner;

static int WINAPI RecordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    ++BoxesShown;
    BoxOwner = owner;
    BoxText = Narrow(text);
    BoxCaption = Narrow(caption);
    BoxType = type;
    return IDOK;
}

// A window of the program's own, so that the boxes have the owner they would have.
static void OpenOwnWindow()
{
    MainWindow = CreateWindowExA(0, "Static", "Memvale", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
}

TEST(FreeUpBy, AcceptsASumEqualToInstalledMemoryAndRefusesOneByteMore)
{
    StartWorkerOnFullMachine();
    ShowMessageBox = RecordBox;
    UseFakeMemory(1 * MB, 256 * 1024);

    OpenOwnWindow();
    EXPECT_EQ(0u, FreeUpBy(768 * 1024 + 1, 3, ButtonRun));
    EXPECT_EQ(1, BoxesShown);
    EXPECT_EQ("Currently there is 0.25 MB of free physical memory and\n"
              "you are trying to free it to 1.00 MB. You can't do that, because\n"
              "you have only 1.00 MB of physical memory installed!!!",
              BoxText);
    EXPECT_EQ("Message", BoxCaption);
    EXPECT_EQ(UINT{MB_ICONINFORMATION | MB_OK}, BoxType);
    // Never another program's window, which the box would disable until it closes.
    EXPECT_EQ(MainWindow, BoxOwner);
    EXPECT_NE(nullptr, BoxOwner);
    EXPECT_TRUE(IsWorkerIdle());

    ASSERT_EQ(1u, FreeUpBy(768 * 1024, 3, ButtonRun));
    EnterCriticalSection(&JobLock);
    EXPECT_EQ(1 * MB, FreeingJob.Target);
    LeaveCriticalSection(&JobLock);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(3, Commits);
    EXPECT_EQ(1, BoxesShown);
}

TEST(FreeUpBy, RefusesASumPastFourGigabytesWithTheTrueSum)
{
    StartWorkerOnFullMachine();
    ShowMessageBox = RecordBox;
    // 3072 MB free of 3584 MB; 1280 MB more would wrap to 256 MB in 32 bits.
    UseFakeMemory(3584ull * MB, 3072ull * MB);

    EXPECT_EQ(0u, FreeUpBy(1280 * MB, 3, ButtonRun));
    EXPECT_EQ(1, BoxesShown);
    EXPECT_EQ("Currently there is 3,072.00 MB of free physical memory and\n"
              "you are trying to free it to 4,352.00 MB. You can't do that, because\n"
              "you have only 3,584.00 MB of physical memory installed!!!",
              BoxText);
    EXPECT_TRUE(IsWorkerIdle());
    EXPECT_EQ(0, Commits);
}

static void *RefusingCommit(SIZE_T size)
{
    CommitSizes.push_back(size);
    ++Commits;
    return nullptr;
}

// On today's machines the sums go past 4 GiB: they are made in 64 bits, and an amount that
// would wrap even those is refused with its true sum.
TEST(FreeUpBy, ComparesTrueFiguresAbove4GiB)
{
    StartWorkerOnFullMachine();
    CommitBlock = RefusingCommit;
    ShowMessageBox = RecordBox;
    UseFakeMemory(16ull << 30, 9ull << 30);

    EXPECT_EQ(0u, FreeUpBy((7ull << 30) + 1, 3, ButtonRun));
    EXPECT_EQ("Currently there is 9,216.00 MB of free physical memory and\n"
              "you are trying to free it to 16,384.00 MB. You can't do that, because\n"
              "you have only 16,384.00 MB of physical memory installed!!!",
              BoxText);
    EXPECT_EQ(0u, FreeUpBy(~0ull, 3, ButtonRun));
    // The true sum, 17592186053632 MB, whose grouping Wine gets wrong: compared as formatted.
    wchar_t trueSum[64];
    FormatDecimal(trueSum, 64, 17592186053632.0, 2);
    EXPECT_NE(std::string::npos, BoxText.find("to " + Narrow(trueSum) + " MB")) << BoxText;
    EXPECT_EQ(2, BoxesShown);

    ASSERT_EQ(1u, FreeUpBy(7ull << 30, 3, ButtonRun));
    EnterCriticalSection(&JobLock);
    EXPECT_EQ(16ull << 30, FreeingJob.Target);
    LeaveCriticalSection(&JobLock);
    ASSERT_TRUE(WaitIdle());
}

// Windows refusing the block ends the job, not the program: one commit call, nothing touched,
// no further attempt, progress back at 0, no box from the worker, and the UI thread told once.
static bool ProcessEnded;

TEST(FreeingWorker, RefusedBlockEndsTheJobAndIsHandedOverOnce)
{
    StartWorkerOnFullMachine();
    CommitBlock = RefusingCommit;
    EndProcess = [](int) { ProcessEnded = true; };
    ShowMessageBox = RecordBox;

    ASSERT_EQ(1u, RequestFreeing(64 * 1024, 3, AutomaticRun));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(1, Commits);
    EXPECT_EQ(0, Releases);
    EXPECT_EQ(0u, FreeingProgress.load());
    EXPECT_FALSE(ProcessEnded);
    EXPECT_EQ(0, BoxesShown);

    FreeingRun run;
    ASSERT_TRUE(TakeFinishedRun(&run));
    EXPECT_EQ(AutomaticRun, run.Source);
    EXPECT_EQ(BlockRefused, run.Ending);
    EXPECT_EQ(64 * 1024u, run.Block);
    EXPECT_FALSE(TakeFinishedRun(&run));

    // A job whose target is met commits nothing and leaves no record; the next one that
    // commits does.
    SetFakeFreeMemory(64 * 1024);
    ASSERT_EQ(1u, RequestFreeing(64 * 1024, 3));
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(TakeFinishedRun(&run));
    SetFakeFreeMemory(0);
    CommitBlock = FilledCommit;
    ASSERT_EQ(1u, RequestFreeing(64 * 1024, 1, StartupRun));
    ASSERT_TRUE(WaitIdle());
    ASSERT_TRUE(TakeFinishedRun(&run));
    EXPECT_EQ(StartupRun, run.Source);
    EXPECT_EQ(RunDone, run.Ending);
}

#ifndef _WIN64
static void *CountedVirtualAlloc(SIZE_T size)
{
    ++Commits;
    return VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE);
}

// A 32-bit program has no room for a block near 4 GiB, and cannot even ask for one past it:
// both end the job as a refused block, the second without asking Windows at all.
TEST(FreeingWorker, BlocksThe32BitAddressSpaceCannotHoldAreRefused)
{
    StartWorkerOnFullMachine();
    CommitBlock = CountedVirtualAlloc;
    UseFakeMemory(8ull << 30, 0);
    FreeingRun run;
    for (ByteCount target : {0xFFFF0000ull, 5ull << 30}) {
        ASSERT_EQ(1u, RequestFreeing(target, 3));
        ASSERT_TRUE(WaitIdle());
        ASSERT_TRUE(TakeFinishedRun(&run));
        EXPECT_EQ(BlockRefused, run.Ending) << target;
    }
    EXPECT_EQ(1, Commits);
}
#endif

// The box's own message loop still delivers the hot-key and the tray's commands.
static int WINAPI BoxThatSeesMoreRefusals(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    RecordBox(owner, text, caption, type);
    if (BoxesShown == 1) {
        FreeUpBy(2 * MB, 3, ButtonRun);
        ShowCommitRefusal(8 * MB);
    }
    return IDOK;
}

TEST(FreeUpBy, ARefusalWhileARefusalBoxIsOpenShowsNone)
{
    StartWorkerOnFullMachine();
    ShowMessageBox = BoxThatSeesMoreRefusals;
    UseFakeMemory(1 * MB, 0);
    EXPECT_EQ(0u, FreeUpBy(2 * MB, 3, ButtonRun));
    EXPECT_EQ(1, BoxesShown);
    ShowCommitRefusal(8 * MB);
    EXPECT_EQ(2, BoxesShown);
    EXPECT_EQ("This run had to reserve 8.00 MB of memory, and Windows could not provide that much.\n\n"
              "Ask for less memory, close some programs, or enlarge the page file, and try again.",
              BoxText);
}

// Many requests, cancels and idle queries from this thread against the running worker, some
// of them under the sample lock as the refresh tick makes them. Each accepted job has a target
// of its own, so its blocks can be told apart.
TEST(FreeingStress, EveryAcceptedJobRunsOnceAndTheWorkerEndsIdle)
{
    StartWorkerOnFullMachine();
    std::atomic_ref<DWORD>(Settings.Interval).store(100);
    StartMemorySampler();

    struct Accepted {
        DWORD Target;
        DWORD Attempts;
        bool CancelBefore; // a cancel since the job before was accepted
        bool CancelAfter;  // a cancel before the next job was accepted
    };
    std::vector<Accepted> accepted;
    std::mt19937 random(12345);
    bool cancelled = false;
    // On a loaded machine the worker may run only a few hundred jobs in 100,000 steps; the
    // steps go on until more than 1000 were accepted, for at most 20 s.
    const ULONGLONG start = GetTickCount64();
    for (int step = 0; step < 100000 || (accepted.size() <= 1000 && GetTickCount64() - start < 20000);
         ++step) {
        DWORD roll = random() % 1000;
        bool busy = false;
        // Cancels come only while every eighth job is the last accepted, so that however fast
        // the worker runs, most jobs see none.
        if (roll < 3 && accepted.size() % 8 == 0) {
            CancelFreeing();
            cancelled = true;
            if (!accepted.empty()) {
                accepted.back().CancelAfter = true;
            }
        } else if (roll < 500) {
            DWORD target = 2048 + static_cast<DWORD>(accepted.size());
            DWORD attempts = random() % 4;
            bool underSampleLock = roll < 250;
            if (underSampleLock) {
                LockSamples(nullptr, nullptr);
            }
            busy = RequestFreeing(target, attempts) == 0;
            if (underSampleLock) {
                UnlockSamples();
            }
            if (!busy) {
                accepted.push_back({target, attempts, cancelled, false});
                cancelled = false;
            }
        } else {
            busy = !IsWorkerIdle();
        }
        // Let the worker on when it is busy, so that many jobs are accepted.
        if (busy) {
            SwitchToThread();
        }
    }
    ASSERT_TRUE(WaitIdle(20000));
    EXPECT_EQ(Commits.load(), Releases.load());
    EXPECT_EQ(0, OverlappingCommits);
    EXPECT_GT(accepted.size(), 1000u);

    // Blocks come in the order of the jobs, each job no more than its attempts, and exactly its
    // attempts when no cancel could have reached it.
    size_t next = 0;
    size_t clean = 0;
    for (const Accepted &job : accepted) {
        DWORD blocks = 0;
        while (next < CommitSizes.size() && CommitSizes[next] == job.Target) {
            ++blocks;
            ++next;
        }
        if (job.CancelBefore || job.CancelAfter) {
            EXPECT_LE(blocks, job.Attempts) << "target " << job.Target;
        } else {
            EXPECT_EQ(job.Attempts, blocks) << "target " << job.Target;
            ++clean;
        }
    }
    EXPECT_EQ(CommitSizes.size(), next);
    EXPECT_GT(clean, accepted.size() / 2);
    EXPECT_EQ(0u, FreeingProgress.load());
}
