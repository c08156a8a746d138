#include "SelfDraws.h"
#include "TestRegistry.h"

#include "graphics/Blend.h"
#include "graphics/CpuDispatch.h"
#include "graphics/StretchFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <thread>
#include <vector>

using namespace Lumo;

namespace
{
using ImagePtr = std::unique_ptr<MemoryImage>;

ImagePtr Filled(int w, int h, uint32_t pixel)
{
    return ImagePtr(MakeImage(w, h, {pixel}));
}

uint32_t At(MemoryImage& image, int x, int y)
{
    return image.GetBits()[y * image.mWidth + x];
}

std::vector<uint32_t> Row(MemoryImage& image, int y)
{
    uint32_t* bits = image.GetBits() + y * image.mWidth;
    return std::vector<uint32_t>(bits, bits + image.mWidth);
}

// Arrays of this many bytes or more find no memory, as under a memory limit.
std::atomic<std::size_t> gNoArraysFrom{SIZE_MAX};
} // namespace

void* operator new[](std::size_t size)
{
    void* memory =
        size < gNoArraysFrom.load(std::memory_order_relaxed) ? std::malloc(size ? size : 1) : nullptr;
    if (memory == nullptr)
        throw std::bad_alloc();
    return memory;
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return ::operator new[](size);
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}
void operator delete[](void* memory) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept
{
    std::free(memory);
}

TEST(MemoryImageFill, ExactBlends)
{
    ImagePtr black = Filled(4, 4, 0xFF000000);
    black->FillRect(Rect(1, 1, 2, 2), Color(255, 0, 0, 128), 0);
    EXPECT_EQ(At(*black, 1, 1), 0xFF7F0000u);
    EXPECT_EQ(At(*black, 0, 0), 0xFF000000u);

    ImagePtr clear = Filled(2, 2, 0x00000000);
    clear->FillRect(Rect(0, 0, 2, 2), Color(10, 20, 30, 255), 0);
    EXPECT_EQ(At(*clear, 1, 1), 0xFF0A141Eu);

    // Half red over nothing: alpha 128 and the full weight 255, so 254.
    ImagePtr empty = Filled(1, 1, 0x00000000);
    empty->FillRect(Rect(0, 0, 1, 1), Color(255, 0, 0, 128), 0);
    EXPECT_EQ(At(*empty, 0, 0), 0x80FE0000u);

    int count = black->mBitsChangedCount;
    black->FillRect(Rect(10, 10, 0, 5), Color(1, 2, 3), 0);
    black->FillRect(Rect(0, 0, 4, 4), Color(1, 2, 3, 0), 0);
    EXPECT_EQ(black->mBitsChangedCount, count);
    // Rectangles outside the picture are cut, not written past it.
    black->FillRect(Rect(-2, 3, 10, 10), Color(0, 0, 255), 0);
    EXPECT_EQ(Row(*black, 3), std::vector<uint32_t>(4, 0xFF0000FF));
    EXPECT_EQ(black->mBits[16], MemoryImage::kGuardWord);

    black->ClearRect(Rect(0, 3, 2, 1));
    EXPECT_EQ(Row(*black, 3), (std::vector<uint32_t>{0, 0, 0xFF0000FF, 0xFF0000FF}));
}

