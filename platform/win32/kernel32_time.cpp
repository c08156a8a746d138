// Time calls: every one reads the layer's clock, so a test's manual clock drives them all.
#include "core/clock.h"
#include "core/faults.h"
#include "win32/kernel32.h"
#include "win32/winmm.h"

#include <chrono>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace
{
// The performance counter counts microseconds.
constexpr LONGLONG kPerformanceFrequency = 1000000;
} // namespace

DWORD WINAPI GetTickCount()
{
    return (DWORD)(Platform::NowMicros() / 1000);
}

DWORD WINAPI timeGetTime()
{
    return GetTickCount();
}

MMRESULT WINAPI timeBeginPeriod(UINT period)
{
    return period == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR;
}

MMRESULT WINAPI timeEndPeriod(UINT period)
{
    return period == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (frequency == nullptr || Platform::ShouldFail("QueryPerformanceFrequency"))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    frequency->QuadPart = kPerformanceFrequency;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count)
{
    if (count == nullptr || Platform::ShouldFail("QueryPerformanceCounter"))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    count->QuadPart = (LONGLONG)Platform::NowMicros();
    return TRUE;
}

void WINAPI Sleep(DWORD milliseconds)
{
    // Sleep(0) gives up the rest of the time slice and nothing more.
    if (milliseconds == 0)
    {
        std::this_thread::yield();
        return;
    }
    Platform::SleepMicros((uint64_t)milliseconds * 1000);
}

namespace Platform
{
uint64_t ReadCycleCounter()
{
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return (uint64_t)std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
#endif
}
} // namespace Platform
