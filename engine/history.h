// The history of free memory and of the freeing runs, kept on the UI thread from start to exit:
// samples in one fixed ring per span the History page shows, and the last runs' records.
#pragma once
#include <windows.h>
#include "base/memstatus.h"
#include "engine/worker.h"

// The spans the History page offers, the values of the HistorySpan setting.
enum HistorySpanChoice : DWORD { TenMinutes, OneHour, EightHours };
const DWORD HistorySpanCount = 3;
extern const ULONGLONG HistorySpanMilliseconds[HistorySpanCount];

// Each ring has this many slots over its span; a slot holds the average of the samples that
// fall into its share of the span (10 minutes: 0.6 s, 1 hour: 3.6 s, 8 hours: 28.8 s), so even
// the fastest tick fits 8 hours into 48 KB.
const DWORD HistorySlots = 1000;

struct HistorySlot {
    ULONGLONG At;   // TickCount of the slot's newest sample
    ByteCount Free; // average free memory of its samples
};

struct HistoryRing {
    DWORD Count;          // slots in use
    DWORD Newest;         // index of the newest slot
    ByteCount OpenSum;    // the newest slot's samples, summed, while more may come
    DWORD OpenSamples;
    HistorySlot Slots[HistorySlots];
};

extern HistoryRing HistoryRings[HistorySpanCount];

// The runs' log: the last LoggedRuns records.
const DWORD LoggedRuns = 50;
extern DWORD LoggedRunCount;

void ClearHistory();
void RecordSample(ULONGLONG at, ByteCount free);
void RecordRun(const FreeingRun &run);

// Age 0 is the newest slot or run; an age must lie below the count in use.
const HistorySlot &SlotOfAge(const HistoryRing &ring, DWORD age);
const FreeingRun &LoggedRun(DWORD age);

// TickCount at the run's start (its end is EndedAt).
ULONGLONG RunStartTick(const FreeingRun &run);

// The runs that ended within the span before the ring's newest slot, and what they did on
// average: bytes freed, and how long free memory then stayed at or above the lower limit
// (milliseconds; for the newest run up to the newest sample).
struct RunSummary {
    DWORD Runs;
    ByteCount AverageFreed;
    ULONGLONG AverageHeld;
};
RunSummary SummarizeRuns(HistorySpanChoice span, ByteCount lowerLimit);
