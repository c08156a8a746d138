#include "core/faults.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>

namespace
{
std::mutex gMutex;
// Whether any failure is armed: the shipped game never arms one, and its blits, locks, draws and
// clock reads then pay one relaxed load instead of the mutex. Written under the mutex.
std::atomic<bool> gArmed{false};

std::map<std::string, int>& Failures()
{
    static std::map<std::string, int> failures;
    return failures;
}

void NoteArmed()
{
    gArmed.store(!Failures().empty(), std::memory_order_relaxed);
}
} // namespace

namespace Platform
{
bool ShouldFail(const char* callName)
{
    if (!gArmed.load(std::memory_order_relaxed))
        return false;
    std::lock_guard<std::mutex> lock(gMutex);
    auto& failures = Failures();
    auto it = failures.find(callName);
    if (it == failures.end())
        return false;
    if (it->second > 0 && --it->second == 0)
    {
        failures.erase(it);
        NoteArmed();
    }
    return true;
}
} // namespace Platform

namespace PlatformTest
{
void FailCall(const char* callName, int times)
{
    std::lock_guard<std::mutex> lock(gMutex);
    if (times == 0)
        Failures().erase(callName);
    else
        Failures()[callName] = times;
    NoteArmed();
}

void ClearFailures()
{
    std::lock_guard<std::mutex> lock(gMutex);
    Failures().clear();
    NoteArmed();
}
} // namespace PlatformTest
