// Owns one Win32 critical section for its whole lifetime. Owners enter and leave
// mCriticalSection themselves.
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

} // namespace Lumo
