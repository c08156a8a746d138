// Allocation bookkeeping with a text report of what was never freed. Nothing records into it
// yet; the report format is fixed for whoever does.
#pragma once

#include "app/CriticalSection.h"

#include <map>
#include <memory>
#include <string>

namespace Lumo
{

struct LUMO_ALLOC_INFO
{
    void* mAddress = nullptr;
    int mSize = 0;
    std::string mFile;
    int mLine = 0;
};

class LeakTracker
{
public:
    std::map<void*, LUMO_ALLOC_INFO> mAllocMap;
    std::unique_ptr<CriticalSection> mLock;
    bool mTracking = false;
    bool mReportAtExit = false;

    LeakTracker();
    ~LeakTracker();
    LeakTracker(const LeakTracker&) = delete;
    LeakTracker& operator=(const LeakTracker&) = delete;

    // Writes the report of every recorded allocation to the file, only while tracking; false
    // when nothing was written.
    bool WriteReport(const std::string& fileName);
};

extern LeakTracker gLeakTracker;

// The process tracker's report, into "mem_leaks.txt".
bool WriteLeakReport();

} // namespace Lumo
