#include "core/faults.h"

#include <map>
#include <mutex>
#include <string>

namespace
{
std::mutex gMutex;
std::map<std::string, int>& Failures()
{
    static std::map<std::string, int> failures;
    return failures;
}
} // namespace

namespace Platform
{
bool ShouldFail(const char* callName)
{
    std::lock_guard<std::mutex> lock(gMutex);
    auto& failures = Failures();
    if (failures.empty())
        return false;
    auto it = failures.find(callName);
    if (it == failures.end())
        return false;
    if (it->second > 0 && --it->second == 0)
        failures.erase(it);
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
}

void ClearFailures()
{
    std::lock_guard<std::mutex> lock(gMutex);
    Failures().clear();
}
} // namespace PlatformTest
