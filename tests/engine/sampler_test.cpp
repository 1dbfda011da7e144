// The memory sampler against its real thread.
#include "engine/sampler.h"
#include "base/memstatus.h"
#include "settings/settings.h"
#include "tests/support/support.h"
#include <gtest/gtest.h>
#include <atomic>

static const SIZE_T MB = 1u << 20;

// Counts the samples taken and remembers which thread took the first.
static std::atomic<int> Samples;
static std::atomic<DWORD> FirstSampler;

static BOOL WINAPI CountingStatus(LPMEMORYSTATUSEX status)
{
    if (Samples++ == 0) {
        FirstSampler = GetCurrentThreadId();
    }
    status->ullTotalPhys = 256 * MB;
    status->ullAvailPhys = 100 * MB;
    return TRUE;
}

static void SetInterval(DWORD milliseconds)
{
    std::atomic_ref<DWORD>(Settings.Interval).store(milliseconds, std::memory_order_relaxed);
}

TEST(MemorySampler, HasAFilledRecordTakenOnTheCallingThreadAtStart)
{
    MemoryStatusSource = CountingStatus;
    StartMemorySampler();
    EXPECT_EQ(GetCurrentThreadId(), FirstSampler.load());
    DWORD count = 0;
    DWORD index = 7;
    MemoryStatus *ring = LockSamples(&count, &index);
    EXPECT_EQ(1u, count);
    EXPECT_EQ(0u, index);
    EXPECT_EQ(256 * MB, ring[index].TotalPhys);
    EXPECT_EQ(100 * MB, ring[index].AvailPhys);
    UnlockSamples();
}

// Sampling on the thread, it counts the samples taken without the sample lock held, and at the
// thread's first sample it shortens the hour-long Interval the test began with.
static std::atomic<int> SamplesOutsideLock;

static BOOL WINAPI StatusOfTheSamplerThread(LPMEMORYSTATUSEX status)
{
    CountingStatus(status);
    if (GetCurrentThreadId() == FirstSampler.load()) {
        return TRUE;
    }
    if (HandleToULong(SampleLock.OwningThread) != GetCurrentThreadId()) {
        ++SamplesOutsideLock;
    }
    SetInterval(100);
    return TRUE;
}

TEST(MemorySampler, SamplesUnderTheLockAndReadsTheIntervalBeforeEachPause)
{
    SetInterval(3600000);
    MemoryStatusSource = StatusOfTheSamplerThread;
    StartMemorySampler();
    // Within the deadline only if the pause after the first sample took the new Interval.
    ASSERT_TRUE(WaitUntil([] { return Samples >= 6; }));
    EXPECT_EQ(0, SamplesOutsideLock.load());
    DWORD index = 7;
    LockSamples(nullptr, &index);
    EXPECT_EQ(0u, index);
    UnlockSamples();
}

static DWORD WINAPI TryTakeSampleLock(LPVOID)
{
    if (!TryEnterCriticalSection(&SampleLock)) {
        return 0;
    }
    LeaveCriticalSection(&SampleLock);
    return 1;
}

static bool OtherThreadCanTakeSampleLock()
{
    HANDLE thread = CreateThread(nullptr, 0, TryTakeSampleLock, nullptr, 0, nullptr);
    WaitForSingleObject(thread, 5000);
    DWORD taken = 0;
    GetExitCodeThread(thread, &taken);
    CloseHandle(thread);
    return taken == 1;
}

TEST(MemorySampler, SecondUnlockByTheHolderReleasesNothingMore)
{
    // The thread's own first sample holds the lock for a moment; after it, an hour's pause.
    SetInterval(3600000);
    MemoryStatusSource = CountingStatus;
    StartMemorySampler();
    ASSERT_TRUE(WaitUntil([] { return Samples >= 2; }));
    LockSamples(nullptr, nullptr);
    EXPECT_FALSE(OtherThreadCanTakeSampleLock());
    UnlockSamples();
    UnlockSamples();
    EXPECT_EQ(0u, SampleLockHeld);
    EXPECT_TRUE(OtherThreadCanTakeSampleLock());

    // The lock still works as a lock after the extra call.
    LockSamples(nullptr, nullptr);
    EXPECT_EQ(1u, SampleLockHeld);
    EXPECT_FALSE(OtherThreadCanTakeSampleLock());
    UnlockSamples();
    EXPECT_TRUE(OtherThreadCanTakeSampleLock());
}
