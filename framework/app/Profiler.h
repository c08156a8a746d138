// A small profiler: producers queue start and stop records with a cycle stamp,
// which ProfilerEnd folds into per-name statistics for ProfilerReport.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace Lumo
{

struct PerfRecord
{
    const char* mName;
    int64_t mStamp; // cycle counter
    bool mStart;
};

struct PerfInfo
{
    const char* mName = nullptr;
    int64_t mStartStamp = 0;
    int64_t mDuration = 0; // cycles
    double mMillisecDuration = 0.0;
    double mLongestCall = 0.0; // cycles while collecting, milliseconds after ProfilerEnd
    int mStartCount = 0;
    int mCallCount = 0;
};

struct PerfNameLess
{
    bool operator()(const char* a, const char* b) const;
};

// One entry per name, whatever its case.
typedef std::map<const char*, PerfInfo, PerfNameLess> PerfInfoSet;

void ProfilerBegin();
void ProfilerEnd();
std::string ProfilerReport();
bool IsProfiling();

// Queues a record for the next ProfilerEnd; ignored while the profiler is off.
void ProfilerQueue(const PerfRecord& record);
// The statistics of the last ProfilerEnd.
const PerfInfoSet& ProfilerInfos();

} // namespace Lumo
