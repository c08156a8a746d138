// "d3d8.dll" as LoadLibraryA finds it, the layer's statistics and its test switches.
#include "core/faults.h"
#include "d3d/DeviceCaps.h"
#include "d3d/Identity.h"
#include "d3d/d3d.h"
#include "d3d/d3d8.h"
#include "ddraw/Twin.h"
#include "test/direct3d.h"
#include "win32/ComObject.h"
#include "win32/kernel32.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace
{
// The eighth version's object: only the adapter's identity is asked of it.
class Direct3D8 final : public ComObject<IDirect3D8, IID_IDirect3D8>
{
public:
    UINT WINAPI GetAdapterCount() override { return 1; }

    HRESULT WINAPI GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER8* identifier) override
    {
        if (!identifier || adapter != D3DADAPTER_DEFAULT)
            return D3DERR_INVALIDCALL;
        if (Platform::ShouldFail("GetAdapterIdentifier"))
            return D3DERR_NOTAVAILABLE;
        D3D::Identity identity;
        if (!D3D::RendererIdentity(&identity))
            return D3DERR_NOTAVAILABLE;
        std::memset(identifier, 0, sizeof(*identifier));
        std::snprintf(identifier->Driver, sizeof(identifier->Driver), "%s", identity.driver.c_str());
        std::snprintf(identifier->Description, sizeof(identifier->Description), "%s",
                      identity.description.c_str());
        identifier->DeviceIdentifier = identity.deviceId;
        return D3D_OK;
    }
};

FARPROC Entry(bool present)
{
    return present ? reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&Direct3DCreate8)) : nullptr;
}
} // namespace

extern "C" IDirect3D8* WINAPI Direct3DCreate8(UINT sdkVersion)
{
    if (sdkVersion != D3D_SDK_VERSION || Platform::ShouldFail("Direct3DCreate8"))
        return nullptr;
    return new (std::nothrow) Direct3D8();
}

namespace Platform
{
void RegisterD3D8Module()
{
    RegisterBuiltinModule("d3d8.dll", "Direct3DCreate8", Entry(true));
}

Direct3DStatistics GetDirect3DStatistics()
{
    DDraw::TwinCounters& c = DDraw::Counters();
    Direct3DStatistics statistics;
    statistics.uploads = c.uploads;
    statistics.uploadedBytes = c.uploadedBytes;
    statistics.readBacks = c.readBacks;
    statistics.readBackBytes = c.readBackBytes;
    statistics.primitives = c.primitives;
    statistics.twinPresents = c.twinPresents;
    statistics.twins = c.twins;
    statistics.twinBytes = c.twinBytes;
    return statistics;
}
} // namespace Platform

namespace PlatformTest
{
void SetDirect3DAdapter(const Direct3DAdapter& adapter)
{
    D3D::Identity identity{adapter.description, adapter.driver, adapter.deviceId};
    D3D::SetIdentity(&identity);
}

Direct3DAdapter RendererAdapter()
{
    D3D::SetIdentity(nullptr);
    D3D::Identity identity;
    D3D::RendererIdentity(&identity);
    return Direct3DAdapter{identity.description, identity.driver, identity.deviceId};
}

void SetDirect3D8EntryPoint(bool present)
{
    // The layer's modules are registered on first use; after that a name maps to null when absent.
    GetModuleHandleA("d3d8.dll");
    Platform::RegisterBuiltinModule("d3d8.dll", "Direct3DCreate8", Entry(present));
}

void ResetDirect3D()
{
    D3D::ResetCaps();
    D3D::SetIdentity(nullptr);
    SetDirect3D8EntryPoint(true);
}

void ResetDirect3DStatistics()
{
    DDraw::TwinCounters& c = DDraw::Counters();
    for (auto* counter :
         {&c.uploads, &c.uploadedBytes, &c.readBacks, &c.readBackBytes, &c.primitives, &c.twinPresents})
        *counter = 0;
}

int QueuedTextureReleases()
{
    return DDraw::QueuedTwinReleases();
}
} // namespace PlatformTest
