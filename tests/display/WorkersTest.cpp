// The surface workers at both depths, against the memory drawing where the two agree.
#include "DisplayFixture.h"
#include "graphics/CpuDispatch.h"
#include "tests/graphics/SelfDraws.h"

#include <memory>
#include <random>

using namespace Lumo;

namespace
{
// An ARGB pixel as the display stores it.
uint32_t Stored(uint32_t argb, int bits)
{
    if (bits == 32)
        return argb & 0xFFFFFF;
    return (((argb >> 19) & 31) << 11) | (((argb >> 10) & 63) << 5) | ((argb >> 3) & 31);
}

std::vector<uint32_t> Stored(const uint32_t* bits, size_t count, int depth)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < count; i++)
        out.push_back(Stored(bits[i], depth));
    return out;
}

std::vector<uint32_t> RandomOpaque(size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<uint32_t> pixels(count);
    for (auto& p : pixels)
        p = 0xFF000000 | (random() & 0xFFFFFF);
    return pixels;
}
} // namespace

class WorkerTest : public DisplayTest, public ::testing::WithParamInterface<int>
{
protected:
    int Depth() const { return GetParam(); }
    void SetUp() override { Windowed(Depth()); }

    // A surface picture and a memory picture of the same pixels.
    std::pair<DDImage*, std::unique_ptr<MemoryImage>> Pair(int w, int h, const std::vector<uint32_t>& pixels)
    {
        DDImage* surface = Picture(w, h, pixels);
        EXPECT_NE(surface->GetSurface(), nullptr);
        auto memory = std::make_unique<MemoryImage>();
        memory->SetBits(pixels.data(), w, h, true);
        return {surface, std::move(memory)};
    }
};

INSTANTIATE_TEST_SUITE_P(Depths, WorkerTest, ::testing::Values(16, 32));

TEST_P(WorkerTest, OpaqueFillsMatchTheMemoryFill)
{
    auto [surface, memory] = Pair(16, 8, RandomOpaque(128, 1));
    std::mt19937 random(7);
    for (int i = 0; i < 20; i++)
    {
        Rect r(int(random() % 12), int(random() % 6), 1 + int(random() % 4), 1 + int(random() % 2));
        Color c(int(random() & 255), int(random() & 255), int(random() & 255));
        surface->FillRect(r, c, DRAWMODE_NORMAL);
        memory->FillRect(r, c, DRAWMODE_NORMAL);
    }
    std::vector<uint32_t> shown = Read(surface->mSurface), expected = Stored(memory->GetBits(), 128, Depth());
    if (Depth() == 32)
        EXPECT_EQ(shown, expected);
    else
        // The fill scales each channel into its mask ((v + 1) * mask >> 8), within one step of truncation.
        for (size_t i = 0; i < shown.size(); i++)
            for (auto [mask, shift] : {std::pair{0xF800u, 11}, std::pair{0x07E0u, 5}, std::pair{0x001Fu, 0}})
            {
                int got = int((shown[i] & mask) >> shift), want = int((expected[i] & mask) >> shift);
                ASSERT_LE(std::abs(got - want), 1) << i;
            }

    surface->FillRect(Rect(0, 0, 2, 1), Color(255, 255, 255), DRAWMODE_NORMAL);
    EXPECT_EQ(Read(surface->mSurface)[0], Depth() == 16 ? 0xFFFFu : 0xFFFFFFu);
    std::vector<uint32_t> before = Read(surface->mSurface);
    surface->FillRect(Rect(0, 0, 16, 8), Color(255, 0, 0, 0), DRAWMODE_NORMAL);
    EXPECT_EQ(Read(surface->mSurface), before);
}

TEST_P(WorkerTest, TranslucentFillFormula)
{
    DDImage* image = Picture(1, 1, {0xFF000000});
    image->FillRect(Rect(0, 0, 1, 1), Color(255, 255, 255, 128), DRAWMODE_NORMAL);
    // 32 bits: (((255 * 128 + 0x7F) >> 8) + 1) * 255 >> 8 = 127 per channel; 16 bits with 0x80 rounding.
    EXPECT_EQ(Read(image->mSurface)[0], Depth() == 32 ? 0x7F7F7Fu : 0x7BEFu);
    image->FillRect(Rect(0, 0, 1, 1), Color(255, 255, 255, 255), DRAWMODE_ADDITIVE);
    EXPECT_EQ(Read(image->mSurface)[0], Depth() == 32 ? 0xFFFFFFu : 0xFFFFu);
}

