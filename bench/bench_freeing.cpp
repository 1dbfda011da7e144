// Throughput of the freeing worker against the plain cost of committing and touching a block.
// Usage: bench_freeing [MiB]   (default 512). The last line printed is "ratio R", the worker's
// MiB/s divided by the limit's.
#include "engine/memstatus.h"
#include "engine/worker.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>

const int Repetitions = 7;
const unsigned long DefaultMegabytes = 512;
const unsigned long MostMegabytes = 4095;
const DWORD PageStride = 4096;

// No memory is ever free, so that each job makes exactly its one attempt.
static void WINAPI NothingFree(LPMEMORYSTATUS status)
{
    ZeroMemory(status, sizeof *status);
    status->dwLength = sizeof *status;
    status->dwTotalPhys = 0xFFFFFFFF;
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
static double TimeWorker(DWORD size)
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (RequestFreeing(size, 1) != 1) {
        return 0;
    }
    WaitForSingleObject(BlockReleased, INFINITE);
    double elapsed = Seconds(start, ReleasedAt);
    while (RequestFreeing(0, 0) != 1) {
        Sleep(1);
    }
    return elapsed;
}

// The least that freeing this much can cost: commit, write once per page, release.
static double TimeLimit(DWORD size)
{
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    volatile BYTE *block = static_cast<volatile BYTE *>(VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    if (!block) {
        return 0;
    }
    for (DWORD64 offset = 0; offset < size; offset += PageStride) {
        block[offset] = 0;
    }
    VirtualFree(const_cast<BYTE *>(block), 0, MEM_RELEASE);
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

static double Median(double *values, int count)
{
    std::sort(values, values + count);
    return count % 2 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

int main(int argc, char **argv)
{
    unsigned long megabytes = argc > 1 ? strtoul(argv[1], nullptr, 10) : DefaultMegabytes;
    if (megabytes == 0 || megabytes > MostMegabytes) {
        fprintf(stderr, "usage: bench_freeing [MiB], 1 to %lu\n", MostMegabytes);
        return 2;
    }
    const DWORD size = static_cast<DWORD>(megabytes << 20);

    MemoryStatusSource = NothingFree;
    BlockReleased = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ReleaseBlock = ReleaseAndNote;
    StartFreeingWorker();

    double worker[Repetitions];
    double limit[Repetitions];
    for (int run = 0; run < Repetitions; ++run) {
        double workerSeconds = TimeWorker(size);
        double limitSeconds = TimeLimit(size);
        if (workerSeconds <= 0 || limitSeconds <= 0) {
            fprintf(stderr, "could not commit %lu MiB\n", megabytes);
            return 1;
        }
        worker[run] = static_cast<double>(megabytes) / workerSeconds;
        limit[run] = static_cast<double>(megabytes) / limitSeconds;
        printf("run %d: worker %.1f MiB/s, limit %.1f MiB/s\n", run + 1, worker[run], limit[run]);
    }
    double workerRate = Median(worker, Repetitions);
    double limitRate = Median(limit, Repetitions);
    printf("worker %.1f MiB/s, limit %.1f MiB/s (%lu MiB, median of %d)\n", workerRate, limitRate, megabytes,
           Repetitions);
    printf("ratio %.3f\n", workerRate / limitRate);
    return 0;
}
