#include "app/Stopwatch.h"

#include "win32/windows.h"

namespace Lumo
{

Stopwatch gStopwatch;

static int64_t PerformanceCounter()
{
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart;
}

void Stopwatch::Start()
{
    mRunning = true;
    mStartStamp = PerformanceCounter();
}

void Stopwatch::Measure()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    if (frequency.QuadPart <= 0)
        return;
    int64_t ticks = (PerformanceCounter() - mStartStamp) * 1000;
    mElapsed = static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

void Stopwatch::Stop()
{
    if (!mRunning)
        return;
    Measure();
    mRunning = false;
}

double Stopwatch::GetDuration()
{
    if (mRunning)
        Measure();
    return mElapsed;
}

static int64_t MeasureCPUCyclesPerSecond()
{
    HANDLE thread = GetCurrentThread();
    int priority = GetThreadPriority(thread);
    SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST);

    int64_t cycles = 1;
    LARGE_INTEGER frequency;
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0)
    {
        // Count cycles over a hundredth of a second of the performance counter. A counter
        // that stands still (a test's manual clock) ends the wait instead of hanging it.
        int64_t start = PerformanceCounter();
        int64_t target = start + frequency.QuadPart / 100;
        uint64_t begin = Platform::ReadCycleCounter();
        int64_t now = start;
        for (int stalled = 0; now < target && stalled < 10000000; stalled++)
        {
            int64_t read = PerformanceCounter();
            if (read != now)
                stalled = 0;
            now = read;
        }
        uint64_t end = Platform::ReadCycleCounter();
        if (now > start)
            cycles = static_cast<int64_t>(end - begin) * frequency.QuadPart / (now - start);
    }

    SetThreadPriority(thread, priority);
    return cycles < 1 ? 1 : cycles;
}

int64_t GetCPUCyclesPerSecond()
{
    static int64_t sCyclesPerSecond = 0;
    if (sCyclesPerSecond == 0)
        sCyclesPerSecond = MeasureCPUCyclesPerSecond();
    return sCyclesPerSecond;
}

} // namespace Lumo
