#include "core/clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace
{
using SteadyClock = std::chrono::steady_clock;

std::atomic<bool> gManual{false};
std::atomic<uint64_t> gManualNow{0};
std::atomic<std::thread::id> gManualOwner{};

// Started on first use, so that a global object reading the clock while the program starts
// sees the same origin as everything after it.
SteadyClock::time_point Start()
{
    static const SteadyClock::time_point start = SteadyClock::now();
    return start;
}

uint64_t RealMicros()
{
    SteadyClock::time_point start = Start();
    return (uint64_t)std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - start)
        .count();
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
