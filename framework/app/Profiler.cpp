#include "app/Profiler.h"

#include "app/Common.h"
#include "app/Stopwatch.h"
#include "win32/windows.h"

#include <vector>

namespace Lumo
{

namespace
{
PerfInfoSet gPerfInfoSet;
std::vector<PerfRecord> gPerfRecords;
bool gProfiling = false;
int64_t gProfileBeginStamp = 0;
int64_t gBookkeepingCycles = 0;
double gTotalMillis = 0.0;

int64_t CycleStamp()
{
    return static_cast<int64_t>(Platform::ReadCycleCounter());
}

void FoldRecord(const PerfRecord& record)
{
    if (record.mStart)
    {
        PerfInfo& info = gPerfInfoSet[record.mName];
        if (info.mName == nullptr)
            info.mName = record.mName;
        info.mCallCount++;
        // Nested starts of one name count as calls but time only the outermost run.
        if (++info.mStartCount == 1)
            info.mStartStamp = record.mStamp;
        return;
    }
    auto found = gPerfInfoSet.find(record.mName);
    if (found == gPerfInfoSet.end() || found->second.mStartCount <= 0)
        return;
    PerfInfo& info = found->second;
    if (--info.mStartCount > 0)
        return;
    int64_t duration = record.mStamp - info.mStartStamp;
    info.mDuration += duration;
    if (static_cast<double>(duration) > info.mLongestCall)
        info.mLongestCall = static_cast<double>(duration);
}

void FoldRecords()
{
    int64_t begin = CycleStamp();
    for (const PerfRecord& record : gPerfRecords)
        FoldRecord(record);
    gPerfRecords.clear();
    gBookkeepingCycles += CycleStamp() - begin;
}
} // namespace

bool PerfNameLess::operator()(const char* a, const char* b) const
{
    return _stricmp(a, b) < 0;
}

void ProfilerBegin()
{
    gPerfInfoSet.clear();
    gPerfRecords.clear();
    gBookkeepingCycles = 0;
    gProfiling = true;
    gProfileBeginStamp = CycleStamp();
}

void ProfilerEnd()
{
    // Stamped after folding, so that taking the folding cycles off leaves the profiled span.
    FoldRecords();
    int64_t end = CycleStamp();
    gProfiling = false;

    double cyclesPerSecond = static_cast<double>(GetCPUCyclesPerSecond());
    gTotalMillis =
        static_cast<double>(end - gBookkeepingCycles - gProfileBeginStamp) * 1000.0 / cyclesPerSecond;
    for (auto& entry : gPerfInfoSet)
    {
        PerfInfo& info = entry.second;
        info.mMillisecDuration = static_cast<double>(info.mDuration) * 1000.0 / cyclesPerSecond;
        info.mLongestCall = info.mLongestCall * 1000.0 / cyclesPerSecond;
    }
}

std::string ProfilerReport()
{
    std::string report = FormatString("Total Time: %.2f\n", gTotalMillis);
    for (const auto& entry : gPerfInfoSet)
    {
        const PerfInfo& info = entry.second;
        double share = gTotalMillis > 0.0 ? info.mMillisecDuration / gTotalMillis * 100.0 : 0.0;
        double average = info.mCallCount > 0 ? info.mMillisecDuration / info.mCallCount : 0.0;
        report += FormatString("%s (%d calls, %%%.2f time): %.2f (%.2f avg, %.2f longest)\n", info.mName,
                               info.mCallCount, share, info.mMillisecDuration, average, info.mLongestCall);
    }
    return report;
}

bool IsProfiling()
{
    return gProfiling;
}

void ProfilerQueue(const PerfRecord& record)
{
    if (!gProfiling || record.mName == nullptr)
        return;
    gPerfRecords.push_back(record);
}

const PerfInfoSet& ProfilerInfos()
{
    return gPerfInfoSet;
}

} // namespace Lumo
