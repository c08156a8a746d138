#include "core/clock.h"
#include "core/faults.h"

#include <gtest/gtest.h>

TEST(ManualClock, MovesOnlyWhenAdvancedOrSleptOnOwningThread)
{
    PlatformTest::UseManualClock(true);
    uint64_t start = Platform::NowMicros();
    EXPECT_EQ(Platform::NowMicros(), start);
    PlatformTest::AdvanceClock(1500);
    EXPECT_EQ(Platform::NowMicros(), start + 1500);
    Platform::SleepMicros(10000);
    EXPECT_EQ(Platform::NowMicros(), start + 11500);
    PlatformTest::UseManualClock(false);
}

TEST(Faults, CountedAndPermanentFailures)
{
    PlatformTest::FailCall("CreateWindowExA", 2);
    EXPECT_TRUE(Platform::ShouldFail("CreateWindowExA"));
    EXPECT_TRUE(Platform::ShouldFail("CreateWindowExA"));
    EXPECT_FALSE(Platform::ShouldFail("CreateWindowExA"));
    PlatformTest::FailCall("RegOpenKeyExA");
    for (int i = 0; i < 5; i++)
        EXPECT_TRUE(Platform::ShouldFail("RegOpenKeyExA"));
    PlatformTest::ClearFailures();
    EXPECT_FALSE(Platform::ShouldFail("RegOpenKeyExA"));
}