TEST(MemoryImageLine, MidpointPixelsAndColours)
{
    ImagePtr image = Filled(5, 3, 0xFF000064);
    image->DrawLine(0, 0, 4, 2, Color(255, 0, 0), 0);
    const uint32_t red = 0xFFFE0000, blue = 0xFF000064;
    EXPECT_EQ(Row(*image, 0), (std::vector<uint32_t>{red, red, blue, blue, blue}));
    EXPECT_EQ(Row(*image, 1), (std::vector<uint32_t>{blue, blue, red, red, blue}));
    EXPECT_EQ(Row(*image, 2), (std::vector<uint32_t>{blue, blue, blue, blue, red}));

    // Steep lines step along y.
    ImagePtr steep = Filled(2, 4, 0xFF000000);
    steep->DrawLine(0, 0, 1, 3, Color(0, 0, 255), 0);
    EXPECT_EQ(std::vector<uint32_t>(steep->mBits, steep->mBits + 8),
              (std::vector<uint32_t>{0xFF0000FE, 0xFF000000, 0xFF0000FE, 0xFF000000, 0xFF000000, 0xFF0000FE,
                                     0xFF000000, 0xFF0000FE}));

    ImagePtr half = Filled(5, 3, 0xFF000064);
    half->DrawLine(4, 2, 0, 0, Color(255, 0, 0, 128), 0);
    EXPECT_EQ(At(*half, 0, 0), 0xFF7F0032u);
    EXPECT_EQ(At(*half, 4, 2), 0xFF7F0032u);

    ImagePtr add = Filled(5, 3, 0x80F00000);
    add->DrawLine(0, 2, 4, 0, Color(100, 20, 255, 255), 1);
    EXPECT_EQ(At(*add, 0, 2), 0xFFFF14FFu);
    EXPECT_EQ(At(*add, 4, 0), 0xFFFF14FFu);

    // Straight lines are fills.
    ImagePtr flat = Filled(5, 3, 0xFF000000);
    flat->DrawLine(3.7, 1, 0.2, 1, Color(1, 2, 3), 0);
    EXPECT_EQ(Row(*flat, 1),
              (std::vector<uint32_t>{0xFF010203, 0xFF010203, 0xFF010203, 0xFF010203, 0xFF000000}));

    // Lines leaving the picture are cut per pixel.
    ImagePtr small = Filled(3, 3, 0xFF000000);
    small->DrawLine(-5, -3, 10, 6, Color(255, 255, 255), 0);
    EXPECT_EQ(small->mBits[9], MemoryImage::kGuardWord);
}

TEST(MemoryImageBlt, NormalCases)
{
    ImagePtr sprite(MakeImage(3, 1, {0xFF00FF00, 0x00FFFFFF, 0x80FF0000}));
    ImagePtr opaque = Filled(3, 1, 0xFF0000FF);
    opaque->Blt(sprite.get(), 0, 0, Rect(0, 0, 3, 1), Color::White, 0);
    EXPECT_EQ(Row(*opaque, 0), (std::vector<uint32_t>{0xFF00FF00, 0xFF0000FF, 0xFF7F007F}));

    // The blend over an opaque picture reads a sprite's weighted pixels, which follow its own.
    ImagePtr soft(MakeImage(1, 1, {0x80FF0000}));
    ImagePtr under = Filled(1, 1, 0xFF000000);
    under->Blt(soft.get(), 0, 0, Rect(0, 0, 1, 1), Color::White, 0);
    soft->GetBits()[0] = 0x800000FF;
    soft->BitsChanged();
    under->Blt(soft.get(), 0, 0, Rect(0, 0, 1, 1), Color::White, 0);
    EXPECT_EQ(At(*under, 0, 0), 0xFF3F007Fu);
    // ...and their form: in palette form the sprite blends from its palette.
    ASSERT_TRUE(soft->Palletize());
    under->Blt(soft.get(), 0, 0, Rect(0, 0, 1, 1), Color::White, 0);
    EXPECT_EQ(At(*under, 0, 0), 0xFF1F00BEu);

    ImagePtr clear = Filled(3, 1, 0x00000000);
    clear->Blt(sprite.get(), 0, 0, Rect(0, 0, 3, 1), Color::White, 0);
    EXPECT_EQ(Row(*clear, 0), (std::vector<uint32_t>{0xFF00FE00, 0x00000000, 0x80FE0000}));

    int count = clear->mBitsChangedCount;
    clear->Blt(sprite.get(), 0, 0, Rect(0, 0, 3, 1), Color::White, 2);
    EXPECT_EQ(clear->mBitsChangedCount, count);
    // Source rectangles outside the source on any side draw nothing.
    clear->Blt(sprite.get(), 0, 0, Rect(-1, 0, 2, 1), Color::White, 0);
    clear->Blt(sprite.get(), 0, 0, Rect(2, 0, 2, 1), Color::White, 0);
    EXPECT_EQ(clear->mBitsChangedCount, count);
    // A plain Image is no source.
    Image plain;
    clear->Blt(&plain, 0, 0, Rect(0, 0, 0, 0), Color::White, 0);
    EXPECT_EQ(clear->mBitsChangedCount, count);
}

