// The history's rings through wrap-around and coarsening, the runs' log and its summary.
#include "engine/history.h"
#include <gtest/gtest.h>

const ULONGLONG MB = 1ull << 20;
// A start that every span's slots divide, so that slot edges fall where the table expects.
const ULONGLONG Start = 28800000;

TEST(HistoryRing, SlotsAverageTheirSamplesAndTheOldestGiveWay)
{
    struct Row {
        HistorySpanChoice span;
        ULONGLONG step; // milliseconds between samples; sample i has free i MB
        DWORD samples;
        DWORD count;
        ULONGLONG oldestAt, newestAt; // after Start
        ByteCount newestFree;
    } rows[] = {
        {TenMinutes, 1000, 10, 10, 0, 9000, 9 * MB},                  // a slot per tick
        {TenMinutes, 100, 60, 10, 500, 5900, 113 * MB / 2},           // six ticks a slot
        {TenMinutes, 1000, 1500, 1000, 500000, 1499000, 1499 * MB},    // wrapped around
        {OneHour, 1000, 10, 3, 3000, 9000, 17 * MB / 2},              // 3.6 s slots
        {EightHours, 100, 300000, 1000, 1238300, 29999900, 599807 * MB / 2}, // 8 h at the fastest tick
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << "span " << row.span << ", " << row.samples << " samples");
        ClearHistory();
        for (DWORD i = 0; i < row.samples; ++i) {
            RecordSample(Start + i * row.step, i * MB);
        }
        const HistoryRing &ring = HistoryRings[row.span];
        ASSERT_EQ(ring.Count, row.count);
        EXPECT_EQ(SlotOfAge(ring, row.count - 1).At, Start + row.oldestAt);
        EXPECT_EQ(SlotOfAge(ring, 0).At, Start + row.newestAt);
        EXPECT_EQ(SlotOfAge(ring, 0).Free, row.newestFree);
    }
}

// A clock that steps back adds its sample to the newest slot rather than opening an older one.
TEST(HistoryRing, AnEarlierSampleJoinsTheNewestSlot)
{
    ClearHistory();
    RecordSample(Start, 10 * MB);
    RecordSample(Start + 1000, 20 * MB);
    RecordSample(Start + 500, 40 * MB);
    const HistoryRing &ring = HistoryRings[TenMinutes];
    ASSERT_EQ(ring.Count, 2u);
    EXPECT_EQ(SlotOfAge(ring, 0).At, Start + 1000);
    EXPECT_EQ(SlotOfAge(ring, 0).Free, 30 * MB);
}

TEST(RunLog, KeepsTheLastFiftyNewestFirst)
{
    ClearHistory();
    for (ULONGLONG i = 0; i < 53; ++i) {
        FreeingRun run = {};
        run.EndedAt = i;
        RecordRun(run);
    }
    ASSERT_EQ(LoggedRunCount, 50u);
    EXPECT_EQ(LoggedRun(0).EndedAt, 52u);
    EXPECT_EQ(LoggedRun(49).EndedAt, 3u);
}

static void AddRun(ULONGLONG endedAt, ULONGLONG beforeMB, ULONGLONG afterMB)
{
    FreeingRun run = {};
    run.EndedAt = Start + endedAt;
    run.Milliseconds = 1000;
    run.FreeBefore = beforeMB * MB;
    run.FreeAfter = afterMB * MB;
    RecordRun(run);
}

// Free memory above the 100 MB limit for 60 s after the first run, never after the second
// (it left memory below), and from the third to the newest sample; one run before the span.
TEST(RunLog, SummaryCountsTheSpansRunsAndHowLongFreeMemoryHeld)
{
    ClearHistory();
    AddRun(0, 50, 200);
    for (ULONGLONG second = 10; second < 610; ++second) {
        bool above = (second >= 110 && second < 170) || second >= 310;
        RecordSample(Start + second * 1000, (above ? 200 : 50) * MB);
    }
    AddRun(110000, 50, 200);
    AddRun(210000, 50, 80);
    AddRun(310000, 50, 250);

    RunSummary summary = SummarizeRuns(TenMinutes, 100 * MB);
    EXPECT_EQ(summary.Runs, 3u);
    EXPECT_EQ(summary.AverageFreed, 380 * MB / 3);
    EXPECT_EQ(summary.AverageHeld, (60000u + 0 + 299000) / 3);
    EXPECT_EQ(SummarizeRuns(OneHour, 100 * MB).Runs, 4u);
}
