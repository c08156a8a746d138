#include "d3d/DeviceCaps.h"
#include "test/direct3d.h"

#include <SDL.h>

#include <cstring>
#include <mutex>

namespace
{
constexpr unsigned kAllFormats = D3D::kA8R8G8B8 | D3D::kA4R4G4B4 | D3D::kR5G6B5 | D3D::kPalette8;
// Our surfaces go up to this side whatever the renderer says.
constexpr DWORD kLargest = 16384;

std::mutex gLock;
PlatformTest::Direct3DLimits gLimits; // zeros: the renderer's own
unsigned gFormats = kAllFormats;

PlatformTest::Direct3DLimits Limits()
{
    std::lock_guard<std::mutex> lock(gLock);
    return gLimits;
}

bool PowerOfTwo(DWORD value)
{
    return value && (value & (value - 1)) == 0;
}

constexpr DWORD kBlends = D3DPBLENDCAPS_ZERO | D3DPBLENDCAPS_ONE | D3DPBLENDCAPS_SRCCOLOR |
                          D3DPBLENDCAPS_INVSRCCOLOR | D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA |
                          D3DPBLENDCAPS_DESTCOLOR;
} // namespace

namespace D3D
{
unsigned OfferedFormats()
{
    std::lock_guard<std::mutex> lock(gLock);
    return gFormats;
}

DDraw::PixelFormat FormatLayout(unsigned format)
{
    switch (format)
    {
    case kA4R4G4B4:
        return DDraw::Layouts::k4444;
    case kR5G6B5:
        return DDraw::Layouts::k565;
    case kPalette8:
        return DDraw::Layouts::kPalette8;
    default:
        return DDraw::Layouts::k8888;
    }
}

void Describe(SDL_Renderer* renderer, D3DDEVICEDESC7* desc)
{
    std::memset(desc, 0, sizeof(*desc));
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer, &info);
    PlatformTest::Direct3DLimits limits = Limits();
    bool palettes = (OfferedFormats() & kPalette8) != 0;
    auto pick = [](DWORD chosen, DWORD own) { return chosen ? chosen : own; };
    DWORD maxWidth =
        info.max_texture_width > 0 ? std::min<DWORD>(info.max_texture_width, kLargest) : kLargest;
    DWORD maxHeight =
        info.max_texture_height > 0 ? std::min<DWORD>(info.max_texture_height, kLargest) : kLargest;
    desc->dwMinTextureWidth = pick(limits.minTextureWidth, 1);
    desc->dwMinTextureHeight = pick(limits.minTextureHeight, 1);
    desc->dwMaxTextureWidth = pick(limits.maxTextureWidth, maxWidth);
    desc->dwMaxTextureHeight = pick(limits.maxTextureHeight, maxHeight);
    desc->dwMaxTextureAspectRatio = pick(limits.maxTextureAspectRatio, std::max(maxWidth, maxHeight));
    desc->dwMaxTextureRepeat = 1;
    desc->dwDevCaps = D3DDEVCAPS_FLOATTLVERTEX | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                      D3DDEVCAPS_TEXTUREVIDEOMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX;
    if (info.flags & SDL_RENDERER_ACCELERATED)
        desc->dwDevCaps |= D3DDEVCAPS_HWRASTERIZATION;
    for (D3DPRIMCAPS* caps : {&desc->dpcLineCaps, &desc->dpcTriCaps})
    {
        caps->dwSize = sizeof(D3DPRIMCAPS);
        caps->dwSrcBlendCaps = kBlends;
        caps->dwDestBlendCaps = kBlends;
        caps->dwTextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA;
        if (palettes)
            caps->dwTextureCaps |= D3DPTEXTURECAPS_ALPHAPALETTE;
        if (limits.powerOfTwoOnly)
            caps->dwTextureCaps |= D3DPTEXTURECAPS_POW2;
        if (limits.squareOnly)
            caps->dwTextureCaps |= D3DPTEXTURECAPS_SQUAREONLY;
        caps->dwTextureFilterCaps = D3DPTFILTERCAPS_NEAREST | D3DPTFILTERCAPS_LINEAR;
    }
    desc->dwFVFCaps = 1; // one set of texture coordinates
    desc->wMaxTextureBlendStages = 1;
    desc->wMaxSimultaneousTextures = 1;
    desc->deviceGUID = IID_IDirect3DHALDevice;
}

HRESULT CheckTexture(DWORD width, DWORD height, const DDraw::PixelFormat& format)
{
    bool offered = false;
    unsigned formats = OfferedFormats();
    for (unsigned bit : {kA8R8G8B8, kA4R4G4B4, kR5G6B5, kPalette8})
        if ((formats & bit) && FormatLayout(bit) == format)
            offered = true;
    if (!offered)
        return DDERR_INVALIDPIXELFORMAT;
    PlatformTest::Direct3DLimits limits = Limits();
    auto within = [](DWORD value, DWORD low, DWORD high)
    { return value >= low && (high == 0 || value <= high); };
    DWORD longer = std::max(width, height), shorter = std::min(width, height);
    if (!within(width, limits.minTextureWidth, limits.maxTextureWidth) ||
        !within(height, limits.minTextureHeight, limits.maxTextureHeight) ||
        (limits.maxTextureAspectRatio && longer > (uint64_t)shorter * limits.maxTextureAspectRatio) ||
        (limits.powerOfTwoOnly && (!PowerOfTwo(width) || !PowerOfTwo(height))) ||
        (limits.squareOnly && width != height))
        return D3DERR_TEXTURE_BADSIZE;
    return DD_OK;
}

void ResetCaps()
{
    std::lock_guard<std::mutex> lock(gLock);
    gLimits = PlatformTest::Direct3DLimits{};
    gFormats = kAllFormats;
}
} // namespace D3D

namespace PlatformTest
{
void SetDirect3DLimits(const Direct3DLimits& limits)
{
    std::lock_guard<std::mutex> lock(gLock);
    gLimits = limits;
}

void SetDirect3DTextureFormats(unsigned formats)
{
    std::lock_guard<std::mutex> lock(gLock);
    gFormats = formats & kAllFormats;
}
} // namespace PlatformTest
