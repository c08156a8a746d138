// Wall-clock stopwatch in milliseconds on the performance counter, and the
// processor's cycle rate, measured once.
#pragma once

#include <cstdint>

namespace Lumo
{

class Stopwatch
{
public:
    void Start();
    void Stop();
    // Milliseconds of the last run, or of the current one while running.
    double GetDuration();

private:
    void Measure();

    int64_t mStartStamp = 0;
    double mElapsed = 0.0;
    bool mRunning = false;
};

extern Stopwatch gStopwatch;

// Cycle-counter ticks per second, measured on first use; at least 1.
int64_t GetCPUCyclesPerSecond();

} // namespace Lumo
