#include "app/CriticalSection.h"
#include "app/DrawNesting.h"
#include "app/Profiler.h"
#include "app/Stopwatch.h"
#include "core/clock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

using namespace Lumo;

TEST(Stopwatch, MeasuresOnThePerformanceCounter)
{
    Stopwatch idle;
    EXPECT_EQ(idle.GetDuration(), 0.0);
    idle.Stop();
    EXPECT_EQ(idle.GetDuration(), 0.0);

    PlatformTest::UseManualClock(true);
    Stopwatch watch;
    watch.Start();
    PlatformTest::AdvanceClock(2500);
    EXPECT_DOUBLE_EQ(watch.GetDuration(), 2.5);
    PlatformTest::AdvanceClock(1000);
    watch.Stop();
    PlatformTest::AdvanceClock(9000);
    EXPECT_DOUBLE_EQ(watch.GetDuration(), 3.5);
    PlatformTest::UseManualClock(false);
}

TEST(Stopwatch, CyclesPerSecondIsCachedAndPositive)
{
    // Even a clock that stands still gives an answer.
    PlatformTest::UseManualClock(true);
    int64_t first = GetCPUCyclesPerSecond();
    PlatformTest::UseManualClock(false);
    EXPECT_GE(first, 1);
    EXPECT_EQ(GetCPUCyclesPerSecond(), first);
}

struct ReportLine
{
    char name[64] = {};
    int calls = 0;
    double share = 0, total = 0, average = 0, longest = 0;
};

static ReportLine ParseLine(const std::string& line)
{
    ReportLine parsed;
    int fields =
        std::sscanf(line.c_str(), "%63s (%d calls, %%%lf time): %lf (%lf avg, %lf longest)", parsed.name,
                    &parsed.calls, &parsed.share, &parsed.total, &parsed.average, &parsed.longest);
    EXPECT_EQ(fields, 6) << line;
    return parsed;
}

static std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "report must end with a line break";
    return lines;
}

TEST(Profiler, EmptyReportIsTheTotalLine)
{
    ProfilerBegin();
    EXPECT_TRUE(IsProfiling());
    ProfilerEnd();
    EXPECT_FALSE(IsProfiling());
    std::vector<std::string> lines = Lines(ProfilerReport());
    ASSERT_EQ(lines.size(), 1u);
    double total = -1;
    EXPECT_EQ(std::sscanf(lines[0].c_str(), "Total Time: %lf", &total), 1);
    EXPECT_GE(total, 0.0);
}

TEST(Profiler, FoldsNestedStartsAndIgnoresStrayStops)
{
    const int64_t second = GetCPUCyclesPerSecond();
    const int64_t ms = second / 1000 > 0 ? second / 1000 : 1;
    ProfilerBegin();
    ProfilerQueue({"Orphan", 5 * ms, false});
    ProfilerQueue({"Draw", 100 * ms, true});
    ProfilerQueue({"draw", 120 * ms, true}); // same name in another case, nested
    ProfilerQueue({"Draw", 150 * ms, false});
    ProfilerQueue({"DRAW", 300 * ms, false});
    ProfilerQueue({"Draw", 310 * ms, false}); // no open start left: ignored
    ProfilerQueue({"Draw", 400 * ms, true});
    ProfilerQueue({"Draw", 450 * ms, false});
    ProfilerQueue({"Update", 500 * ms, true}); // never stopped
    ProfilerEnd();

    const PerfInfoSet& infos = ProfilerInfos();
    ASSERT_EQ(infos.size(), 2u);
    const PerfInfo& draw = infos.at("DRAW");
    EXPECT_STREQ(draw.mName, "Draw");
    EXPECT_EQ(draw.mCallCount, 3);
    EXPECT_EQ(draw.mStartCount, 0);
    EXPECT_EQ(draw.mDuration, 250 * ms);
    const double msPerCycle = 1000.0 / static_cast<double>(second);
    EXPECT_DOUBLE_EQ(draw.mLongestCall, static_cast<double>(200 * ms) * msPerCycle);
    EXPECT_DOUBLE_EQ(draw.mMillisecDuration, static_cast<double>(250 * ms) * msPerCycle);
    EXPECT_EQ(infos.at("update").mStartCount, 1);

    std::vector<std::string> lines = Lines(ProfilerReport());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("Total Time: ", 0), 0u);
    ReportLine drawLine = ParseLine(lines[1]);
    EXPECT_STREQ(drawLine.name, "Draw");
    EXPECT_EQ(drawLine.calls, 3);
    EXPECT_NEAR(drawLine.total, draw.mMillisecDuration, 0.005);
    EXPECT_NEAR(drawLine.average, draw.mMillisecDuration / 3, 0.005);
    EXPECT_NEAR(drawLine.longest, draw.mLongestCall, 0.005);
    ReportLine updateLine = ParseLine(lines[2]);
    EXPECT_STREQ(updateLine.name, "Update");
    EXPECT_EQ(updateLine.calls, 1);
    EXPECT_EQ(updateLine.total, 0.0);

    // A new run starts empty; records queued while off are dropped.
    ProfilerQueue({"Late", 1, true});
    ProfilerBegin();
    ProfilerEnd();
    EXPECT_TRUE(ProfilerInfos().empty());
}

TEST(DrawNesting, NeverDropsBelowZero)
{
    gDrawNesting = 0;
    DrawNestingLeave();
    EXPECT_EQ(gDrawNesting, 0);
    DrawNestingEnter();
    DrawNestingEnter();
    DrawNestingLeave();
    EXPECT_EQ(gDrawNesting, 1);
    DrawNestingLeave();
    DrawNestingLeave();
    EXPECT_EQ(gDrawNesting, 0);
}

static bool OtherThreadCanEnter(CRITICAL_SECTION* section)
{
    bool entered = false;
    std::thread other(
        [&]
        {
            entered = TryEnterCriticalSection(section) != FALSE;
            if (entered)
                LeaveCriticalSection(section);
        });
    other.join();
    return entered;
}

TEST(CriticalSection, ReentrantAndExclusive)
{
    CriticalSection lock;
    EnterCriticalSection(&lock.mCriticalSection);
    EnterCriticalSection(&lock.mCriticalSection);
    EXPECT_FALSE(OtherThreadCanEnter(&lock.mCriticalSection));
    LeaveCriticalSection(&lock.mCriticalSection);
    EXPECT_FALSE(OtherThreadCanEnter(&lock.mCriticalSection));
    LeaveCriticalSection(&lock.mCriticalSection);
    EXPECT_TRUE(OtherThreadCanEnter(&lock.mCriticalSection));
}
