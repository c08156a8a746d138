#pragma once

#include "graphics/MemoryImage.h"
#include "graphics/Rect.h"

#include <cstdint>

namespace Lumo
{

// The filtered stretch: the source area `s` (clipped, fractional) of `source`
// is resampled into the destination rectangle `d` of `dest` (rows of `pitch`
// pixels) by a separable filter and put by the normal blend.
void FilteredStretch(const PixelSource& source, uint32_t* dest, int pitch, const Rect& d, const FRect& s);

namespace Reference
{
// Straightforward two-accumulator version that defines the result.
void FilteredStretch(const PixelSource& source, uint32_t* dest, int pitch, const Rect& d, const FRect& s);
} // namespace Reference

} // namespace Lumo
