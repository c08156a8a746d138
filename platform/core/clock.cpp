#include "core/clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace
{
using SteadyClock = std::chrono::steady_clock;

const SteadyClock::time_point gStart = SteadyClock::now();
std::atomic<bool> gManual{false};
std::atomic<uint64_t> gManualNow{0};
std::atomic<std::thread::id> gManualOwner{};

uint64_t RealMicros()
{
    return (uint64_t)std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - gStart).count();
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
