#include "app/CriticalSection.h"

namespace Lumo
{

CriticalSection::CriticalSection()
{
    InitializeCriticalSection(&mCriticalSection);
}

CriticalSection::~CriticalSection()
{
    DeleteCriticalSection(&mCriticalSection);
}

} // namespace Lumo
