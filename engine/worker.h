// The freeing worker: one background thread that commits, touches and releases one block
// per attempt, and the requests that hand it jobs.
#pragma once
#include <windows.h>
#include <atomic>

struct FreeingJobRecord {
    DWORD Target;       // bytes of free memory to reach, and the size of each block
    DWORD AttemptsLeft; // blocks still allowed
};

extern CRITICAL_SECTION JobLock;       // guards FreeingBusy and FreeingJob
extern DWORD FreeingBusy;              // 1 from an accepted request until the job has ended
extern FreeingJobRecord FreeingJob;
extern std::atomic<DWORD> KeepFreeing;     // cleared by CancelFreeing, re-armed when idle
extern std::atomic<DWORD> FreeingProgress; // per mille of the running attempt, 0 when idle
extern HANDLE FreeingWorker;

void StartFreeingWorker();
DWORD RequestFreeing(DWORD target, DWORD attempts);
DWORD FreeUpBy(DWORD amount, DWORD attempts);
// The box FreeUpBy shows when free memory now plus the amount (target, in bytes) would
// exceed installed memory.
void ShowFreeingRefusal(const MEMORYSTATUS &status, double target);
void CancelFreeing();
void ApplyWorkerPriority();

// The block of one attempt: VirtualAlloc and VirtualFree in the program; tests and the
// benchmark count or time them.
extern void *(*CommitBlock)(SIZE_T size);
extern void (*ReleaseBlock)(void *block);
