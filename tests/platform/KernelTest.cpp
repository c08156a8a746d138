#include "core/clock.h"
#include "core/faults.h"
#include "win32/windows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

TEST(Time, CallsFollowTheManualClock)
{
    PlatformTest::UseManualClock(true);
    // Start on a whole millisecond, so that the millisecond counts below are exact.
    PlatformTest::AdvanceClock(1000 - Platform::NowMicros() % 1000);
    LARGE_INTEGER frequency, before, after;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 1000000);
    ASSERT_TRUE(QueryPerformanceCounter(&before));
    DWORD tick = GetTickCount();
    DWORD mmTick = timeGetTime();
    PlatformTest::AdvanceClock(2500);
    ASSERT_TRUE(QueryPerformanceCounter(&after));
    EXPECT_EQ(after.QuadPart - before.QuadPart, 2500);
    Sleep(40);
    EXPECT_EQ(timeGetTime() - mmTick, 42u);
    EXPECT_EQ(GetTickCount() - tick, 42u);
    Sleep(0);
    EXPECT_EQ(GetTickCount() - tick, 42u);
    PlatformTest::UseManualClock(false);

    EXPECT_EQ(timeBeginPeriod(1), (MMRESULT)TIMERR_NOERROR);
    EXPECT_EQ(timeEndPeriod(1), (MMRESULT)TIMERR_NOERROR);
    EXPECT_EQ(timeBeginPeriod(0), (MMRESULT)TIMERR_NOCANDO);
    PlatformTest::FailCall("QueryPerformanceFrequency", 1);
    EXPECT_FALSE(QueryPerformanceFrequency(&frequency));
    uint64_t c0 = Platform::ReadCycleCounter();
    uint64_t c1 = Platform::ReadCycleCounter();
    EXPECT_GE(c1, c0);
}

TEST(Threads, BeginThreadRunsWithItsArgumentAndOwnState)
{
    struct Shared
    {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        DWORD id = 0;
        int priority = 99;
        DWORD error = 0;
    } shared;
    ASSERT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST));
    SetLastError(ERROR_ACCESS_DENIED);
    uintptr_t handle = _beginthread(
        [](void* arg)
        {
            auto* s = static_cast<Shared*>(arg);
            int priority = GetThreadPriority(GetCurrentThread());
            DWORD error = GetLastError();
            SetLastError(ERROR_MORE_DATA);
            std::lock_guard<std::mutex> lock(s->mutex);
            s->id = GetCurrentThreadId();
            s->priority = priority;
            s->error = error;
            s->finished = true;
            s->done.notify_one();
        },
        0, &shared);
    ASSERT_NE(handle, (uintptr_t)-1);
    std::unique_lock<std::mutex> lock(shared.mutex);
    ASSERT_TRUE(shared.done.wait_for(lock, std::chrono::seconds(20), [&] { return shared.finished; }));
    EXPECT_NE(shared.id, GetCurrentThreadId());
    EXPECT_EQ(shared.priority, THREAD_PRIORITY_NORMAL); // priorities and errors are per thread
    EXPECT_EQ(shared.error, (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_HIGHEST);
    EXPECT_FALSE(SetThreadPriority(GetCurrentThread(), 7));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL));

    PlatformTest::FailCall("_beginthread", 1);
    EXPECT_EQ(_beginthread([](void*) {}, 0, nullptr), (uintptr_t)-1);
}

TEST(Threads, CriticalSectionIsReentrantAndExclusive)
{
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    std::atomic<int> othersEntered{0};
    std::thread(
        [&]
        {
            if (TryEnterCriticalSection(&section))
            {
                othersEntered++;
                LeaveCriticalSection(&section);
            }
        })
        .join();
    EXPECT_EQ(othersEntered.load(), 0);
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);

    // Unprotected read-modify-write under the lock: any overlap would lose counts. The pause
    // between read and write widens the window without yielding, which on a busy machine would
    // hand the processor to other programs at every step while the lock is held.
    int counter = 0;
    LONG volatile interlocked = 0;
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; t++)
        workers.emplace_back(
            [&]
            {
                for (int i = 0; i < 20000; i++)
                {
                    EnterCriticalSection(&section);
                    EnterCriticalSection(&section);
                    int seen = counter;
                    volatile int pause = 0;
                    while (pause < 100)
                        pause = pause + 1;
                    counter = seen + 1;
                    LeaveCriticalSection(&section);
                    LeaveCriticalSection(&section);
                    InterlockedIncrement(&interlocked);
                    InterlockedIncrement(&interlocked);
                    InterlockedDecrement(&interlocked);
                }
            });
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(counter, 80000);
    EXPECT_EQ(interlocked, 80000);
    EXPECT_EQ(InterlockedExchange(&interlocked, 5), 80000);
    EXPECT_EQ(InterlockedIncrement(&interlocked), 6);
    EXPECT_EQ(InterlockedDecrement(&interlocked), 5);
    DeleteCriticalSection(&section);
}

