// Automatic freeing while free memory stays below the lower limit: the real program (main
// window, tick, worker, sampler) runs for the given seconds of real time on a machine whose
// figures are faked, with real blocks of the target's size. Free memory is held at 10/12 of
// the target and the lower limit lies at 11/12 of it, the ratios of 1000 MB free, a limit of
// 1100 MB and a target of 1200 MB; by default the target is 12 MiB, so the blocks stay small.
// Prints each automatic run as it starts, then the number of runs and the process's CPU time
// (user and kernel, all threads) as a share of one core over the time measured.
// Usage: bench_autofree [seconds [target MiB]]   (default 300 seconds, 12 MiB)
#include "base/handles.h"
#include "base/memstatus.h"
#include "base/messages.h"
#include "engine/worker.h"
#include "settings/settings.h"
#include "shell/startup.h"
#include "shell/tray.h"
#include <atomic>
#include <cstdio>
#include <cstdlib>

const unsigned long DefaultSeconds = 300;
const unsigned long DefaultTargetMegabytes = 12;
const unsigned long MostMegabytes = sizeof(void *) == 8 ? 65536 : 1536;

static ByteCount Target;
static ULONGLONG StartedAt;
static std::atomic<int> AutomaticRuns;
static std::atomic<int> Blocks;

static BOOL WINAPI FreeHeldBelowTheLimit(LPMEMORYSTATUSEX status)
{
    status->ullTotalPhys = Target / 12 * 20;
    status->ullAvailPhys = Target / 12 * 10;
    return TRUE;
}

static void *CommitAndCount(SIZE_T size)
{
    // The worker owns its job while it runs: an automatic job's first attempt starts a run.
    if (FreeingJob.Source == AutomaticRun && FreeingJob.AttemptsLeft == 2) {
        ++AutomaticRuns;
        printf("automatic run %d at %.1f s\n", AutomaticRuns.load(), (GetTickCount64() - StartedAt) / 1000.0);
        fflush(stdout);
    }
    ++Blocks;
    return VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE);
}

static ULONGLONG ProcessorTime100ns()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return k.QuadPart + u.QuadPart;
}

static void CALLBACK EndMeasuring(HWND, UINT, UINT_PTR, DWORD)
{
    PostQuitMessage(0);
}

int main(int argc, char **argv)
{
    unsigned long seconds = argc > 1 ? strtoul(argv[1], nullptr, 10) : DefaultSeconds;
    unsigned long megabytes = argc > 2 ? strtoul(argv[2], nullptr, 10) : DefaultTargetMegabytes;
    if (seconds == 0 || seconds > 86400 || megabytes < 12 || megabytes > MostMegabytes) {
        fprintf(stderr, "usage: bench_autofree [seconds [target MiB]], 1 to 86400 s, 12 to %lu MiB\n",
                MostMegabytes);
        return 2;
    }
    Target = static_cast<ByteCount>(megabytes) << 20;
    MemoryStatusSource = FreeHeldBelowTheLimit;
    CommitBlock = CommitAndCount;

    StartUp(GetModuleHandleW(nullptr));
    CreateMainWindow();
    if (!MainWindow) {
        fprintf(stderr, "no main window\n");
        return 1;
    }
    Settings.AutoFree = 0;
    Settings.AppLoadFree = 0;
    Settings.MinLimit = Target / 12 * 11;
    Settings.FreeTo = Target;
    Settings.Interval = 1000;
    SendMessageW(MainWindow, WM_APP_INTERVAL, 0, 0);

    StartedAt = GetTickCount64();
    ULONGLONG processorBefore = ProcessorTime100ns();
    SetTimer(nullptr, 0, seconds * 1000, EndMeasuring);
    RunMessageLoop();
    ULONGLONG processor = ProcessorTime100ns() - processorBefore;
    double elapsed = (GetTickCount64() - StartedAt) / 1000.0;

    // Not through the window's destruction, which would save the faked settings.
    RemoveTrayIcon();
    double cpuSeconds = processor / 1e7;
    printf("target %lu MiB, free held at %lu MiB below a limit of %lu MiB\n", megabytes, megabytes * 10 / 12,
           megabytes * 11 / 12);
    printf("%.1f s: %d automatic runs, %d blocks, CPU %.2f s\n", elapsed, AutomaticRuns.load(), Blocks.load(),
           cpuSeconds);
    printf("cpu %.2f%% of one core\n", cpuSeconds / elapsed * 100.0);
    return 0;
}
