#include "core/clock.h"
#include "core/faults.h"
#include "win32/windows.h"

#include <gtest/gtest.h>

#include <ctime>

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

// The tick count is the time since boot, not since the program started: the game's random seed
// is taken from it, and two starts must not share one.
TEST(RealClock, TickCountCountsFromBoot)
{
    timespec boot{};
    ASSERT_EQ(clock_gettime(CLOCK_BOOTTIME, &boot), 0);
    DWORD before = (DWORD)(boot.tv_sec * 1000 + boot.tv_nsec / 1000000);
    DWORD ticks = GetTickCount();
    DWORD multimedia = timeGetTime();
    EXPECT_LE((DWORD)(ticks - before), 1000u);
    EXPECT_LE((DWORD)(multimedia - ticks), 1000u);
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
