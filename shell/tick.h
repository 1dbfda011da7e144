// The refresh tick: every display of memory and of the worker, and automatic freeing.
#pragma once
#include <windows.h>

extern DWORD BusyIconShown;

// Automatic freeing never runs away: the next automatic run starts no sooner than the gap
// after the last one ended, and an automatic run that leaves free memory below the lower limit
// (a refused block does) pauses it, twice as long after each further such run, up to the
// longest pause. A run that lifts free memory to the limit, or a change of the limits or of
// the switch, ends the pause. Times are TickCount milliseconds; manual runs never wait.
const ULONGLONG AutoFreeGap = 30 * 1000;
const ULONGLONG FirstAutoFreePause = 60 * 1000;
const ULONGLONG LongestAutoFreePause = 16 * 60 * 1000;
extern ULONGLONG AutoFreeGapEnds;
extern ULONGLONG AutoFreePausedUntil;
extern ULONGLONG NextAutoFreePause;

void RefreshTick();
// Takes the records of ended runs: answers a handed-over run, notes them for automatic freeing
// and tells of them. A refused block the user asked for is told in a box afterwards, by
// ShowRefusalOfEndedRun, once nothing else waits on the box's message loop.
void TakeEndedRuns();
void ShowRefusalOfEndedRun();
