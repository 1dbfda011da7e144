// The freeing worker: one background thread that commits, touches and releases one block
// per attempt, and the requests that hand it jobs.
#pragma once
#include <windows.h>
#include <atomic>
#include "base/memstatus.h"

// Who asked for a run: the user (button, hot-key, tray commands), automatic freeing, or the
// run at start-up.
enum FreeingSource : DWORD { ManualRun, AutomaticRun, StartupRun };

struct FreeingJobRecord {
    ByteCount Target;     // bytes of free memory to reach, and the size of each block
    DWORD AttemptsLeft;   // blocks still allowed
    FreeingSource Source;
};

// How a job that tried to commit ended; jobs that committed nothing at all leave none.
enum FreeingResult : DWORD { BlockCommitted, CommitRefused };

struct FreeingOutcome {
    FreeingSource Source;
    FreeingResult Result;
    ByteCount Target;
};

extern CRITICAL_SECTION JobLock;       // guards FreeingBusy, FreeingJob and the last outcome
extern DWORD FreeingBusy;              // 1 from an accepted request until the job has ended
extern FreeingJobRecord FreeingJob;
extern std::atomic<DWORD> KeepFreeing;     // cleared by CancelFreeing, re-armed when idle
extern std::atomic<DWORD> FreeingProgress; // per mille of the running attempt, 0 when idle
const DWORD ProgressScale = 1000;          // FreeingProgress at a finished attempt

// Blocks a job may try: one the user asks for, and one of automatic freeing or of the run
// at start-up.
const DWORD ManualAttempts = 3;
const DWORD AutomaticAttempts = 2;
extern HANDLE FreeingWorker;

void StartFreeingWorker();
// Target 0 asks whether the worker is idle; otherwise posts a job unless one runs.
DWORD RequestFreeing(ByteCount target, DWORD attempts, FreeingSource source = ManualRun);
DWORD FreeUpBy(ByteCount amount, DWORD attempts);
void CancelFreeing();
void ApplyWorkerPriority();

// Hands the UI thread the outcome of the last job that tried to commit, once; false when
// there is none it has not taken yet.
bool TakeFreeingOutcome(FreeingOutcome *outcome);

// The boxes that tell the user a manual request cannot be met: its target lies above
// installed memory (target in bytes, as a floating-point sum that never wraps), or Windows
// refused the block. Owned by the program's own window; while one is open, no other shows.
void ShowFreeingRefusal(const MemoryStatus &status, double target);
void ShowCommitRefusal(ByteCount target);

// The block of one attempt: VirtualAlloc and VirtualFree in the program; tests and the
// benchmark count, refuse or time them.
extern void *(*CommitBlock)(SIZE_T size);
extern void (*ReleaseBlock)(void *block);
