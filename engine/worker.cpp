// The freeing worker: one background thread that commits, touches and releases one block
// per attempt, and the requests that hand it jobs.
#include "engine/worker.h"
#include "base/fatal.h"
#include "base/handles.h"
#include "base/language.h"
#include "base/messages.h"
#include "base/platform.h"
#include "res/resource.h"
#include "settings/settings.h"

CRITICAL_SECTION JobLock;
DWORD FreeingBusy;
FreeingJobRecord FreeingJob;
std::atomic<DWORD> KeepFreeing{1};
std::atomic<DWORD> FreeingProgress{0};
HANDLE FreeingWorker;

// Signalled, under JobLock, whenever a job has been accepted.
static CONDITION_VARIABLE JobPosted = CONDITION_VARIABLE_INIT;

// The records of ended runs, oldest first, until the UI thread takes them; under JobLock. Runs
// follow one another, and the UI thread is told of each as it ends, so more than a few wait
// only while it is held up; then the oldest gives way.
const DWORD RecordQueueSize = 8;
static FreeingRun FinishedRuns[RecordQueueSize];
static DWORD OldestRun;
static DWORD RunsWaiting;

const DWORD PageStride = 4096;
const DWORD HalfPage = 2048;

// Thread priorities in the order of the Priority setting: idle, normal, high.
const int WorkerPriorities[] = {THREAD_PRIORITY_IDLE, THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_HIGHEST};

static void *CommitWithVirtualAlloc(SIZE_T size)
{
    return VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE);
}

static void ReleaseWithVirtualFree(void *block)
{
    VirtualFree(block, 0, MEM_RELEASE);
}

void *(*CommitBlock)(SIZE_T size) = CommitWithVirtualAlloc;
void (*ReleaseBlock)(void *block) = ReleaseWithVirtualFree;

// A 32-bit program cannot even ask for a block that SIZE_T does not hold: refused as well.
static void *CommitWholeTarget(ByteCount target)
{
    if (target != static_cast<SIZE_T>(target)) {
        return nullptr;
    }
    return CommitBlock(static_cast<SIZE_T>(target));
}

// One pass over the block: the offsets first, first + 4096, ... below target. touched counts
// the bytes of both passes of the attempt; progress is published from its value before each
// visit. A cleared KeepFreeing ends the pass before the next visit; then it answers false.
static bool TouchPass(BYTE *block, ByteCount first, ByteCount target, double *touched)
{
    const double size = static_cast<double>(target);
    double counter = *touched;
    bool whole = true;
    for (ByteCount offset = first; offset < target; offset += PageStride) {
        if (KeepFreeing.load(std::memory_order_relaxed) == 0) {
            whole = false;
            break;
        }
        // One read-modify-write instruction that reads the byte and writes 0 (the block is
        // fresh, so its content stays as it was); the write is what makes the system back the
        // page. A separate read would fault first and be given a shared zero page, and the
        // write would then fault a second time.
        std::atomic_ref<BYTE>(block[offset]).fetch_and(0, std::memory_order_relaxed);
        FreeingProgress.store(static_cast<DWORD>(counter / size * ProgressScale), std::memory_order_relaxed);
        counter += HalfPage;
    }
    *touched = counter;
    return whole;
}

// Runs the job's attempts and fills in the run's figures and ending; true when it was a run at
// all: it tried to commit, or it was cancelled before it could.
static bool RunJob(FreeingRun *run)
{
    const ByteCount target = FreeingJob.Target;
    MemoryStatus status;
    ReadMemoryStatus(&status);
    run->Block = target;
    run->FreeBefore = status.AvailPhys;
    run->FreeAfter = status.AvailPhys;
    bool tried = false;
    for (;;) {
        if (FreeingJob.AttemptsLeft == 0 || target <= status.AvailPhys) {
            run->Ending = RunDone;
            return tried;
        }
        // Cancelled before a block too: the user asked for the run and called it off, and
        // whoever waits for it learns so.
        if (KeepFreeing.load(std::memory_order_relaxed) == 0) {
            run->Ending = RunCancelled;
            return true;
        }
        // Windows may refuse a block this large (the commit limit, or no address range that
        // long); then the job ends and memory stays as it is.
        void *block = CommitWholeTarget(target);
        tried = true;
        if (!block) {
            run->Ending = BlockRefused;
            return true;
        }
        double touched = 0;
        bool whole = TouchPass(static_cast<BYTE *>(block), 0, target, &touched) &&
                     TouchPass(static_cast<BYTE *>(block), HalfPage, target, &touched);
        ReleaseBlock(block);
        --FreeingJob.AttemptsLeft;
        ReadMemoryStatus(&status);
        run->FreeAfter = status.AvailPhys;
        if (!whole) {
            run->Ending = RunCancelled;
            return true;
        }
    }
}

