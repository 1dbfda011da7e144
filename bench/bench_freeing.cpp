// Throughput of the freeing worker against the plain cost of committing and touching a block.
// Usage: bench_freeing [MiB [pairs]]   (default 512 MiB, 9 pairs). Worker and limit runs come
// in pairs, and each pair gives one ratio (the worker's MiB/s divided by the limit's), so that a
// change in the machine's load between runs does not tilt the result. The order within a pair
// alternates: the second run of a pair takes over the memory the first has just released, which
// can favour either. The last lines printed are the least, median and greatest ratio, and
// "ratio R", the median again.
#include "base/memstatus.h"
#include "engine/worker.h"
#include "settings/settings.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>

const int DefaultPairs = 9;
const int MostPairs = 99;
const unsigned long DefaultMegabytes = 512;
// What one block of this build can hold: a 32-bit program has no room for more.
const unsigned long MostMegabytes = sizeof(void *) == 8 ? 1048576 : 2047;
const DWORD PageStride = 4096;

// No memory is ever free, so that each job makes exactly its one attempt.
static BOOL WINAPI NothingFree(LPMEMORYSTATUSEX status)
{
    status->ullTotalPhys = ~0ull;
    status->ullAvailPhys = 0;
    return TRUE;
}

static LARGE_INTEGER ReleasedAt;
static HANDLE BlockReleased;

static void ReleaseAndNote(void *block)
{
    VirtualFree(block, 0, MEM_RELEASE);
    QueryPerformanceCounter(&ReleasedAt);
    SetEvent(BlockReleased);
}

static double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One job of one attempt through the worker, from the request to the release of its block.
static double TimeWorker(ByteCount size)
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (RequestFreeing(size, 1) != 1) {
        return 0;
    }
    // A block Windows refuses is never released: the worker is idle again without it.
    while (WaitForSingleObject(BlockReleased, 100) == WAIT_TIMEOUT) {
        if (IsWorkerIdle() && WaitForSingleObject(BlockReleased, 0) == WAIT_TIMEOUT) {
            return 0;
        }
    }
    double elapsed = Seconds(start, ReleasedAt);
    while (!IsWorkerIdle()) {
        Sleep(1);
    }
    return elapsed;
}

// The least that freeing this much can cost: commit, write once per page, release.
static double TimeLimit(SIZE_T size)
{
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    volatile BYTE *block = static_cast<volatile BYTE *>(VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    if (!block) {
        return 0;
    }
    for (SIZE_T offset = 0; offset < size; offset += PageStride) {
        block[offset] = 0;
    }
    VirtualFree(const_cast<BYTE *>(block), 0, MEM_RELEASE);
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

static double MedianOfSorted(const double *values, int count)
{
    return count % 2 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

int main(int argc, char **argv)
{
    unsigned long megabytes = argc > 1 ? strtoul(argv[1], nullptr, 10) : DefaultMegabytes;
    int pairs = argc > 2 ? atoi(argv[2]) : DefaultPairs;
    if (megabytes == 0 || megabytes > MostMegabytes || pairs < 1 || pairs > MostPairs) {
        fprintf(stderr, "usage: bench_freeing [MiB [pairs]], 1 to %lu MiB, 1 to %d pairs\n", MostMegabytes,
                MostPairs);
        return 2;
    }
    const SIZE_T size = static_cast<SIZE_T>(megabytes) << 20;

    MemoryStatusSource = NothingFree;
    BlockReleased = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ReleaseBlock = ReleaseAndNote;
    // The limit runs on this thread at normal priority: the worker runs at the same level.
    Settings.Priority = 1;
    StartFreeingWorker();

    // One pair first, unmeasured: the system's first hand-out of this much memory costs more
    // than any later one.
    double ratios[MostPairs];
    for (int run = -1; run < pairs; ++run) {
        bool workerFirst = run % 2 == 0;
        double workerSeconds;
        double limitSeconds;
        if (workerFirst) {
            workerSeconds = TimeWorker(size);
            limitSeconds = TimeLimit(size);
        } else {
            limitSeconds = TimeLimit(size);
            workerSeconds = TimeWorker(size);
        }
        if (workerSeconds <= 0 || limitSeconds <= 0) {
            fprintf(stderr, "could not commit %lu MiB\n", megabytes);
            return 1;
        }
        if (run < 0) {
            continue;
        }
        double worker = static_cast<double>(megabytes) / workerSeconds;
        double limit = static_cast<double>(megabytes) / limitSeconds;
        ratios[run] = worker / limit;
        printf("pair %d, %s first: worker %.1f MiB/s, limit %.1f MiB/s, ratio %.3f\n", run + 1,
               workerFirst ? "worker" : "limit", worker, limit, ratios[run]);
    }
    std::sort(ratios, ratios + pairs);
    double median = MedianOfSorted(ratios, pairs);
    printf("%lu MiB, %d pairs: least ratio %.3f, median %.3f, greatest %.3f\n", megabytes, pairs, ratios[0],
           median, ratios[pairs - 1]);
    printf("ratio %.3f\n", median);
    return 0;
}
