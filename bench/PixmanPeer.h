#pragma once

// pixman as a peer of our drawing: its pictures are premultiplied (outside the timed
// loops) and its colours have 16-bit channels.
#include <pixman.h>

#include <cstdint>
#include <vector>

namespace PixmanPeer
{

inline std::vector<uint32_t> Premultiplied(std::vector<uint32_t> pixels)
{
    for (uint32_t& p : pixels)
    {
        uint32_t a = p >> 24;
        auto channel = [&](int shift) { return (((p >> shift) & 0xFF) * a + 127) / 255 << shift; };
        p = a << 24 | channel(16) | channel(8) | channel(0);
    }
    return pixels;
}

// A solid colour, premultiplied, in pixman's 16-bit channels.
inline pixman_image_t* Solid(int r, int g, int b, int a)
{
    auto wide = [a](int c) { return uint16_t((c * a + 127) / 255 * 257); };
    pixman_color_t colour{wide(r), wide(g), wide(b), uint16_t(a * 257)};
    return pixman_image_create_solid_fill(&colour);
}

} // namespace PixmanPeer
