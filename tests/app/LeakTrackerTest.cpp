#include "app/LeakTracker.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <regex>

using namespace Lumo;

namespace
{

const std::string kDashes(59, '-');

// The report after its first line, which carries the date.
std::string AfterDateLine(const std::string& report)
{
    // "Memory Leak Report for " + a date such as "Mon Dec  7 08:16:07 2026" + "\n" + "\n".
    static const std::regex header("^Memory Leak Report for [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\\d "
                                   "\\d\\d:\\d\\d:\\d\\d \\d{4}\n\n");
    std::smatch match;
    EXPECT_TRUE(std::regex_search(report, match, header)) << report;
    return match.suffix();
}

TEST(LeakTrackerTest, AnEmptyReportHasHeaderDashesAndZeroTotal)
{
    TempFolder folder;
    LeakTracker tracker;
    EXPECT_TRUE(tracker.mTracking);
    EXPECT_FALSE(tracker.mReportAtExit);
    ASSERT_TRUE(tracker.WriteReport(folder.Path() + "/mem_leaks.txt"));
    EXPECT_EQ(AfterDateLine(folder.Read("mem_leaks.txt")), kDashes + "\nTotal Unfreed: 0 bytes\n\n");
}

TEST(LeakTrackerTest, EveryLeakIsOneLineAndOneByteIsSingular)
{
    TempFolder folder;
    LeakTracker tracker;
    int a, b;
    tracker.mAllocMap[&a] = {&a, 1, "src/a.cpp", 10};
    tracker.mAllocMap[&b] = {&b, 2, "src/b.cpp", 20};
    ASSERT_TRUE(tracker.WriteReport(folder.Path() + "/mem_leaks.txt"));
    std::string body = AfterDateLine(folder.Read("mem_leaks.txt"));
    // Lines come in address order.
    std::string first = "src/a.cpp(10) : Leak 1 byte\n", second = "src/b.cpp(20) : Leak 2 bytes\n";
    if (&b < &a)
        std::swap(first, second);
    EXPECT_EQ(body, first + second + kDashes + "\nTotal Unfreed: 3 bytes\n\n");
}

TEST(LeakTrackerTest, NothingIsWrittenWhenNotTrackingOrTheFileCannotBeMade)
{
    TempFolder folder;
    LeakTracker tracker;
    EXPECT_FALSE(tracker.WriteReport(folder.Path() + "/no/such/folder/mem_leaks.txt"));
    tracker.mTracking = false;
    EXPECT_FALSE(tracker.WriteReport(folder.Path() + "/mem_leaks.txt"));
    EXPECT_EQ(folder.Read("mem_leaks.txt"), "");
}

TEST(LeakTrackerTest, TheProcessTrackerRunsWithoutAReportAtExit)
{
    EXPECT_TRUE(gLeakTracker.mTracking);
    EXPECT_FALSE(gLeakTracker.mReportAtExit);
    EXPECT_TRUE(gLeakTracker.mAllocMap.empty());
}

} // namespace