// A soft sprite's weighted pixels and additive amounts only speed its draws up: where memory
// cannot hold them, the draws give the same pixels without them.
TEST(MemoryImageBlt, TablesThatMemoryCannotHoldAreDoneWithout)
{
    std::vector<uint32_t> pixels(16 * 16);
    for (uint32_t i = 0; i < pixels.size(); i++)
        pixels[i] = i << 24 | 0xC08040;
    auto draw = [&](int mode, std::size_t noArraysFrom)
    {
        ImagePtr under = Filled(16, 16, 0xFF203040), sprite = std::make_unique<MemoryImage>();
        sprite->SetBits(pixels.data(), 16, 16, true);
        gNoArraysFrom = noArraysFrom;
        under->Blt(sprite.get(), 0, 0, Rect(0, 0, 16, 16), Color::White, mode);
        gNoArraysFrom = SIZE_MAX;
        return std::vector<uint32_t>(under->GetBits(), under->GetBits() + pixels.size());
    };
    // The tables take 4 bytes a pixel; the run lengths read beside them, 1.
    for (int mode : {0, 1})
        EXPECT_EQ(draw(mode, 4 * pixels.size()), draw(mode, SIZE_MAX)) << "mode " << mode;
}

TEST(MemoryImageBlt, TintedRounding)
{
    // White at half alpha over black: red rounds twice (126), green and blue once (127).
    ImagePtr white = Filled(1, 1, 0xFFFFFFFF);
    ImagePtr black = Filled(1, 1, 0xFF000000);
    black->Blt(white.get(), 0, 0, Rect(0, 0, 1, 1), Color(255, 255, 255, 128), 0);
    EXPECT_EQ(At(*black, 0, 0), 0xFF7E7F7Fu);

    ImagePtr grey = Filled(1, 1, 0xFF020202);
    ImagePtr black2 = Filled(1, 1, 0xFF000000);
    black2->Blt(grey.get(), 0, 0, Rect(0, 0, 1, 1), Color(129, 129, 129), 0);
    EXPECT_EQ(At(*black2, 0, 0), 0xFF000101u);
}

TEST(MemoryImageBlt, PaletteSourceMatchesBits)
{
    std::vector<uint32_t> pixels;
    for (int i = 0; i < 64; i++)
        pixels.push_back(uint32_t(i % 5) * 0x3F000000u + uint32_t(i) * 0x030201u);
    MemoryImage bitsSource, paletteSource;
    bitsSource.SetBits(pixels.data(), 8, 8, true);
    paletteSource.SetBits(pixels.data(), 8, 8, true);
    ASSERT_TRUE(paletteSource.Palletize());
    for (int mode = 0; mode < 2; mode++)
        for (const Color& c : {Color::White, Color(200, 100, 50, 180)})
        {
            ImagePtr a = Filled(10, 10, 0xFF405060), b = Filled(10, 10, 0xFF405060);
            a->Blt(&bitsSource, 1, 2, Rect(1, 1, 7, 6), c, mode);
            b->Blt(&paletteSource, 1, 2, Rect(1, 1, 7, 6), c, mode);
            EXPECT_EQ(std::vector<uint32_t>(a->mBits, a->mBits + 100),
                      std::vector<uint32_t>(b->mBits, b->mBits + 100));
        }
    EXPECT_TRUE(paletteSource.IsPalette());

    // Drawn onto itself, a palette image leaves the palette form first.
    for (bool fast : {true, false})
    {
        MemoryImage self;
        self.SetBits(pixels.data(), 8, 8, true);
        ASSERT_TRUE(self.Palletize());
        self.Blt(&self, 0, 0, Rect(4, 4, 4, 4), Color::White, 0);
        ASSERT_TRUE(self.Palletize());
        self.StretchBlt(&self, Rect(0, 0, 8, 8), Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White, 0, fast);
        ASSERT_TRUE(self.Palletize());
        self.BltRotated(&self, 0, 0, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White, 0, 0.5, 2, 2);
        EXPECT_FALSE(self.IsPalette());
    }
}

