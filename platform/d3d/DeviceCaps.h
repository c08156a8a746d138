// What the device reports: its texture limits and formats (the renderer's own, or a test's).
#pragma once

#include "d3d/d3d.h"
#include "ddraw/PixelFormat.h"

struct SDL_Renderer;

namespace D3D
{
// Texture format bits, in the order EnumTextureFormats lists them.
enum Format : unsigned
{
    kA8R8G8B8 = 1,
    kA4R4G4B4 = 2,
    kR5G6B5 = 4,
    kPalette8 = 8,
};
unsigned OfferedFormats();
// The layout of one format bit.
DDraw::PixelFormat FormatLayout(unsigned format);

// The device description for a renderer. Main thread.
void Describe(SDL_Renderer* renderer, D3DDEVICEDESC7* desc);
// Whether a texture surface of this size and layout may be made (any thread).
HRESULT CheckTexture(DWORD width, DWORD height, const DDraw::PixelFormat& format);
// Back to the renderer's own limits and every format (tests).
void ResetCaps();
} // namespace D3D