TEST_P(WorkerTest, OpaqueAndKeyedCopiesMatchTheMemoryBlit)
{
    auto [surface, memory] = Pair(8, 8, RandomOpaque(64, 2));
    std::vector<uint32_t> source = RandomOpaque(24, 3);
    for (int i = 0; i < 24; i += 5)
        source[size_t(i)] = 0; // clear pixels: skipped
    MemoryImage src;
    src.SetBits(source.data(), 6, 4, true);
    ASSERT_TRUE(src.mHasTrans);
    for (auto [x, y] : {std::pair{0, 0}, std::pair{2, 3}, std::pair{5, 6}})
    {
        surface->Blt(&src, x, y, Rect(0, 0, 6, 4), Color::White, DRAWMODE_NORMAL);
        memory->Blt(&src, x, y, Rect(0, 0, 6, 4), Color::White, DRAWMODE_NORMAL);
    }
    EXPECT_EQ(Read(surface->mSurface), Stored(memory->GetBits(), 64, Depth()));

    // A source that is clear everywhere changes nothing.
    std::vector<uint32_t> before = Read(surface->mSurface);
    MemoryImage clear;
    std::vector<uint32_t> zeros(16, 0);
    clear.SetBits(zeros.data(), 4, 4, true);
    surface->Blt(&clear, 1, 1, Rect(0, 0, 4, 4), Color::White, DRAWMODE_NORMAL);
    surface->Blt(&clear, 1, 1, Rect(0, 0, 4, 4), Color(10, 20, 30, 40), DRAWMODE_NORMAL);
    EXPECT_EQ(Read(surface->mSurface), before);
}

