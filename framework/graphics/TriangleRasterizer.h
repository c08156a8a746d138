#pragma once

#include "graphics/Color.h"
#include "graphics/LumoMatrix3.h"
#include "graphics/Rect.h"

#include <cstdint>

namespace Lumo
{

class MemoryImage;

// Destination pixel forms of the rasteriser.
enum
{
    PIXELFORM_8888 = 0x8888,
    PIXELFORM_888 = 0x888,
    PIXELFORM_565 = 0x565,
    PIXELFORM_555 = 0x555
};

// Draws `count` vertices as a triangle strip, clipped to `clip` (which the
// caller keeps inside the destination), textured by `texture` when given,
// modulated by `color` and, with vertexColors, by the vertices' colours.
void DrawTriangleSoftware(const Color& color, const Rect& clip, const TriVertex* vertices, int count,
                          MemoryImage* texture, uint32_t* bits, int pitch, int pixelForm, bool blend,
                          bool vertexColors);

} // namespace Lumo
