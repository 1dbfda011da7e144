// The freeing worker: one background thread that commits, touches and releases one block
// per attempt, and the requests that hand it jobs.
#pragma once
#include <windows.h>
#include <atomic>
#include "base/memstatus.h"

// Who asked for a run. The user asks with the button, the hot-key, the tray menu or the command
// line; the program starts the run at start-up and automatic ones on its own.
enum FreeingSource : DWORD { ButtonRun, HotkeyRun, TrayMenuRun, StartupRun, AutomaticRun, CommandLineRun, SourceCount };

bool AskedForByUser(FreeingSource source);
// Whether a refused block of the source's run is told in a box: not for the command line,
// whose own start answers it (a box would hold a scheduled run until somebody clicked it).
bool BoxTellsOfRefusal(FreeingSource source);

struct FreeingJobRecord {
    ByteCount Target;     // bytes of free memory to reach, and the size of each block
    DWORD AttemptsLeft;   // blocks still allowed
    FreeingSource Source;
};

enum FreeingEnding : DWORD { RunDone, RunCancelled, BlockRefused };

// What one run did. A job that had nothing to do (its target met, no attempt allowed) is no
// run and leaves no record; one cancelled before its first block is a cancelled run.
struct FreeingRun {
    FreeingSource Source;
    FreeingEnding Ending;
    SYSTEMTIME StartedAt;   // local time the worker took the job
    ULONGLONG EndedAt;      // TickCount when the job ended
    ULONGLONG Milliseconds; // from taking the job to its end
    ByteCount Block;        // each attempt's block: the job's target
    ByteCount FreeBefore;   // free memory as the worker took the job
    ByteCount FreeAfter;    // the first reading after the last block was released
};

// Free after minus free before, never below 0: other programs may take memory meanwhile.
ByteCount FreedBy(const FreeingRun &run);

extern CRITICAL_SECTION JobLock;       // guards FreeingBusy, FreeingJob and the ended runs
extern DWORD FreeingBusy;              // 1 from an accepted request until the job has ended
extern FreeingJobRecord FreeingJob;
extern std::atomic<DWORD> KeepFreeing;     // cleared by CancelFreeing during a job, re-armed when it ends
extern std::atomic<DWORD> FreeingProgress; // per mille of the running attempt, 0 when idle
const DWORD ProgressScale = 1000;          // FreeingProgress at a finished attempt

// Blocks a job may try: one the user asks for, and one of automatic freeing or of the run
// at start-up.
const DWORD ManualAttempts = 3;
const DWORD AutomaticAttempts = 2;
extern HANDLE FreeingWorker;

void StartFreeingWorker();
// Posts a job unless one runs: 1 when accepted. Target 0 posts none and answers whether the
// worker is idle, as IsWorkerIdle does.
DWORD RequestFreeing(ByteCount target, DWORD attempts, FreeingSource source = ButtonRun);
// True when free memory plus the amount stays within installed memory.
bool FitsOnTopOfFree(const MemoryStatus &status, ByteCount amount);
bool IsWorkerIdle();
// Ends the job under way after its block; while the worker is idle it does nothing, so that a
// cancel chosen from a menu left open past the run's end never ends a later run.
void CancelFreeing();
void ApplyWorkerPriority();

// Hands the UI thread the records of ended runs, oldest first, each once; false when none waits.
// The worker posts WM_APP_JOB_ENDED to the main window as each job ends.
bool TakeFinishedRun(FreeingRun *run);

// The block of one attempt: VirtualAlloc and VirtualFree in the program; tests and the
// benchmark count, refuse or time them.
extern void *(*CommitBlock)(SIZE_T size);
extern void (*ReleaseBlock)(void *block);
