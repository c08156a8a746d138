// The small objects a DirectDraw object makes besides surfaces.
#pragma once

#include "ddraw/ddraw.h"

#include <cstdint>

namespace DDraw
{
HRESULT MakeClipper(LPDIRECTDRAWCLIPPER* clipper);
HRESULT MakePalette(DWORD flags, const PALETTEENTRY* entries, LPDIRECTDRAWPALETTE* palette);
// With the layer lock held: a palette's 256 colours as 0xAARRGGBB (alpha from the entries' flags
// when it was made with DDPCAPS_ALPHA, else opaque), given only when its entries changed since
// `*version`, which then becomes theirs. False for a palette the layer did not make, or unchanged.
bool PaletteColours(IDirectDrawPalette* palette, uint32_t colours[256], uint64_t* version);
} // namespace DDraw