TEST(MemoryImageBlt, Additive)
{
    ImagePtr white = Filled(1, 1, 0xFFFFFFFF);
    ImagePtr dest = Filled(1, 1, 0x40C80A00);
    dest->Blt(white.get(), 0, 0, Rect(0, 0, 1, 1), Color::White, 1);
    EXPECT_EQ(At(*dest, 0, 0), 0x40FFFFFFu);

    ImagePtr dark = Filled(1, 1, 0xFF000000);
    dark->Blt(white.get(), 0, 0, Rect(0, 0, 1, 1), Color(255, 0, 100, 128), 1);
    // Colour scaled by its alpha (128, 0, 50), then s * c >> 8.
    EXPECT_EQ(At(*dark, 0, 0), 0xFF7F0031u);

    // With partial alpha the channels are weighted: 255 * 255 >> 8 = 254.
    ImagePtr soft(MakeImage(2, 1, {0xFFFFFFFF, 0x80FFFFFF}));
    ImagePtr dest2 = Filled(2, 1, 0xFF000000);
    dest2->Blt(soft.get(), 0, 0, Rect(0, 0, 2, 1), Color::White, 1);
    EXPECT_EQ(Row(*dest2, 0), (std::vector<uint32_t>{0xFFFEFEFE, 0xFF7F7F7F}));

    // Transparent pixels of a picture without partial alpha add nothing.
    ImagePtr cut(MakeImage(2, 1, {0x00FFFFFF, 0xFF102030}));
    ImagePtr dest3 = Filled(2, 1, 0xFF010101);
    dest3->Blt(cut.get(), 0, 0, Rect(0, 0, 2, 1), Color::White, 1);
    EXPECT_EQ(Row(*dest3, 0), (std::vector<uint32_t>{0xFF010101, 0xFF112131}));
    dest3->Blt(cut.get(), 0, 0, Rect(0, 0, 2, 1), Color(255, 255, 255, 254), 1);
    EXPECT_EQ(At(*dest3, 0, 0), 0xFF010101u);
}

TEST(MemoryImageBlt, AdditiveLargerThanTheCacheAtEveryLevel)
{
    // A draw whose pictures outgrow the cache reads its amounts in another form at some levels;
    // from inside the source and onto inside the destination, the rows do not follow each other.
    std::mt19937 random(7);
    const int size = 1024;
    std::vector<uint32_t> pixels(size_t(size * size));
    for (auto& p : pixels)
        p = random();
    MemoryImage src;
    src.SetBits(pixels.data(), size, size, true);
    std::vector<uint32_t> want;
    for (Cpu::Level level : Cpu::Runnable())
    {
        Cpu::LevelScope scope(level);
        ImagePtr dest = Filled(size, size, 0xFF102030);
        dest->Blt(&src, 5, 1, Rect(3, 2, size - 9, size - 3), Color::White, 1);
        std::vector<uint32_t> got(dest->GetBits(), dest->GetBits() + pixels.size());
        if (want.empty())
            want = got;
        ASSERT_EQ(got, want) << Cpu::Name(level);
    }
}

TEST(MemoryImageStretch, ClipRectangles)
{
    FRect s;
    Rect d;
    ASSERT_TRUE(
        MemoryImage::ClipStretchRects(s, d, Rect(-10, 0, 20, 10), Rect(0, 0, 10, 5), Rect(0, 0, 100, 100)));
    EXPECT_EQ(d, Rect(0, 0, 10, 10));
    EXPECT_DOUBLE_EQ(s.mX, 5.0);
    EXPECT_DOUBLE_EQ(s.mWidth, 5.0);
    EXPECT_DOUBLE_EQ(s.mHeight, 5.0);
    ASSERT_TRUE(MemoryImage::ClipStretchRectsMirrored(s, d, Rect(-10, 0, 20, 10), Rect(0, 0, 10, 5),
                                                      Rect(0, 0, 100, 100)));
    EXPECT_DOUBLE_EQ(s.mX, 0.0);
    EXPECT_FALSE(
        MemoryImage::ClipStretchRects(s, d, Rect(0, 0, 20, 10), Rect(0, 0, 10, 5), Rect(30, 0, 5, 5)));
}

