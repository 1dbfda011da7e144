// The freeing worker: one background thread that commits, touches and releases one block
// per attempt, and the requests that hand it jobs.
#include "engine/worker.h"
#include "engine/memstatus.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/fatal.h"
#include "shell/handles.h"
#include "shell/platform.h"
#include <cstdio>

CRITICAL_SECTION JobLock;
DWORD FreeingBusy;
FreeingJobRecord FreeingJob;
std::atomic<DWORD> KeepFreeing{1};
std::atomic<DWORD> FreeingProgress{0};
HANDLE FreeingWorker;

// Signalled, under JobLock, whenever a job has been accepted.
static CONDITION_VARIABLE JobPosted = CONDITION_VARIABLE_INIT;

const DWORD PageStride = 4096;
const DWORD HalfPage = 2048;
const int RefusalTextSize = 320;

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

// One pass over the block: the offsets first, first + 4096, ... below target. touched counts
// the bytes of both passes of the attempt; progress is published from its value before each
// visit. A cleared KeepFreeing ends the pass before the next visit.
static void TouchPass(BYTE *block, DWORD first, DWORD target, double *touched)
{
    const double size = target;
    double counter = *touched;
    // 64-bit offsets: a block near 4 GiB must not wrap the offset back to the start.
    for (DWORD64 offset = first; offset < target; offset += PageStride) {
        if (KeepFreeing.load(std::memory_order_relaxed) == 0) {
            break;
        }
        // One read-modify-write instruction that reads the byte and writes 0 (the block is
        // fresh, so its content stays as it was); the write is what makes the system back the
        // page. A separate read would fault first and be given a shared zero page, and the
        // write would then fault a second time.
        std::atomic_ref<BYTE>(block[offset]).fetch_and(0, std::memory_order_relaxed);
        FreeingProgress.store(static_cast<DWORD>(counter / size * 1000.0), std::memory_order_relaxed);
        counter += HalfPage;
    }
    *touched = counter;
}

static void RunJob()
{
    const DWORD target = FreeingJob.Target;
    if (FreeingJob.AttemptsLeft == 0) {
        return;
    }
    while (KeepFreeing.load(std::memory_order_relaxed) != 0) {
        MEMORYSTATUS status;
        ReadMemoryStatus(&status);
        if (target <= status.dwAvailPhys) {
            return;
        }
        void *block = CommitBlock(target);
        if (!block) {
            ReportFatal("There is no enough virtual memory to run\nWill terminate now.\n");
            return;
        }
        double touched = 0;
        TouchPass(static_cast<BYTE *>(block), 0, target, &touched);
        TouchPass(static_cast<BYTE *>(block), HalfPage, target, &touched);
        ReleaseBlock(block);
        if (--FreeingJob.AttemptsLeft == 0) {
            return;
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
        RunJob();
        FreeingProgress.store(0, std::memory_order_relaxed);
        EnterCriticalSection(&JobLock);
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

DWORD RequestFreeing(DWORD target, DWORD attempts)
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
    FreeingBusy = 1;
    FreeingJob.AttemptsLeft = attempts;
    FreeingProgress.store(1, std::memory_order_relaxed);
    LeaveCriticalSection(&JobLock);
    WakeConditionVariable(&JobPosted);
    return 1;
}

DWORD FreeUpBy(DWORD amount, DWORD attempts)
{
    MEMORYSTATUS status;
    ReadMemoryStatus(&status);
    // Summed in 64 bits: a sum past 4 GiB is above any installed memory we can see, and must
    // not wrap round to a small target that would be accepted.
    DWORD64 target = static_cast<DWORD64>(status.dwAvailPhys) + amount;
    if (target <= status.dwTotalPhys) {
        return RequestFreeing(static_cast<DWORD>(target), attempts);
    }
    ShowFreeingRefusal(status, static_cast<double>(target));
    return 0;
}

void ShowFreeingRefusal(const MEMORYSTATUS &status, double target)
{
    char text[RefusalTextSize];
    snprintf(text, sizeof text,
             "Currently there is %.2f MB of free physical memory and\n"
             "you are trying to free it to %.2f MB. You can't do that, because\n"
             "you have only %.2f MB of physical memory installed!!!",
             static_cast<double>(status.dwAvailPhys) / BytesPerMB, target / BytesPerMB,
             static_cast<double>(status.dwTotalPhys) / BytesPerMB);
    ShowMessageBox(GetForegroundWindow(), text, "Message", MB_ICONINFORMATION | MB_OK);
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
