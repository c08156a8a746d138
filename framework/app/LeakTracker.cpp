#include "app/LeakTracker.h"

#include "app/Common.h"

#include <cstdio>
#include <ctime>

namespace Lumo
{

LeakTracker gLeakTracker;

LeakTracker::LeakTracker() : mLock(std::make_unique<CriticalSection>()), mTracking(true) {}

LeakTracker::~LeakTracker()
{
    if (mReportAtExit)
        WriteReport("mem_leaks.txt");
    mTracking = false;
    mLock.reset();
    mAllocMap.clear();
}

bool LeakTracker::WriteReport(const std::string& fileName)
{
    if (!mTracking)
        return false;
    AutoCrit lock(*mLock);
    FILE* file = fopen(Platform::HostPath(fileName.c_str()).c_str(), "w");
    if (file == nullptr)
        return false;
    time_t now = time(nullptr);
    char date[64] = "";
    ctime_r(&now, date);
    std::string header = FormatString("Memory Leak Report for %s\n", date);
    fputs(header.c_str(), file);
    OutputDebugStringA(("\n" + header).c_str());
    long long total = 0;
    for (const auto& [address, info] : mAllocMap)
    {
        fprintf(file, "%s(%d) : Leak %d byte%s\n", info.mFile.c_str(), info.mLine, info.mSize,
                info.mSize == 1 ? "" : "s");
        total += info.mSize;
    }
    fprintf(file, "%s\n", std::string(59, '-').c_str());
    fprintf(file, "Total Unfreed: %lld bytes\n\n", total);
    return fclose(file) == 0;
}

bool WriteLeakReport()
{
    return gLeakTracker.WriteReport("mem_leaks.txt");
}

} // namespace Lumo
