#include "core/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace
{
std::atomic<bool> gManual{false};
std::atomic<uint64_t> gManualNow{0};
std::atomic<std::thread::id> gManualOwner{};

// Counted from boot, as the system's tick count is: a seed taken from it at start differs from
// one start to the next. Time spent suspended counts too, where the system can tell.
uint64_t RealMicros()
{
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint64_t)now.tv_sec * 1000000u + (uint64_t)now.tv_nsec / 1000u;
}
} // namespace

namespace Platform
{
uint64_t NowMicros()
{
    return gManual.load() ? gManualNow.load() : RealMicros();
}

void SleepMicros(uint64_t micros)
{
    if (gManual.load())
    {
        if (gManualOwner.load() == std::this_thread::get_id())
        {
            gManualNow.fetch_add(micros);
            // A loop that sleeps while it waits for another thread still lets that thread run.
            std::this_thread::yield();
            return;
        }
        // A worker thread must not spin the manual clock; give the CPU away a little.
        std::this_thread::sleep_for(std::chrono::microseconds(micros > 1000 ? 1000 : micros));
        return;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(micros));
}
} // namespace Platform

namespace PlatformTest
{
void UseManualClock(bool on)
{
    if (on && !gManual.load())
        gManualNow.store(RealMicros());
    gManualOwner.store(std::this_thread::get_id());
    gManual.store(on);
}

bool IsManualClock()
{
    return gManual.load();
}

void AdvanceClock(uint64_t micros)
{
    gManualNow.fetch_add(micros);
}
} // namespace PlatformTest
