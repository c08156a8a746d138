// "d3d8.dll" as LoadLibraryA finds it, the layer's statistics and its test switches.
#include "core/faults.h"
#include "d3d/d3d.h"
#include "d3d/d3d8.h"
#include "test/direct3d.h"
#include "win32/kernel32.h"

extern "C" IDirect3D8* WINAPI Direct3DCreate8(UINT sdkVersion)
{
    return nullptr;
}

namespace Platform
{
void RegisterD3D8Module()
{
    RegisterBuiltinModule("d3d8.dll", "Direct3DCreate8",
                          reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&Direct3DCreate8)));
}

Direct3DStatistics GetDirect3DStatistics()
{
    return {};
}
} // namespace Platform

namespace PlatformTest
{
void SetDirect3DLimits(const Direct3DLimits&) {}
void SetDirect3DTextureFormats(unsigned) {}
void SetDirect3DAdapter(const Direct3DAdapter&) {}
Direct3DAdapter RendererAdapter()
{
    return {};
}
void SetDirect3D8EntryPoint(bool) {}
void ResetDirect3D() {}
void ResetDirect3DStatistics() {}
int QueuedTextureReleases()
{
    return 0;
}
} // namespace PlatformTest