TEST(RuntimeStrings, WindowsFormattingAndComparison)
{
    char buffer[8];
    std::memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(_snprintf(buffer, sizeof(buffer), "%d-%s", 12, "ab"), 5);
    EXPECT_STREQ(buffer, "12-ab");
    // Exactly full: the length, and no terminator.
    std::memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(_snprintf(buffer, 4, "%s", "abcd"), 4);
    EXPECT_EQ(std::string(buffer, 5), "abcd#");
    // Too long: -1, the buffer filled, still no terminator.
    std::memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(_snprintf(buffer, 4, "%s", "abcdefgh"), -1);
    EXPECT_EQ(std::string(buffer, 5), "abcd#");
    EXPECT_EQ(_snprintf(nullptr, 0, "%s", "abc"), -1);
    EXPECT_EQ(_snprintf(nullptr, 0, "%s", ""), 0);

    EXPECT_EQ(_stricmp("Hello", "hELLO"), 0);
    EXPECT_LT(_stricmp("apple", "Banana"), 0);
    EXPECT_GT(_stricmp("b", "A"), 0);
    EXPECT_LT(_stricmp("ab", "abc"), 0);
    // Windows folds to lower case: 'a' (0x61) sorts after '_' (0x5F), 'A' (0x41) would not.
    EXPECT_GT(_stricmp("A", "_"), 0);
    EXPECT_EQ(_strnicmp("DDRAW.dll", "ddraw.DLX", 7), 0);
    EXPECT_NE(_strnicmp("DDRAW.dll", "ddraw.DLX", 9), 0);
}

TEST(Process, CommandLineQuotedAsWindowsWould)
{
    const char* argv[] = {"/opt/game dir/crustavia", "-play", "my demo.dmo", "", "say \"hi\"", "a\\b\\"};
    Platform::SetCommandLine(6, const_cast<char**>(argv));
    EXPECT_EQ(Platform::CommandLineArguments(), "-play \"my demo.dmo\" \"\" \"say \\\"hi\\\"\" a\\b\\");
    EXPECT_STREQ(GetCommandLineA(),
                 "\"/opt/game dir/crustavia\" -play \"my demo.dmo\" \"\" \"say \\\"hi\\\"\" a\\b\\");
    const char* one[] = {"crustavia"};
    Platform::SetCommandLine(1, const_cast<char**>(one));
    EXPECT_EQ(Platform::CommandLineArguments(), "");
    EXPECT_STREQ(GetCommandLineA(), "crustavia");

    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::string(path), std::filesystem::read_symlink("/proc/self/exe").string());
    char tiny[4];
    EXPECT_EQ(GetModuleFileNameA(nullptr, tiny, sizeof(tiny)), 4u);
    EXPECT_EQ(tiny[3], '\0');
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(GetModuleHandleA(nullptr), Platform::ModuleInstance());
    EXPECT_NE(Platform::ModuleInstance(), nullptr);
}

TEST(Process, PresentsAnNtFamilySystem)
{
    OSVERSIONINFOA info = {};
    EXPECT_FALSE(GetVersionExA(&info));
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, (DWORD)VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(info.dwMajorVersion, 5u);
}

TEST(Debugger, OutputOnlyWhenAsked)
{
    unsetenv("LUMO_DEBUG_OUTPUT");
    testing::internal::CaptureStderr();
    OutputDebugStringA("silent\r\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    setenv("LUMO_DEBUG_OUTPUT", "1", 1);
    testing::internal::CaptureStderr();
    OutputDebugStringA("Seconds       = 1.5\r\n");
    OutputDebugStringA(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Seconds       = 1.5\r\n");
    unsetenv("LUMO_DEBUG_OUTPUT");
}
