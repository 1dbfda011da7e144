// The history of free memory and of the freeing runs, kept on the UI thread from start to exit.
#include "engine/history.h"

const ULONGLONG HistorySpanMilliseconds[HistorySpanCount] = {600000, 3600000, 28800000};

HistoryRing HistoryRings[HistorySpanCount];
DWORD LoggedRunCount;

static FreeingRun RunLog[LoggedRuns];
static DWORD NewestRun;

void ClearHistory()
{
    for (HistoryRing &ring : HistoryRings) {
        ring.Count = 0;
        ring.Newest = 0;
        ring.OpenSum = 0;
        ring.OpenSamples = 0;
    }
    LoggedRunCount = 0;
    NewestRun = 0;
}

static ULONGLONG SlotMilliseconds(DWORD span)
{
    return HistorySpanMilliseconds[span] / HistorySlots;
}

// A sample joins the newest slot while it falls into that slot's share of the span (or comes
// earlier, as a clock that stepped back gives); otherwise it opens the next slot, which
// overwrites the oldest once the ring is full.
static void AddToRing(HistoryRing &ring, ULONGLONG slotMilliseconds, ULONGLONG at, ByteCount free)
{
    HistorySlot *newest = &ring.Slots[ring.Newest];
    if (ring.Count == 0 || at / slotMilliseconds > newest->At / slotMilliseconds) {
        if (ring.Count != 0) {
            ring.Newest = (ring.Newest + 1) % HistorySlots;
        }
        if (ring.Count < HistorySlots) {
            ++ring.Count;
        }
        newest = &ring.Slots[ring.Newest];
        ring.OpenSum = 0;
        ring.OpenSamples = 0;
    }
    ring.OpenSum += free;
    ++ring.OpenSamples;
    newest->At = at > newest->At || ring.OpenSamples == 1 ? at : newest->At;
    newest->Free = ring.OpenSum / ring.OpenSamples;
}

void RecordSample(ULONGLONG at, ByteCount free)
{
    for (DWORD span = 0; span < HistorySpanCount; ++span) {
        AddToRing(HistoryRings[span], SlotMilliseconds(span), at, free);
    }
}

void RecordRun(const FreeingRun &run)
{
    if (LoggedRunCount != 0) {
        NewestRun = (NewestRun + 1) % LoggedRuns;
    }
    if (LoggedRunCount < LoggedRuns) {
        ++LoggedRunCount;
    }
    RunLog[NewestRun] = run;
}

const HistorySlot &SlotOfAge(const HistoryRing &ring, DWORD age)
{
    return ring.Slots[(ring.Newest + HistorySlots - age) % HistorySlots];
}

const FreeingRun &LoggedRun(DWORD age)
{
    return RunLog[(NewestRun + LoggedRuns - age) % LoggedRuns];
}

ULONGLONG RunStartTick(const FreeingRun &run)
{
    return run.EndedAt > run.Milliseconds ? run.EndedAt - run.Milliseconds : 0;
}

// From the run's end to the first slot after it below the limit, or to the newest slot.
static ULONGLONG HeldAfter(const HistoryRing &ring, const FreeingRun &run, ByteCount lowerLimit)
{
    if (run.FreeAfter < lowerLimit) {
        return 0;
    }
    const HistorySlot &newest = SlotOfAge(ring, 0);
    ULONGLONG until = newest.At > run.EndedAt ? newest.At : run.EndedAt;
    for (DWORD age = ring.Count; age-- > 0;) {
        const HistorySlot &slot = SlotOfAge(ring, age);
        if (slot.At > run.EndedAt && slot.Free < lowerLimit) {
            until = slot.At;
            break;
        }
    }
    return until - run.EndedAt;
}

RunSummary SummarizeRuns(HistorySpanChoice span, ByteCount lowerLimit)
{
    RunSummary summary = {};
    const HistoryRing &ring = HistoryRings[span];
    if (ring.Count == 0) {
        return summary;
    }
    ULONGLONG now = SlotOfAge(ring, 0).At;
    ULONGLONG from = now > HistorySpanMilliseconds[span] ? now - HistorySpanMilliseconds[span] : 0;
    ByteCount freed = 0;
    ULONGLONG held = 0;
    for (DWORD age = 0; age < LoggedRunCount; ++age) {
        const FreeingRun &run = LoggedRun(age);
        if (run.EndedAt < from) {
            break;
        }
        ++summary.Runs;
        freed += FreedBy(run);
        held += HeldAfter(ring, run, lowerLimit);
    }
    if (summary.Runs != 0) {
        summary.AverageFreed = freed / summary.Runs;
        summary.AverageHeld = held / summary.Runs;
    }
    return summary;
}
