// Every kind of draw that takes a source, with the destination as its own source and the two
// areas overlapping: the picture must be read as it was before the draw, at every level.
#pragma once

#include "graphics/CpuDispatch.h"
#include "graphics/MemoryImage.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <utility>
#include <vector>

namespace SelfDraws
{
using namespace Lumo;

// make(pixels) gives a new 40 x 9 picture of those pixels that lives to the end of the test. Each draw
// of a picture onto itself, at every level, against the same draw at the scalar level from another
// picture of the same pixels; opaque, keyed, translucent pictures and ones of a few colours.
inline void
ExpectTheyReadThePictureAsItWas(const std::function<MemoryImage*(const std::vector<uint32_t>&)>& make)
{
    using Draw = std::function<void(Image & onto, Image * from)>;
    const Color tint(200, 100, 50, 180);
    const Rect all(0, 0, 40, 9), half(0, 0, 20, 9);
    const std::pair<const char*, Draw> draws[] = {
        {"blit", [&](Image& o, Image* f) { o.Blt(f, 1, 0, Rect(0, 0, 39, 9), Color::White, 0); }},
        {"blit up", [&](Image& o, Image* f) { o.Blt(f, 0, 0, Rect(3, 1, 37, 8), Color::White, 0); }},
        {"tinted blit", [&](Image& o, Image* f) { o.Blt(f, 5, 1, Rect(0, 0, 35, 8), tint, 0); }},
        {"additive", [&](Image& o, Image* f) { o.Blt(f, 1, 0, Rect(0, 0, 39, 9), Color::White, 1); }},
        {"tinted additive", [&](Image& o, Image* f) { o.Blt(f, 2, 1, Rect(0, 0, 38, 8), tint, 1); }},
        {"mirrored", [&](Image& o, Image* f) { o.BltMirrored(f, 1, 0, all, Color::White, 0); }},
        {"stretch",
         [&](Image& o, Image* f) { o.StretchBlt(f, Rect(1, 0, 40, 18), half, all, Color::White, 0, true); }},
        {"tinted shrink",
         [&](Image& o, Image* f) { o.StretchBlt(f, Rect(0, 0, 13, 3), all, all, tint, 0, true); }},
        {"filtered",
         [&](Image& o, Image* f) { o.StretchBlt(f, Rect(1, 1, 60, 12), all, all, Color::White, 0, false); }},
        {"mirrored stretch", [&](Image& o, Image* f)
         { o.StretchBltMirrored(f, Rect(1, 0, 40, 18), half, all, Color::White, 0, true); }},
        {"rotated",
         [&](Image& o, Image* f) { o.BltRotated(f, 1.5f, 0, all, all, Color::White, 0, 0.1, 20, 4); }},
        {"matrix", [&](Image& o, Image* f)
         { o.BltMatrix(f, 21, 4.5f, LumoMatrix3(), all, Color::White, 0, all, false); }},
        {"triangles",
         [&](Image& o, Image* f)
         {
             TriVertex tri[1][3] = {{{0, 0, 0, 0, ~0u}, {40, 0, 1, 0, ~0u}, {0, 9, 0, 1, ~0u}}};
             o.DrawTexturedTriangles(f, tri, 1, all, Color::White, 0, 1, 0, false);
         }},
    };
    std::mt19937 random(5);
    for (int kind = 0; kind < 4; kind++)
    {
        std::vector<uint32_t> pixels(40 * 9);
        for (size_t i = 0; i < pixels.size(); i++)
        {
            uint32_t alpha = kind == 0 || random() % 3 ? 255
                             : kind == 1               ? 0
                             : kind == 2               ? random() % 255
                                                       : 128;
            pixels[i] =
                alpha << 24 | (kind == 3 ? uint32_t(i % 50) * 0x030507 : uint32_t(random() & 0xFFFFFF));
        }
        for (const auto& [name, draw] : draws)
        {
            MemoryImage* expected = make(pixels);
            {
                Cpu::LevelScope scalar(Cpu::Level::Scalar);
                draw(*expected, make(pixels));
            }
            std::vector<uint32_t> want(expected->GetBits(), expected->GetBits() + pixels.size());
            for (Cpu::Level level : Cpu::Runnable())
            {
                Cpu::LevelScope scope(level);
                MemoryImage* self = make(pixels);
                draw(*self, self);
                ASSERT_EQ(std::vector<uint32_t>(self->GetBits(), self->GetBits() + pixels.size()), want)
                    << name << ", kind " << kind << ", " << Cpu::Name(level);
            }
        }
    }
}

} // namespace SelfDraws
