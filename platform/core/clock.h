// The one clock every time call of the layer reads. Tests can swap the real
// monotonic clock for a manual one that moves only when they say so.
#pragma once

#include <cstdint>

namespace Platform
{
// Microseconds since the system started (a monotonic clock, like the system's tick count).
uint64_t NowMicros();
// Waits; with the manual clock on the owning thread the wait is instant and moves the clock.
void SleepMicros(uint64_t micros);
} // namespace Platform

namespace PlatformTest
{
// Manual clock: time stands still until AdvanceClock, or Sleep on the thread that turned it on.
// Other threads' sleeps wait for real (briefly) without moving it.
void UseManualClock(bool on);
bool IsManualClock();
void AdvanceClock(uint64_t micros);
} // namespace PlatformTest