TEST(MemoryImageStretch, FastNearestSamples)
{
    ImagePtr src(MakeImage(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
    ImagePtr dest = Filled(4, 4, 0x00000000);
    dest->StretchBlt(src.get(), Rect(0, 0, 4, 4), Rect(0, 0, 2, 2), Rect(0, 0, 4, 4), Color::White, 0, true);
    EXPECT_EQ(Row(*dest, 0), (std::vector<uint32_t>{0xFFFE0000, 0xFFFE0000, 0xFF00FE00, 0xFF00FE00}));
    EXPECT_EQ(Row(*dest, 3), (std::vector<uint32_t>{0xFF0000FE, 0xFF0000FE, 0xFFFEFEFE, 0xFFFEFEFE}));

    // Tinted, it draws as the tinted blit does.
    ImagePtr a = Filled(2, 2, 0xFF203040), b = Filled(2, 2, 0xFF203040);
    Color tint(200, 100, 50, 180);
    a->StretchBlt(src.get(), Rect(0, 0, 2, 2), Rect(0, 0, 2, 2), Rect(0, 0, 2, 2), tint, 0, true);
    b->Blt(src.get(), 0, 0, Rect(0, 0, 2, 2), tint, 0);
    EXPECT_EQ(Row(*a, 0), Row(*b, 0));
    EXPECT_EQ(Row(*a, 1), Row(*b, 1));
    EXPECT_NE(At(*a, 0, 0), 0xFF203040u);

    // A source rectangle reaching outside the source draws its inside part where it belongs:
    // at two thirds of the size only destination pixel (2, 2) starts inside, at source (1, 1).
    ImagePtr c = Filled(4, 4, 0x00000000);
    c->StretchBlt(src.get(), Rect(0, 0, 4, 4), Rect(-2, -2, 6, 6), Rect(0, 0, 4, 4), Color::White, 0, true);
    EXPECT_EQ(At(*c, 2, 2), 0xFFFEFEFEu);
    EXPECT_EQ(At(*c, 0, 0), 0u);
    EXPECT_EQ(At(*c, 3, 3), 0u);
}

TEST(MemoryImageStretch, FastSamplesEveryPixelByTheNearestRuleAtEveryLevel)
{
    // Enlarged, shrunk, same-size and clipped stretches of bits and palette sources, white and
    // tinted, against the rule worked out pixel by pixel.
    std::mt19937 random(11);
    for (int trial = 0; trial < 60; trial++)
    {
        int sw = 1 + int(random() % 40), sh = 1 + int(random() % 30);
        std::vector<uint32_t> pixels(size_t(sw * sh));
        // Clear, opaque and partly transparent pixels of a few colours (a palette's worth).
        for (auto& p : pixels)
            p = uint32_t(random() % 4) * 0x55000000u | uint32_t(random() % 7) * 0x1F2F3F;
        MemoryImage src;
        src.SetBits(pixels.data(), sw, sh, true);
        if (trial % 3 == 0)
        {
            ASSERT_TRUE(src.Palletize());
        }
        int dw = 1 + int(random() % 50), dh = 1 + int(random() % 40);
        Rect dest(int(random() % 9) - 4, int(random() % 9) - 4, trial % 5 == 0 ? sw : dw,
                  trial % 5 == 0 ? sh : dh);
        Rect from(0, 0, sw, sh), clip(0, 0, 40, 30);
        Color color = trial % 2 ? Color::White : Color(200, 100, 50, int(random() % 256));
        std::vector<uint32_t> base(40 * 30);
        for (auto& p : base)
            p = random() | (random() % 4 ? 0xFF000000u : 0u);
        std::vector<uint32_t> expected = base;
        FRect s;
        Rect d;
        if (MemoryImage::ClipStretchRects(s, d, dest, from, clip))
        {
            double sx = s.mWidth / d.mWidth, sy = s.mHeight / d.mHeight;
            for (int j = 0; j < d.mHeight; j++)
                for (int i = 0; i < d.mWidth; i++)
                {
                    uint32_t p = pixels[size_t(std::clamp(int(s.mY + j * sy), 0, sh - 1) * sw +
                                               std::clamp(int(s.mX + i * sx), 0, sw - 1))];
                    uint32_t& out = expected[size_t((d.mY + j) * 40 + d.mX + i)];
                    out = color.IsWhite()
                              ? Blend::NormalPixel(out, p)
                              : Blend::Tinted(out, p, color.mRed, color.mGreen, color.mBlue, color.mAlpha);
                }
        }
        for (Cpu::Level level : Cpu::Runnable())
        {
            Cpu::LevelScope scope(level);
            MemoryImage onto;
            onto.SetBits(base.data(), 40, 30, true);
            onto.StretchBlt(&src, dest, from, clip, color, 0, true);
            ASSERT_EQ(std::vector<uint32_t>(onto.mBits, onto.mBits + 40 * 30), expected)
                << Cpu::Name(level) << " trial " << trial;
        }
    }
}

TEST(MemoryImageStretch, FilteredValues)
{
    ImagePtr one = Filled(1, 1, 0xFFFFC800);
    ImagePtr dest = Filled(1, 1, 0x00000000);
    dest->StretchBlt(one.get(), Rect(0, 0, 1, 1), Rect(0, 0, 1, 1), Rect(0, 0, 1, 1), Color(1, 2, 3), 0,
                     false);
    EXPECT_EQ(At(*dest, 0, 0), 0xFFFEC700u);

    ImagePtr pair(MakeImage(2, 1, {0xFFFF0000, 0xFF000000}));
    ImagePtr wide = Filled(4, 1, 0x00000000);
    wide->StretchBlt(pair.get(), Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1), Color::White, 0,
                     false);
    EXPECT_EQ(Row(*wide, 0), (std::vector<uint32_t>{0xFFFE0000, 0xFFA90000, 0xFF530000, 0xFF000000}));

    ImagePtr four(MakeImage(4, 1, {0xFFFF0000, 0xFF000000, 0xFFFF0000, 0xFF000000}));
    ImagePtr half = Filled(2, 1, 0x00000000);
    half->StretchBlt(four.get(), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Color::White, 0,
                     false);
    // Each column weighs int(0.5 * 257) = 128: (255 * 128) * 256 >> 16 = 127, alpha 255,
    // then the blend over nothing takes 127 * 255 >> 8.
    EXPECT_EQ(Row(*half, 0), (std::vector<uint32_t>{0xFF7E0000, 0xFF7E0000}));
}

TEST(MemoryImageStretch, FilteredDegenerateSizesAreSafe)
{
    ImagePtr src(MakeImage(3, 3, {0xFF102030}));
    ImagePtr dest = Filled(8, 8, 0x00000000);
    // One pixel wide and high destinations, and a source of one pixel enlarged.
    dest->StretchBlt(src.get(), Rect(2, 2, 1, 6), Rect(0, 0, 3, 3), Rect(0, 0, 8, 8), Color::White, 0, false);
    dest->StretchBlt(src.get(), Rect(2, 2, 6, 1), Rect(0, 0, 3, 3), Rect(0, 0, 8, 8), Color::White, 0, false);
    dest->StretchBlt(src.get(), Rect(0, 0, 8, 8), Rect(1, 1, 1, 1), Rect(0, 0, 8, 8), Color::White, 0, false);
    dest->StretchBlt(src.get(), Rect(0, 0, 1, 1), Rect(0, 0, 3, 3), Rect(0, 0, 8, 8), Color::White, 0, false);
    // A clip that leaves a fraction of a source pixel.
    dest->StretchBlt(src.get(), Rect(0, 0, 300, 300), Rect(0, 0, 3, 3), Rect(7, 7, 1, 1), Color::White, 0,
                     false);
    EXPECT_EQ(dest->mBits[64], MemoryImage::kGuardWord);
    // A uniform source keeps its colour wherever a weight of 255 lands.
    EXPECT_EQ(At(*dest, 4, 4), 0xFF0F1F2Fu);
}

TEST(MemoryImageRotate, ZeroAngleCopiesAllButLastRowAndColumn)
{
    ImagePtr src = Filled(3, 3, 0xFFFFFFFF);
    ImagePtr dest = Filled(6, 6, 0xFF000000);
    dest->BltFloat(src.get(), 1, 1, Rect(0, 0, 3, 3), Rect(0, 0, 6, 6), Color::White, 0);
    // The weight at a whole-pixel sample is 254 of 256, so 255 * 254 >> 8.
    EXPECT_EQ(At(*dest, 1, 1), 0xFFFDFDFDu);
    EXPECT_EQ(At(*dest, 2, 2), 0xFFFDFDFDu);
    EXPECT_EQ(At(*dest, 3, 1), 0xFF000000u);
    EXPECT_EQ(At(*dest, 1, 3), 0xFF000000u);
    EXPECT_EQ(At(*dest, 0, 0), 0xFF000000u);
}

TEST(MemoryImageRotate, PartialCoverageBlend)
{
    // Weight 65534 * 128 >> 16 = 127 at a whole-pixel sample: below 251, so blended.
    ImagePtr half = Filled(3, 3, 0x80FFFFFF);
    ImagePtr clear = Filled(4, 4, 0x00000000);
    clear->BltFloat(half.get(), 0, 0, Rect(0, 0, 3, 3), Rect(0, 0, 4, 4), Color::White, 0);
    // n = 256 - (256 * 129 >> 8) = 127; 255 * 127 / 127 = 255; alpha n - 1.
    EXPECT_EQ(At(*clear, 0, 0), 0x7EFFFFFFu);
    ImagePtr black = Filled(4, 4, 0xFF000000);
    black->BltFloat(half.get(), 0, 0, Rect(0, 0, 3, 3), Rect(0, 0, 4, 4), Color::White, 0);
    // Over an opaque pixel n = 256: 255 * 127 / 256 = 126.
    EXPECT_EQ(At(*black, 1, 1), 0xFF7E7E7Eu);
    // Other draw modes draw nothing.
    int count = black->mBitsChangedCount;
    black->BltFloat(half.get(), 0, 0, Rect(0, 0, 3, 3), Rect(0, 0, 4, 4), Color::White, 5);
    EXPECT_EQ(black->mBitsChangedCount, count);
}

TEST(MemoryImageRotate, QuarterTurnMovesColumnsToRows)
{
    std::vector<uint32_t> pixels;
    const uint32_t columns[4] = {0xFF100000, 0xFF400000, 0xFF800000, 0xFFC00000};
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++)
            pixels.push_back(columns[x]);
    MemoryImage src;
    src.SetBits(pixels.data(), 4, 4, true);
    ImagePtr dest = Filled(20, 20, 0xFF000000);
    dest->BltRotated(&src, 10, 10, Rect(0, 0, 4, 4), Rect(0, 0, 20, 20), Color::White, 0, M_PI / 2, 2, 2);
    // Source column 1 lands on row 12 and column 2 on row 11 (right of the centre goes up).
    for (int x = 10; x <= 12; x++)
    {
        EXPECT_NEAR(int((At(*dest, x, 12) >> 16) & 0xFF), 0x40, 3);
        EXPECT_NEAR(int((At(*dest, x, 11) >> 16) & 0xFF), 0x80, 3);
    }

    // Tinted, the sample is modulated by the colour.
    ImagePtr white = Filled(4, 4, 0xFFFFFFFF);
    ImagePtr tinted = Filled(8, 8, 0xFF000000);
    tinted->BltRotated(white.get(), 2, 2, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color(255, 0, 0), 0, 0.3, 2, 2);
    EXPECT_EQ(At(*tinted, 3, 3) & 0xFFFF, 0u);
    EXPECT_GT((At(*tinted, 3, 3) >> 16) & 0xFF, 200u);

    // Additive adds the premultiplied sample.
    ImagePtr add = Filled(8, 8, 0x10000000);
    add->BltRotated(white.get(), 2, 2, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White, 1, 0, 0, 0);
    EXPECT_EQ(At(*add, 2, 2), 0x10FDFDFDu);
}

