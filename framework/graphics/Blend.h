#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Per-pixel formulas of the software drawing, on 0xAARRGGBB words. They are
// exact integer arithmetic; the row blitters and their vector versions must
// give the very same bits.
namespace Lumo::Blend
{

constexpr std::array<uint8_t, 512> MakeSaturate()
{
    std::array<uint8_t, 512> table{};
    for (int i = 0; i < 512; i++)
        table[std::size_t(i)] = uint8_t(i < 255 ? i : 255);
    return table;
}

// Additive saturation: entry i is min(i, 255), so kSaturate[d + s] adds two channels.
inline constexpr std::array<uint8_t, 512> kSaturate = MakeSaturate();

inline uint32_t Channel(uint32_t p, int shift)
{
    return (p >> shift) & 0xFF;
}

// Source colour s at alpha a (1-255) over d; the result's alpha grows with
// the destination's coverage.
inline uint32_t Normal(uint32_t d, uint32_t s, uint32_t a)
{
    uint32_t da = d >> 24;
    uint32_t na = 255, w = a; // what the divisions give over an opaque pixel
    if (da != 255)
    {
        uint32_t t = (255 - da) * a / 255;
        na = t + da;
        w = a * 255 / na;
    }
    uint32_t r = ((((d & 0xFF0000) * (256 - w)) >> 8) & 0xFF0000) + ((((s & 0xFF0000) * w) >> 8) & 0xFF0000);
    uint32_t g = ((((d & 0xFF00) * (256 - w)) >> 8) & 0xFF00) + ((((s & 0xFF00) * w) >> 8) & 0xFF00);
    uint32_t b = ((((d & 0xFF) * (256 - w)) >> 8) & 0xFF) + ((((s & 0xFF) * w) >> 8) & 0xFF);
    return (na << 24) | r | g | b;
}

// Normal with the source's own alpha; alpha 0 leaves d.
inline uint32_t NormalPixel(uint32_t d, uint32_t s)
{
    uint32_t a = s >> 24;
    return a == 0 ? d : Normal(d, s, a);
}

// Partial alpha over a destination taken as opaque: w = a, alpha 255.
inline uint32_t OverOpaque(uint32_t d, uint32_t s)
{
    uint32_t a = s >> 24;
    uint32_t r = ((Channel(d, 16) * (256 - a)) >> 8) + ((Channel(s, 16) * a) >> 8);
    uint32_t g = ((Channel(d, 8) * (256 - a)) >> 8) + ((Channel(s, 8) * a) >> 8);
    uint32_t b = ((Channel(d, 0) * (256 - a)) >> 8) + ((Channel(s, 0) * a) >> 8);
    return 0xFF000000 | (r << 16) | (g << 8) | b;
}

// Source modulated by a colour; red is rounded in two steps, green and blue in one.
inline uint32_t Tinted(uint32_t d, uint32_t s, int cr, int cg, int cb, int ca)
{
    uint32_t a = (s >> 24) * uint32_t(ca) / 255;
    if (a == 0)
        return d;
    uint32_t da = d >> 24;
    uint32_t t = (255 - da) * a / 255;
    uint32_t na = t + da;
    uint32_t w = a * 255 / na;
    uint32_t r = ((((Channel(s, 16) * w) >> 8) * uint32_t(cr)) >> 8) + ((Channel(d, 16) * (256 - w)) >> 8);
    uint32_t g = ((Channel(s, 8) * w * uint32_t(cg)) >> 16) + ((Channel(d, 8) * (256 - w)) >> 8);
    uint32_t b = ((Channel(s, 0) * w * uint32_t(cb)) >> 16) + ((Channel(d, 0) * (256 - w)) >> 8);
    return (na << 24) | (r << 16) | (g << 8) | b;
}

// Each channel times a >> 8, alpha 0.
inline uint32_t AlphaWeightedBy(uint32_t p, uint32_t a)
{
    return ((Channel(p, 16) * a) >> 8) << 16 | ((Channel(p, 8) * a) >> 8) << 8 | ((Channel(p, 0) * a) >> 8);
}

// The same by the pixel's own alpha: what an additive draw by the alpha adds.
inline uint32_t AlphaWeighted(uint32_t p)
{
    return AlphaWeightedBy(p, p >> 24);
}

// What OverOpaque takes of a source pixel, worked out ahead: each channel times the alpha
// >> 8, the alpha kept; an opaque pixel as it is (it weighs 256).
inline uint32_t Weighted(uint32_t p)
{
    uint32_t a = p >> 24;
    return a == 255 ? p : AlphaWeighted(p) | a << 24;
}

// OverOpaque of a partial-alpha source from its weighted pixel: one product a channel.
inline uint32_t OverWeighted(uint32_t d, uint32_t t)
{
    uint32_t w = 256 - (t >> 24);
    return 0xFF000000 | (((Channel(d, 16) * w) >> 8) + Channel(t, 16)) << 16 |
           (((Channel(d, 8) * w) >> 8) + Channel(t, 8)) << 8 | (((Channel(d, 0) * w) >> 8) + Channel(t, 0));
}

// Adds three channel amounts with saturation; the destination keeps its alpha.
inline uint32_t Add(uint32_t d, uint32_t r, uint32_t g, uint32_t b)
{
    return (d & 0xFF000000) | (uint32_t(kSaturate[Channel(d, 16) + r]) << 16) |
           (uint32_t(kSaturate[Channel(d, 8) + g]) << 8) | kSaturate[Channel(d, 0) + b];
}

// The same with the amounts as the channels of a pixel.
inline uint32_t Add(uint32_t d, uint32_t amounts)
{
    return Add(d, Channel(amounts, 16), Channel(amounts, 8), Channel(amounts, 0));
}

} // namespace Lumo::Blend