static DWORD WINAPI FreeingWorkerMain(LPVOID)
{
    // No job can be lost: FreeingBusy is only set under JobLock, and the worker tests it under
    // JobLock, which it holds from going idle until SleepConditionVariableCS releases it and
    // starts waiting as one step. A job accepted before the thread first gets here is seen by
    // that test before any wait.
    EnterCriticalSection(&JobLock);
    for (;;) {
        while (FreeingBusy == 0) {
            SleepConditionVariableCS(&JobPosted, &JobLock, INFINITE);
        }
        LeaveCriticalSection(&JobLock);
        FreeingRun run = {};
        run.Source = FreeingJob.Source;
        LocalTime(&run.StartedAt);
        const ULONGLONG started = TickCount();
        bool ran = RunJob(&run);
        run.EndedAt = TickCount();
        run.Milliseconds = run.EndedAt - started;
        FreeingProgress.store(0, std::memory_order_relaxed);
        EnterCriticalSection(&JobLock);
        if (ran) {
            if (RunsWaiting == RecordQueueSize) {
                OldestRun = (OldestRun + 1) % RecordQueueSize;
                --RunsWaiting;
            }
            FinishedRuns[(OldestRun + RunsWaiting) % RecordQueueSize] = run;
            ++RunsWaiting;
        }
        FreeingBusy = 0;
        KeepFreeing.store(1, std::memory_order_relaxed);
        // Also after a job that left no record: whoever waits for it is answered now.
        if (MainWindow) {
            PostMessageW(MainWindow, WM_APP_JOB_ENDED, 0, 0);
        }
    }
}

void StartFreeingWorker()
{
    InitializeCriticalSection(&JobLock);
    FreeingBusy = 0;
    KeepFreeing.store(1, std::memory_order_relaxed);
    FreeingProgress.store(0, std::memory_order_relaxed);
    // Started suspended, so that not even its first steps run at another priority than the
    // stored one (at normal priority a run competes with the user's programs).
    FreeingWorker = CreateThread(nullptr, 0, FreeingWorkerMain, nullptr, CREATE_SUSPENDED, nullptr);
    if (!FreeingWorker) {
        ReportFatal(IDS_FATAL_WORKER);
    }
    ApplyWorkerPriority();
    ResumeThread(FreeingWorker);
}

DWORD RequestFreeing(ByteCount target, DWORD attempts, FreeingSource source)
{
    EnterCriticalSection(&JobLock);
    if (FreeingBusy != 0) {
        LeaveCriticalSection(&JobLock);
        return 0;
    }
    // A target of 0 is no job: the answer says whether the worker is idle.
    if (target == 0) {
        LeaveCriticalSection(&JobLock);
        return 1;
    }
    wchar_t busy[TextSize];
    LoadText(IDS_OPT_BUSY, busy, TextSize);
    SetDlgItemTextW(OptimizationPage, IDC_OPT_FREE_BUTTON, busy);
    EnableWindow(GetDlgItem(OptimizationPage, IDC_OPT_FREE_BUTTON), FALSE);
    FreeingJob.Target = target;
    FreeingJob.Source = source;
    FreeingBusy = 1;
    FreeingJob.AttemptsLeft = attempts;
    FreeingProgress.store(1, std::memory_order_relaxed);
    LeaveCriticalSection(&JobLock);
    WakeConditionVariable(&JobPosted);
    return 1;
}

bool TakeFinishedRun(FreeingRun *run)
{
    EnterCriticalSection(&JobLock);
    bool waiting = RunsWaiting != 0;
    if (waiting) {
        *run = FinishedRuns[OldestRun];
        OldestRun = (OldestRun + 1) % RecordQueueSize;
        --RunsWaiting;
    }
    LeaveCriticalSection(&JobLock);
    return waiting;
}

bool AskedForByUser(FreeingSource source)
{
    return source != StartupRun && source != AutomaticRun;
}

bool BoxTellsOfRefusal(FreeingSource source)
{
    return AskedForByUser(source) && source != CommandLineRun;
}

ByteCount FreedBy(const FreeingRun &run)
{
    return run.FreeAfter > run.FreeBefore ? run.FreeAfter - run.FreeBefore : 0;
}

// Compared without forming the sum, which could wrap past 64 bits for a huge amount.
bool FitsOnTopOfFree(const MemoryStatus &status, ByteCount amount)
{
    return amount <= status.TotalPhys && status.AvailPhys <= status.TotalPhys - amount;
}

bool IsWorkerIdle()
{
    EnterCriticalSection(&JobLock);
    bool idle = FreeingBusy == 0;
    LeaveCriticalSection(&JobLock);
    return idle;
}

// Under JobLock, where the worker ends a job and re-arms KeepFreeing: a cancel comes either
// before that end or finds the worker idle.
void CancelFreeing()
{
    EnterCriticalSection(&JobLock);
    if (FreeingBusy != 0) {
        KeepFreeing.store(0, std::memory_order_relaxed);
    }
    LeaveCriticalSection(&JobLock);
}

void ApplyWorkerPriority()
{
    const DWORD levels = sizeof WorkerPriorities / sizeof WorkerPriorities[0];
    DWORD choice = Settings.Priority < levels ? Settings.Priority : 0;
    SetThreadPriority(FreeingWorker, WorkerPriorities[choice]);
}
