// Threads, critical sections and interlocked counters over the C++ library.
#include "core/faults.h"
#include "win32/kernel32.h"

#include <atomic>
#include <cerrno>
#include <new>
#include <mutex>
#include <system_error>
#include <thread>

namespace
{
// Windows' pseudo-handle for "the calling thread".
HANDLE const kCurrentThread = (HANDLE)(intptr_t)-2;

std::atomic<DWORD> gNextThreadId{1};
std::atomic<uintptr_t> gNextThreadHandle{0x1000};
thread_local DWORD tThreadId = 0;
// Priorities are kept as values: the host scheduler is left alone.
thread_local int tPriority = THREAD_PRIORITY_NORMAL;

std::recursive_mutex* MutexOf(LPCRITICAL_SECTION section)
{
    return static_cast<std::recursive_mutex*>(section->impl);
}

bool ValidPriority(int priority)
{
    return (priority >= THREAD_PRIORITY_LOWEST && priority <= THREAD_PRIORITY_HIGHEST) ||
           priority == THREAD_PRIORITY_IDLE || priority == THREAD_PRIORITY_TIME_CRITICAL;
}
} // namespace

uintptr_t _beginthread(void (*start)(void*), unsigned stackSize, void* arg)
{
    if (start == nullptr)
    {
        errno = EINVAL;
        return (uintptr_t)-1;
    }
    if (Platform::ShouldFail("_beginthread"))
    {
        errno = EAGAIN;
        return (uintptr_t)-1;
    }
    // No room for the thread's stack or its start record: the caller hears of it, as from the
    // C library it stands for, with -1 and errno.
    try
    {
        std::thread(start, arg).detach();
    }
    catch (const std::system_error& error)
    {
        errno = error.code().value() ? error.code().value() : EAGAIN;
        return (uintptr_t)-1;
    }
    catch (const std::bad_alloc&)
    {
        errno = ENOMEM;
        return (uintptr_t)-1;
    }
    return gNextThreadHandle.fetch_add(4);
}

HANDLE WINAPI GetCurrentThread()
{
    return kCurrentThread;
}

DWORD WINAPI GetCurrentThreadId()
{
    if (tThreadId == 0)
        tThreadId = gNextThreadId.fetch_add(1);
    return tThreadId;
}

int WINAPI GetThreadPriority(HANDLE thread)
{
    if (thread != kCurrentThread)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return THREAD_PRIORITY_ERROR_RETURN;
    }
    return tPriority;
}

BOOL WINAPI SetThreadPriority(HANDLE thread, int priority)
{
    if (thread != kCurrentThread)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!ValidPriority(priority))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    tPriority = priority;
    return TRUE;
}

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section)
{
    section->impl = new std::recursive_mutex;
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section)
{
    delete MutexOf(section);
    section->impl = nullptr;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section)
{
    MutexOf(section)->lock();
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section)
{
    MutexOf(section)->unlock();
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section)
{
    return MutexOf(section)->try_lock() ? TRUE : FALSE;
}

namespace
{
std::atomic_ref<LONG> Atomic(LONG volatile* value)
{
    return std::atomic_ref<LONG>(*const_cast<LONG*>(value));
}
} // namespace

LONG WINAPI InterlockedIncrement(LONG volatile* value)
{
    return (LONG)((ULONG)Atomic(value).fetch_add(1) + 1u);
}

LONG WINAPI InterlockedDecrement(LONG volatile* value)
{
    return (LONG)((ULONG)Atomic(value).fetch_sub(1) - 1u);
}

LONG WINAPI InterlockedExchange(LONG volatile* target, LONG value)
{
    return Atomic(target).exchange(value);
}
