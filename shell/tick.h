// The refresh tick: every display of memory and of the worker, and automatic freeing.
#pragma once
#include <windows.h>

extern DWORD BusyIconShown;

// After an automatic run whose block Windows refused, no automatic run starts before
// AutoFreePausedUntil (TickCount milliseconds; 0 = no pause). The pause doubles with each
// further refusal, up to its longest, and a committed block ends it.
const ULONGLONG FirstAutoFreePause = 60 * 1000;
const ULONGLONG LongestAutoFreePause = 16 * 60 * 1000;
extern ULONGLONG AutoFreePausedUntil;
extern ULONGLONG NextAutoFreePause;

void RefreshTick();
