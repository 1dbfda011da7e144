// The memory sampler: a background thread that keeps the newest memory status at hand.
#pragma once
#include <windows.h>
#include "base/memstatus.h"

const DWORD SampleCount = 1;

extern MemoryStatus *SampleRing;
extern DWORD SampleIndex;
extern CRITICAL_SECTION SampleLock;
extern DWORD SampleLockHeld;

void StartMemorySampler();
MemoryStatus *LockSamples(DWORD *count, DWORD *index);
void UnlockSamples();

// A copy of the newest sample, read under the sample lock.
MemoryStatus CurrentSample();
