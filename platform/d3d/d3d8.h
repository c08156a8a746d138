// The eighth version's adapter identity, as "d3d8.dll" gives it: who draws, with which driver file.
#pragma once

#include "win32/types.h"
#include "win32/unknwn.h"

#define D3D_SDK_VERSION 220
#define D3DENUM_NO_WHQL_LEVEL 0x00000002
#define D3DADAPTER_DEFAULT 0
#define D3DERR_INVALIDCALL LUMO_HRESULT(0x8876086Cu)
#define D3DERR_NOTAVAILABLE LUMO_HRESULT(0x8876086Au)

#define MAX_DEVICE_IDENTIFIER_STRING 512
typedef struct _D3DADAPTER_IDENTIFIER8
{
    char Driver[MAX_DEVICE_IDENTIFIER_STRING];
    char Description[MAX_DEVICE_IDENTIFIER_STRING];
    LARGE_INTEGER DriverVersion;
    DWORD VendorId;
    DWORD DeviceId;
    DWORD SubSysId;
    DWORD Revision;
    GUID DeviceIdentifier;
    DWORD WHQLLevel;
} D3DADAPTER_IDENTIFIER8;

inline constexpr GUID IID_IDirect3D8 = {
    0x1DD9E8DA, 0x1C77, 0x4D40, {0xB0, 0xCF, 0x98, 0xFE, 0xFD, 0xFF, 0x95, 0x12}};

struct IDirect3D8 : IUnknown
{
    virtual UINT WINAPI GetAdapterCount() = 0;
    // Adapter 0 is the renderer of the layer's windows. Main thread only.
    virtual HRESULT WINAPI GetAdapterIdentifier(UINT adapter, DWORD flags,
                                                D3DADAPTER_IDENTIFIER8* identifier) = 0;

protected:
    ~IDirect3D8() = default;
};
typedef IDirect3D8* LPDIRECT3D8;

// Null for any other SDK version, or off the main thread.
extern "C" IDirect3D8* WINAPI Direct3DCreate8(UINT sdkVersion);
typedef IDirect3D8*(WINAPI* LPDIRECT3DCREATE8)(UINT);

namespace Platform
{
// Makes "d3d8.dll" known to LoadLibraryA with its creation entry point.
void RegisterD3D8Module();
} // namespace Platform