TEST_P(WorkerTest, AdditiveSaturatesAndMatchesTheMemoryAdd)
{
    DDImage* white = Picture(2, 2, {0xFFFFFFFF});
    MemoryImage src;
    uint32_t full[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    src.SetBits(full, 2, 2, true);
    white->Blt(&src, 0, 0, Rect(0, 0, 2, 2), Color::White, DRAWMODE_ADDITIVE);
    EXPECT_EQ(Read(white->mSurface)[3], Depth() == 32 ? 0xFFFFFFu : 0xFFFFu);

    if (Depth() != 32)
        return;
    auto [surface, memory] = Pair(8, 4, RandomOpaque(32, 4));
    std::vector<uint32_t> add = RandomOpaque(32, 5);
    MemoryImage adder;
    adder.SetBits(add.data(), 8, 4, true);
    surface->Blt(&adder, 0, 0, Rect(0, 0, 8, 4), Color::White, DRAWMODE_ADDITIVE);
    memory->Blt(&adder, 0, 0, Rect(0, 0, 8, 4), Color::White, DRAWMODE_ADDITIVE);
    EXPECT_EQ(Read(surface->mSurface), Stored(memory->GetBits(), 32, 32));
}

TEST_P(WorkerTest, LinesMatchTheMemoryLineAt32Bits)
{
    auto [surface, memory] = Pair(24, 16, RandomOpaque(24 * 16, 6));
    struct Line
    {
        double x1, y1, x2, y2;
        Color c;
    };
    const Line lines[] = {{1, 1, 20, 7, Color(255, 255, 255)},
                          {3, 14, 9, 2, Color(200, 100, 50)},
                          {22, 3, 2, 12, Color(10, 250, 128, 128)},
                          {5, 0, 7, 15, Color(255, 0, 0, 60)},
                          {0, 15, 23, 10, Color(0, 128, 255, 200)}};
    for (const Line& l : lines)
    {
        surface->DrawLine(l.x1, l.y1, l.x2, l.y2, l.c, DRAWMODE_NORMAL);
        memory->DrawLine(l.x1, l.y1, l.x2, l.y2, l.c, DRAWMODE_NORMAL);
    }
    std::vector<uint32_t> shown = Read(surface->mSurface);
    if (Depth() == 32)
    {
        EXPECT_EQ(shown, Stored(memory->GetBits(), 24 * 16, 32));
    }
    // Opaque white on a line lands as 254 per channel (rounded through the masks) at either depth.
    EXPECT_EQ(shown[size_t(1 * 24 + 1)], Depth() == 32 ? 0xFEFEFEu : 0xF7DEu);
}

TEST_P(WorkerTest, MirroredCopyAndFastStretch)
{
    std::vector<uint32_t> pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    MemoryImage src;
    src.SetBits(pixels.data(), 3, 2, true);
    DDImage* dest = Picture(6, 2, {0xFF000000});
    dest->BltMirrored(&src, 1, 0, Rect(0, 0, 3, 2), Color::White, DRAWMODE_NORMAL);
    std::vector<uint32_t> shown = Read(dest->mSurface);
    EXPECT_EQ(shown[3], Stored(0xFFFF0000, Depth())); // the left column lands rightmost
    EXPECT_EQ(shown[1], Stored(0xFF0000FF, Depth()));
    EXPECT_EQ(shown[0], 0u);
    EXPECT_EQ(shown[4], 0u);

    DDImage* wide = Picture(6, 2, {0xFF000000});
    wide->StretchBlt(&src, Rect(0, 0, 6, 2), Rect(0, 0, 3, 2), Rect(0, 0, 6, 2), Color::White,
                     DRAWMODE_NORMAL, true);
    shown = Read(wide->mSurface);
    for (int x = 0; x < 6; x++)
        EXPECT_EQ(shown[size_t(6 + x)], Stored(pixels[size_t(x / 2)], Depth())) << x;

    DDImage* mirrored = Picture(6, 1, {0xFF000000});
    mirrored->StretchBltMirrored(&src, Rect(0, 0, 6, 1), Rect(0, 0, 3, 1), Rect(0, 0, 6, 1), Color::White,
                                 DRAWMODE_NORMAL, true);
    shown = Read(mirrored->mSurface);
    EXPECT_EQ(shown[5], Stored(0xFFFF0000, Depth()));
    EXPECT_EQ(shown[0], Stored(0xFF0000FF, Depth()));
}

TEST_P(WorkerTest, FastStretchesDrawWhatABlitOfTheSampledPixelsDraws)
{
    // Plain bits, read straight or picked out of their rows, and a palette picture of the same colours.
    const int w = 31, h = 23;
    std::mt19937 random(12);
    std::vector<uint32_t> pixels(size_t(w * h));
    for (uint32_t& p : pixels)
        p = uint32_t(random() % 3 * 127 + 1) << 24 | uint32_t(random() % 6) * 0x2A1F07;
    MemoryImage plain, palette;
    plain.SetBits(pixels.data(), w, h, true);
    palette.SetBits(pixels.data(), w, h, true);
    ASSERT_TRUE(palette.Palletize());
    struct Case
    {
        Rect dest, from, clip;
    };
    // Whole steps, cut by the edges or the clip; other scales inside the picture, uncut.
    const Rect screen(0, 0, 40, 30);
    const Case cases[] = {
        {Rect(-3, -2, 31, 23), Rect(0, 0, 31, 23), screen},          // the same size
        {Rect(5, 4, 29, 20), Rect(1, 2, 29, 20), Rect(7, 6, 20, 9)}, // the same size, clipped
        {Rect(2, 3, 15, 11), Rect(0, 0, 30, 22), screen},            // half the size
        {Rect(30, 1, 10, 7), Rect(1, 1, 30, 21), screen},            // a third
        {Rect(1, 1, 7, 23), Rect(3, 0, 28, 23), Rect(0, 5, 40, 10)}, // a quarter across
        {Rect(0, 0, 15, 30), Rect(0, 0, 30, 15), screen},            // half across, twice down
        {Rect(6, 0, 25, 30), Rect(2, 3, 25, 17), screen},            // the same across, stretched down
        {Rect(4, 4, 20, 20), Rect(0, 0, 30, 23), screen},            // no whole step
    };
    for (Cpu::Level level : Cpu::Runnable())
        for (const Color& c : {Color::White, Color(40, 220, 160, 95)})
            for (int mode : {DRAWMODE_NORMAL, DRAWMODE_ADDITIVE})
                for (const Case& k : cases)
                {
                    // Destination pixel (x, y) takes the source pixel at from + (x, y) * step in 16.16.
                    int64_t stepX = int64_t(k.from.mWidth) * 65536 / k.dest.mWidth;
                    int64_t stepY = int64_t(k.from.mHeight) * 65536 / k.dest.mHeight;
                    std::vector<uint32_t> sampled;
                    for (int y = 0; y < k.dest.mHeight; y++)
                        for (int x = 0; x < k.dest.mWidth; x++)
                            sampled.push_back(pixels[size_t((k.from.mY + (y * stepY >> 16)) * w + k.from.mX +
                                                            (x * stepX >> 16))]);
                    MemoryImage picture;
                    picture.SetBits(sampled.data(), k.dest.mWidth, k.dest.mHeight, true);
                    Rect shown = k.dest.Intersection(k.clip);
                    Cpu::LevelScope scope(level);
                    DDImage* blitted = Picture(40, 30, RandomOpaque(40 * 30, 3));
                    blitted->Blt(
                        &picture, shown.mX, shown.mY,
                        Rect(shown.mX - k.dest.mX, shown.mY - k.dest.mY, shown.mWidth, shown.mHeight), c,
                        mode);
                    for (MemoryImage* source : {&plain, &palette})
                    {
                        DDImage* stretched = Picture(40, 30, RandomOpaque(40 * 30, 3));
                        stretched->StretchBlt(source, k.dest, k.from, k.clip, c, mode, true);
                        EXPECT_EQ(Read(stretched->mSurface), Read(blitted->mSurface))
                            << Cpu::Name(level) << " mode " << mode << " palette " << (source == &palette)
                            << " to " << k.dest.mX << "," << k.dest.mY << " " << k.dest.mWidth << "x"
                            << k.dest.mHeight;
                    }
                }
}

TEST_P(WorkerTest, RotatedCopyStaysInsideTheSource)
{
    DDImage* dest = Picture(6, 6, {0xFF0000FF});
    std::vector<uint32_t> green(16, 0xFF00FF00);
    MemoryImage src;
    src.SetBits(green.data(), 4, 4, true);
    dest->BltRotated(&src, 0, 0, Rect(0, 0, 4, 4), Rect(0, 0, 6, 6), Color::White, DRAWMODE_NORMAL, 0.0, 0,
                     0);
    std::vector<uint32_t> shown = Read(dest->mSurface);
    uint32_t blue = Stored(0xFF0000FF, Depth());
    // The outermost column and row would sample past the source: untouched.
    EXPECT_EQ(shown[0], blue);
    EXPECT_EQ(shown[3], blue);
    EXPECT_EQ(shown[size_t(3 * 6 + 1)], blue);
    uint32_t inside = shown[size_t(1 * 6 + 1)];
    uint32_t greenMask = Depth() == 32 ? 0xFF00u : 0x07E0u;
    EXPECT_GE(inside & greenMask, greenMask * 15 / 16 & greenMask);
}

TEST_F(DisplayTest, VolatileBlendUses64BitIntermediates)
{
    Windowed(32);
    DDImage* dest = Picture(2, 1, {0xFF000000});
    MemoryImage src;
    uint32_t pixels[2] = {0xFFFFFFFF, 0x80FF8040};
    src.SetBits(pixels, 2, 1, true);
    src.SetVolatile(true);
    dest->Blt(&src, 0, 0, Rect(0, 0, 2, 1), Color::White, DRAWMODE_NORMAL);
    std::vector<uint32_t> shown = Read(dest->mSurface);
    // (s * a * mask) >> 8 needs more than 32 bits for red at a 32-bit mask.
    EXPECT_EQ(shown[0], 0xFDFDFDu);
    EXPECT_EQ(shown[1], 0x7F4020u);
}

namespace
{
// Draws a scene through every worker road onto `dest`: fills, opaque, keyed, soft,
// palette, tinted, additive and mirrored blits and fast stretches, some cut by the edges.
void DrawScene(DDImage& dest, std::vector<std::unique_ptr<MemoryImage>>& sources)
{
    std::mt19937 random(11);
    auto picture = [&](int w, int h, int kind)
    {
        std::vector<uint32_t> pixels(size_t(w * h));
        for (uint32_t& p : pixels)
        {
            // Opaque; clear or opaque; any alpha; a few colours at three alphas.
            uint32_t a = kind == 0   ? 255
                         : kind == 1 ? (random() % 3 == 0 ? 0 : 255)
                         : kind == 2 ? random() % 256
                                     : random() % 3 * 127 + 1;
            p = a << 24 | (kind == 3 ? (random() % 6) * 0x2A1F07 : random() & 0xFFFFFF);
        }
        if (kind == 2)
            for (int i = 0; i < w; i++)
                pixels[size_t(i)] = 0; // a clear row
        sources.push_back(std::make_unique<MemoryImage>());
        sources.back()->SetBits(pixels.data(), w, h, true);
        if (kind == 3)
        {
            EXPECT_TRUE(sources.back()->Palletize());
        }
        return sources.back().get();
    };
    MemoryImage* opaque = picture(37, 9, 0);
    MemoryImage* keyed = picture(23, 17, 1);
    MemoryImage* soft = picture(41, 13, 2);
    MemoryImage* palette = picture(19, 21, 3);
    dest.FillRect(Rect(3, 2, 50, 30), Color(10, 200, 90), DRAWMODE_NORMAL);
    dest.FillRect(Rect(-5, 10, 40, 7), Color(200, 30, 250, 77), DRAWMODE_NORMAL);
    dest.FillRect(Rect(20, 20, 33, 33), Color(90, 60, 30, 140), DRAWMODE_ADDITIVE);
    const Color colours[] = {Color::White, Color(250, 120, 30, 255), Color(40, 220, 160, 95)};
    int step = 0;
    for (MemoryImage* src : {opaque, keyed, soft, palette})
        for (const Color& c : colours)
            for (int mode : {DRAWMODE_NORMAL, DRAWMODE_ADDITIVE})
            {
                int x = int(step * 13 % 60) - 10, y = int(step * 7 % 50) - 6;
                Rect all(0, 0, src->mWidth, src->mHeight);
                dest.Blt(src, x, y, all, c, mode);
                dest.BltMirrored(src, y, x, all, c, mode);
                dest.StretchBlt(src, Rect(x, y, src->mWidth * 2 + 3, src->mHeight / 2 + 1), all,
                                Rect(0, 0, 64, 48), c, mode, true);
                dest.StretchBltMirrored(src, Rect(y, x, src->mWidth / 3 + 1, src->mHeight * 3), all,
                                        Rect(0, 0, 64, 48), c, mode, true);
                step++;
            }
}
} // namespace

TEST_P(WorkerTest, EveryLevelDrawsTheSameScene)
{
    // At 16 bits in both layouts.
    for (bool green6 : {true, false})
    {
        if (!green6 && Depth() == 32)
            break;
        PlatformTest::SetDirectDraw565(green6);
        Windowed(Depth());
        std::vector<std::unique_ptr<MemoryImage>> sources;
        DDImage* reference = Picture(64, 48, RandomOpaque(64 * 48, 9));
        std::vector<uint32_t> before = Read(reference->GetSurface());
        {
            Cpu::LevelScope scalar(Cpu::Level::Scalar);
            DrawScene(*reference, sources);
        }
        std::vector<uint32_t> expected = Read(reference->mSurface);
        size_t changed = 0;
        for (size_t i = 0; i < expected.size(); i++)
            changed += expected[i] != before[i];
        EXPECT_GT(changed, expected.size() * 3 / 4);
        for (Cpu::Level level : Cpu::Runnable())
        {
            DDImage* dest = Picture(64, 48, RandomOpaque(64 * 48, 9));
            Cpu::LevelScope scope(level);
            DrawScene(*dest, sources);
            EXPECT_EQ(Read(dest->mSurface), expected) << Cpu::Name(level) << (green6 ? "" : " 5-5-5");
        }
    }
}

TEST_P(WorkerTest, APictureDrawnOntoItselfReadsItAsItWasOnEveryRoadAndLevel)
{
    // Opaque pictures draw on their surfaces, the others in memory or through the workers.
    SelfDraws::ExpectTheyReadThePictureAsItWas([&](const std::vector<uint32_t>& pixels)
                                               { return Picture(40, 9, pixels); });
}
