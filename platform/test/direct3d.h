// Test interface: what the Direct3D layer reports and what it did.
// Calls that can be made to fail with PlatformTest::FailCall (core/faults.h), each failing as the
// real one would: "Direct3D7" (QueryInterface for IID_IDirect3D7), "CreateDevice", "GetCaps",
// "EnumTextureFormats", "SetRenderTarget", "SetViewport", "Clear", "BeginScene", "EndScene",
// "SetRenderState", "SetTextureStageState", "SetTexture", "DrawPrimitive", "Direct3DCreate8",
// "GetAdapterIdentifier"; texture surfaces share DirectDraw's "CreateSurface" and "Lock".
#pragma once

#include "d3d/d3d.h"

#include <string>

namespace PlatformTest
{
// Texture limits and capabilities the device reports and keeps to (texture surfaces outside
// them cannot be made). Zeros everywhere mean the renderer's own.
struct Direct3DLimits
{
    DWORD minTextureWidth = 0;
    DWORD minTextureHeight = 0;
    DWORD maxTextureWidth = 0;
    DWORD maxTextureHeight = 0;
    DWORD maxTextureAspectRatio = 0;
    bool powerOfTwoOnly = false; // D3DPTEXTURECAPS_POW2
    bool squareOnly = false;     // D3DPTEXTURECAPS_SQUAREONLY
};
void SetDirect3DLimits(const Direct3DLimits& limits);

// The texture formats EnumTextureFormats lists, as a set of bits: 1 A8R8G8B8, 2 A4R4G4B4,
// 4 R5G6B5, 8 eight-bit palette (with D3DPTEXTURECAPS_ALPHAPALETTE). Default: all four.
void SetDirect3DTextureFormats(unsigned formats);

// The card d3d8.dll (and DirectDraw's GetDeviceIdentifier) describes instead of the renderer.
struct Direct3DAdapter
{
    std::string description;
    std::string driver; // a file name under GetSystemDirectoryA's folder
    GUID deviceId{};
};
void SetDirect3DAdapter(const Direct3DAdapter& adapter);
// The renderer's own identity, as d3d8.dll reports it by default. Main thread.
Direct3DAdapter RendererAdapter();

// Makes "Direct3DCreate8" absent from d3d8.dll (false) or present again.
void SetDirect3D8EntryPoint(bool present);

// Back to the renderer's own limits, formats and identity.
void ResetDirect3D();

// Statistics back to zero (live texture counts stay).
void ResetDirect3DStatistics();

// Textures whose release from another thread waits for the main thread.
int QueuedTextureReleases();
} // namespace PlatformTest
