// The small objects a DirectDraw object makes besides surfaces.
#pragma once

#include "ddraw/ddraw.h"

namespace DDraw
{
HRESULT MakeClipper(LPDIRECTDRAWCLIPPER* clipper);
HRESULT MakePalette(DWORD flags, const PALETTEENTRY* entries, LPDIRECTDRAWPALETTE* palette);
} // namespace DDraw
