// The memory sampler: a background thread that keeps the newest memory status at hand.
#include "engine/sampler.h"
#include "base/fatal.h"
#include "base/memstatus.h"
#include "res/resource.h"
#include "settings/settings.h"
#include <atomic>
#include <cstdlib>

MemoryStatus *SampleRing;
DWORD SampleIndex;
CRITICAL_SECTION SampleLock;
DWORD SampleLockHeld;

static HANDLE MemorySampler;

static DWORD WINAPI MemorySamplerMain(LPVOID)
{
    for (;;) {
        LockSamples(nullptr, nullptr);
        SampleIndex = SampleIndex + 1;
        if (SampleIndex >= SampleCount) {
            SampleIndex = 0;
        }
        ReadMemoryStatus(&SampleRing[SampleIndex]);
        UnlockSamples();
        // Read afresh each time, so a new setting takes effect after the sleep under way.
        Sleep(std::atomic_ref<DWORD>(Settings.Interval).load(std::memory_order_relaxed));
    }
}

void StartMemorySampler()
{
    SampleIndex = 0;
    SampleRing = static_cast<MemoryStatus *>(calloc(SampleCount, sizeof(MemoryStatus)));
    if (!SampleRing) {
        ReportFatal(IDS_FATAL_SAMPLER);
        return;
    }
    InitializeCriticalSection(&SampleLock);
    // A valid sample is there before the thread first runs.
    ReadMemoryStatus(&SampleRing[0]);
    MemorySampler = CreateThread(nullptr, 0, MemorySamplerMain, nullptr, 0, nullptr);
    if (!MemorySampler) {
        ReportFatal(IDS_FATAL_SAMPLER);
    }
}

MemoryStatus *LockSamples(DWORD *count, DWORD *index)
{
    EnterCriticalSection(&SampleLock);
    SampleLockHeld = 1;
    if (count) {
        *count = SampleCount;
    }
    if (index) {
        *index = SampleIndex;
    }
    return SampleRing;
}

void UnlockSamples()
{
    if (SampleLockHeld != 0) {
        SampleLockHeld = 0;
        LeaveCriticalSection(&SampleLock);
    }
}

MemoryStatus CurrentSample()
{
    DWORD index;
    MemoryStatus *ring = LockSamples(nullptr, &index);
    MemoryStatus sample = ring[index];
    UnlockSamples();
    return sample;
}