TEST(MemoryImageStretch, FilterMatchesReference)
{
    std::mt19937 random(7);
    for (int trial = 0; trial < 340; trial++)
    {
        // The last trials shrink by hundreds across, then down, where single taps weigh nothing.
        bool across = trial >= 300 && trial < 320, down = trial >= 320;
        int sw = across ? 300 + int(random() % 700) : 1 + int(random() % 40);
        int sh = down ? 300 + int(random() % 700) : across ? 1 + int(random() % 3) : 1 + int(random() % 40);
        std::vector<uint32_t> pixels(size_t(sw * sh));
        // Some sources all opaque white, where the sums reach their largest; some in palette form.
        for (auto& p : pixels)
            p = trial % 7 == 0      ? 0xFFFFFFFF
                : trial % 5 == 0    ? uint32_t(random() % 150) * 0x01B3C5D7u
                : random() % 3 == 0 ? 0
                                    : random();
        MemoryImage src;
        src.SetBits(pixels.data(), sw, sh, true);
        if (trial % 5 == 0)
        {
            ASSERT_TRUE(src.Palletize());
        }
        int dw = across ? 1 + int(random() % 3) : 1 + int(random() % 70);
        int dh = down ? 1 + int(random() % 3) : 1 + int(random() % 70);
        std::vector<uint32_t> base(size_t(dw * dh));
        for (auto& p : base)
            p = random() | (random() % 2 ? 0xFF000000u : 0u);
        Rect dest(int(random() % 9) - 4, int(random() % 9) - 4, dw, dh);
        Rect srcRect(int(random() % uint32_t(sw)), int(random() % uint32_t(sh)), 0, 0);
        srcRect.mWidth = 1 + int(random() % uint32_t(sw - srcRect.mX));
        srcRect.mHeight = 1 + int(random() % uint32_t(sh - srcRect.mY));
        FRect s;
        Rect d;
        if (!MemoryImage::ClipStretchRects(s, d, dest, srcRect, Rect(0, 0, dw, dh)))
            continue;
        std::vector<uint32_t> expected = base;
        PixelSource source = src.GetPixelSource();
        Reference::FilteredStretch(source, expected.data(), dw, d, s);
        for (Cpu::Level level : Cpu::Runnable())
        {
            Cpu::LevelScope scope(level);
            std::vector<uint32_t> actual = base;
            FilteredStretch(source, actual.data(), dw, d, s);
            ASSERT_EQ(expected, actual) << Cpu::Name(level) << " trial " << trial;
        }
    }
}

