// The small objects a DirectDraw object makes besides surfaces.
#pragma once

#include "ddraw/ddraw.h"

#include <cstdint>

namespace DDraw
{
HRESULT MakeClipper(LPDIRECTDRAWCLIPPER* clipper);
HRESULT MakePalette(DWORD flags, const PALETTEENTRY* entries, LPDIRECTDRAWPALETTE* palette);
// With the layer lock held: a palette's 256 colours as 0xAARRGGBB (alpha from the entries' flags
// when it was made with DDPCAPS_ALPHA, else opaque) and a number that changes with its entries.
// False for a palette the layer did not make.
bool PaletteColours(IDirectDrawPalette* palette, uint32_t colours[256], uint64_t* version);
} // namespace DDraw
