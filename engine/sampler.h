// The memory sampler: a background thread that keeps the newest memory status at hand.
#pragma once
#include <windows.h>

const DWORD SampleCount = 1;

extern MEMORYSTATUS *SampleRing;
extern DWORD SampleIndex;
extern CRITICAL_SECTION SampleLock;
extern DWORD SampleLockHeld;

void StartMemorySampler();
MEMORYSTATUS *LockSamples(DWORD *count, DWORD *index);
void UnlockSamples();