TEST(MemoryImageThreads, StretchesAndBlitsOnTwoThreadsAtOnce)
{
    // Each thread draws its own pictures of its own sizes, so that the stretches' scratch rows
    // of one thread never fit the other's; the instruction-set level is chosen by whichever
    // thread draws first. Both frames must be the ones drawn on one thread afterwards.
    std::mt19937 random(3);
    auto picture = [&](int w, int h)
    {
        std::vector<uint32_t> pixels(size_t(w * h));
        for (auto& p : pixels)
            p = random() % 3 == 0 ? 0 : random();
        auto image = std::make_unique<MemoryImage>();
        image->SetBits(pixels.data(), w, h, true);
        return image;
    };
    ImagePtr sources[2] = {picture(23, 17), picture(90, 41)};
    ImagePtr targets[2] = {Filled(64, 48, 0xFF102030), Filled(200, 120, 0xFF302010)};
    auto draw = [&](int t, MemoryImage& onto)
    {
        MemoryImage& from = *sources[t];
        Rect all(0, 0, from.mWidth, from.mHeight), clip(0, 0, onto.mWidth, onto.mHeight);
        for (int i = 0; i < 40; i++)
        {
            Rect dest(i % 7 - 3, i % 5 - 2, from.mWidth * (1 + i % 3) - i / 2, from.mHeight + i % 11);
            Color color = i % 2 ? Color::White : Color(200, 120, 40, 30 + 5 * i);
            onto.StretchBlt(&from, dest, all, clip, color, DRAWMODE_NORMAL, true);
            onto.StretchBlt(&from, Rect(dest.mX, dest.mY, dest.mWidth / 2 + 1, dest.mHeight / 3 + 1), all,
                            clip, Color::White, DRAWMODE_NORMAL, false);
            onto.Blt(&from, i % 13, i % 9, all, color, i % 3 ? DRAWMODE_NORMAL : DRAWMODE_ADDITIVE);
        }
    };
    std::thread first(draw, 0, std::ref(*targets[0]));
    std::thread second(draw, 1, std::ref(*targets[1]));
    first.join();
    second.join();
    for (int t = 0; t < 2; t++)
    {
        ImagePtr again = Filled(targets[t]->mWidth, targets[t]->mHeight, t == 0 ? 0xFF102030 : 0xFF302010);
        draw(t, *again);
        size_t n = size_t(again->mWidth * again->mHeight);
        EXPECT_EQ(std::vector<uint32_t>(targets[t]->mBits, targets[t]->mBits + n),
                  std::vector<uint32_t>(again->mBits, again->mBits + n))
            << "thread " << t;
    }
}

TEST(MemoryImageSelfDraw, ReadsThePictureAsItWasBeforeTheDrawAtEveryLevel)
{
    std::vector<ImagePtr> pictures;
    SelfDraws::ExpectTheyReadThePictureAsItWas(
        [&](const std::vector<uint32_t>& pixels)
        {
            pictures.push_back(std::make_unique<MemoryImage>());
            pictures.back()->SetBits(pixels.data(), 40, 9, true);
            pictures.back()->Palletize(); // kept in palette form where the colours are few
            return pictures.back().get();
        });
}
