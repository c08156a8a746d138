// The two creation entry points and "ddraw.dll" as LoadLibraryA finds it.
#include "core/faults.h"
#include "ddraw/DirectDraw.h"
#include "test/directdraw.h"
#include "win32/ComObject.h"
#include "win32/kernel32.h"

#include <new>

namespace
{
template <typename Function> FARPROC Entry(Function* function, bool present)
{
    // Through void*: the entry point is handed over untyped, as GetProcAddress gives it back.
    return present ? reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function)) : nullptr;
}

HRESULT Make(GUID* driver, IUnknown* outer, DDraw::DirectDraw** made, const char* callName)
{
    *made = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    // Only the one display there is; no other driver can be named.
    if (driver)
        return DDERR_INVALIDDIRECTDRAWGUID;
    if (Platform::ShouldFail(callName))
        return DDERR_NODIRECTDRAWHW;
    *made = new (std::nothrow) DDraw::DirectDraw();
    return *made ? DD_OK : DDERR_OUTOFMEMORY;
}
} // namespace

extern "C" HRESULT WINAPI DirectDrawCreate(GUID* driver, LPDIRECTDRAW* directDraw, IUnknown* outer)
{
    if (!directDraw)
        return DDERR_INVALIDPARAMS;
    DDraw::DirectDraw* made = nullptr;
    HRESULT result = Make(driver, outer, &made, "DirectDrawCreate");
    *directDraw = made ? made->First() : nullptr;
    return result;
}

extern "C" HRESULT WINAPI DirectDrawCreateEx(GUID* driver, LPVOID* directDraw, REFIID iid, IUnknown* outer)
{
    if (!directDraw)
        return DDERR_INVALIDPARAMS;
    *directDraw = nullptr;
    if (!IsEqualGUID(iid, IID_IDirectDraw7))
        return DDERR_INVALIDPARAMS;
    DDraw::DirectDraw* made = nullptr;
    HRESULT result = Make(driver, outer, &made, "DirectDrawCreateEx");
    *directDraw = made ? made->Seventh() : nullptr;
    return result;
}

namespace Platform
{
void RegisterDDrawModule()
{
    RegisterBuiltinModule("ddraw.dll", "DirectDrawCreate", Entry(&DirectDrawCreate, true));
    RegisterBuiltinModule("ddraw.dll", "DirectDrawCreateEx", Entry(&DirectDrawCreateEx, true));
}
} // namespace Platform

namespace PlatformTest
{
void SetDirectDrawEntryPoints(bool create, bool createEx)
{
    // The layer's modules are registered on first use; after that a name maps to null when absent.
    GetModuleHandleA("ddraw.dll");
    Platform::RegisterBuiltinModule("ddraw.dll", "DirectDrawCreate", Entry(&DirectDrawCreate, create));
    Platform::RegisterBuiltinModule("ddraw.dll", "DirectDrawCreateEx", Entry(&DirectDrawCreateEx, createEx));
}
} // namespace PlatformTest
