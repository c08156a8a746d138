// Owns one Win32 critical section for its whole lifetime; AutoCrit enters it for a scope.
#pragma once

#include "win32/windows.h"

namespace Lumo
{

class CriticalSection
{
public:
    CRITICAL_SECTION mCriticalSection;

    CriticalSection();
    ~CriticalSection();
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
};

// Holds a critical section for a scope; holds nothing when given none.
class AutoCrit
{
public:
    explicit AutoCrit(CriticalSection* section) : mSection(section ? &section->mCriticalSection : nullptr)
    {
        if (mSection)
            EnterCriticalSection(mSection);
    }
    explicit AutoCrit(CriticalSection& section) : AutoCrit(&section) {}
    ~AutoCrit()
    {
        if (mSection)
            LeaveCriticalSection(mSection);
    }
    AutoCrit(const AutoCrit&) = delete;
    AutoCrit& operator=(const AutoCrit&) = delete;

private:
    CRITICAL_SECTION* mSection;
};

} // namespace Lumo
