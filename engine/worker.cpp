// The freeing worker: one background thread that commits, touches and releases one block
// per attempt, and the requests that hand it jobs.
#include "engine/worker.h"
#include "base/fatal.h"
#include "base/handles.h"
#include "base/platform.h"
#include "res/resource.h"
#include "settings/settings.h"
#include <cstdio>

CRITICAL_SECTION JobLock;
DWORD FreeingBusy;
FreeingJobRecord FreeingJob;
std::atomic<DWORD> KeepFreeing{1};
std::atomic<DWORD> FreeingProgress{0};
HANDLE FreeingWorker;

// Signalled, under JobLock, whenever a job has been accepted.
static CONDITION_VARIABLE JobPosted = CONDITION_VARIABLE_INIT;

// The outcome of the last job that tried to commit, until the UI thread takes it; under JobLock.
static FreeingOutcome LastOutcome;
static DWORD OutcomeWaiting;

// 1 while a refusal box is open: its own message loop still runs the hot-key and the tray, and
// each further refusal would stack another box.
static DWORD RefusalBoxOpen;

const DWORD PageStride = 4096;
const DWORD HalfPage = 2048;
const int RefusalTextSize = 400;

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
// visit. A cleared KeepFreeing ends the pass before the next visit.
static void TouchPass(BYTE *block, ByteCount first, ByteCount target, double *touched)
{
    const double size = static_cast<double>(target);
    double counter = *touched;
    for (ByteCount offset = first; offset < target; offset += PageStride) {
        if (KeepFreeing.load(std::memory_order_relaxed) == 0) {
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
}

// Runs the job's attempts; true when it tried to commit, with the result in *result.
static bool RunJob(FreeingResult *result)
{
    const ByteCount target = FreeingJob.Target;
    if (FreeingJob.AttemptsLeft == 0) {
        return false;
    }
    bool tried = false;
    while (KeepFreeing.load(std::memory_order_relaxed) != 0) {
        MemoryStatus status;
        ReadMemoryStatus(&status);
        if (target <= status.AvailPhys) {
            return tried;
        }
        // Windows may refuse a block this large (the commit limit, or no address range that
        // long); then the job ends and memory stays as it is.
        void *block = CommitWholeTarget(target);
        tried = true;
        if (!block) {
            *result = CommitRefused;
            return true;
        }
        *result = BlockCommitted;
        double touched = 0;
        TouchPass(static_cast<BYTE *>(block), 0, target, &touched);
        TouchPass(static_cast<BYTE *>(block), HalfPage, target, &touched);
        ReleaseBlock(block);
        if (--FreeingJob.AttemptsLeft == 0) {
            return true;
        }
    }
    return tried;
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
        FreeingResult result = BlockCommitted;
        bool tried = RunJob(&result);
        FreeingProgress.store(0, std::memory_order_relaxed);
        EnterCriticalSection(&JobLock);
        if (tried) {
            LastOutcome = {FreeingJob.Source, result, FreeingJob.Target};
            OutcomeWaiting = 1;
        }
        FreeingBusy = 0;
        KeepFreeing.store(1, std::memory_order_relaxed);
    }
}

void StartFreeingWorker()
{
    InitializeCriticalSection(&JobLock);
    FreeingBusy = 0;
    KeepFreeing.store(1, std::memory_order_relaxed);
    FreeingProgress.store(0, std::memory_order_relaxed);
    FreeingWorker = CreateThread(nullptr, 0, FreeingWorkerMain, nullptr, 0, nullptr);
    if (!FreeingWorker) {
        ReportFatal("Can't create memory freeing thread!");
    }
}

DWORD RequestFreeing(ByteCount target, DWORD attempts, FreeingSource source)
{
    EnterCriticalSection(&JobLock);
    if (FreeingBusy != 0) {
        LeaveCriticalSection(&JobLock);
        return 0;
    }
    if (target == 0) {
        LeaveCriticalSection(&JobLock);
        return 1;
    }
    SendDlgItemMessageA(OptimizationPage, IDC_OPT_FREE_BUTTON, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Busy"));
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

bool TakeFreeingOutcome(FreeingOutcome *outcome)
{
    EnterCriticalSection(&JobLock);
    bool waiting = OutcomeWaiting != 0;
    if (waiting) {
        *outcome = LastOutcome;
        OutcomeWaiting = 0;
    }
    LeaveCriticalSection(&JobLock);
    return waiting;
}

DWORD FreeUpBy(ByteCount amount, DWORD attempts)
{
    MemoryStatus status;
    ReadMemoryStatus(&status);
    // Compared without forming the sum, which could wrap past 64 bits for a huge amount.
    if (amount <= status.TotalPhys && status.AvailPhys <= status.TotalPhys - amount) {
        return RequestFreeing(status.AvailPhys + amount, attempts, ManualRun);
    }
    ShowFreeingRefusal(status, static_cast<double>(status.AvailPhys) + static_cast<double>(amount));
    return 0;
}

static void ShowRefusal(const char *text)
{
    if (RefusalBoxOpen) {
        return;
    }
    RefusalBoxOpen = 1;
    ShowMessageBox(MainWindow, text, "Message", MB_ICONINFORMATION | MB_OK);
    RefusalBoxOpen = 0;
}

void ShowFreeingRefusal(const MemoryStatus &status, double target)
{
    char text[RefusalTextSize];
    snprintf(text, sizeof text,
             "Currently there is %.2f MB of free physical memory and\n"
             "you are trying to free it to %.2f MB. You can't do that, because\n"
             "you have only %.2f MB of physical memory installed!!!",
             Megabytes(status.AvailPhys), target / BytesPerMB, Megabytes(status.TotalPhys));
    ShowRefusal(text);
}

void ShowCommitRefusal(ByteCount target)
{
    char text[RefusalTextSize];
    snprintf(text, sizeof text,
             "This run had to reserve %.2f MB of memory, and Windows could not provide that much.\n\n"
             "Ask for less memory, close some programs, or enlarge the page file, and try again.",
             Megabytes(target));
    ShowRefusal(text);
}

void CancelFreeing()
{
    KeepFreeing.store(0, std::memory_order_relaxed);
}

void ApplyWorkerPriority()
{
    const DWORD levels = sizeof WorkerPriorities / sizeof WorkerPriorities[0];
    DWORD choice = Settings.Priority < levels ? Settings.Priority : 0;
    SetThreadPriority(FreeingWorker, WorkerPriorities[choice]);
}
