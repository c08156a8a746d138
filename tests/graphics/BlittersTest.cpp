#include "graphics/Blend.h"
#include "graphics/Blitters.h"
#include "graphics/MemoryImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

using namespace Lumo;
using namespace Lumo::Blitters;

TEST(Blitters, DivisionBy255AsMultiplyShift)
{
    for (uint32_t x = 0; x <= 65535; x++)
        ASSERT_EQ(x / 255, (x * 0x8081) >> 23) << x;
}

TEST(Blitters, SaturationTable)
{
    EXPECT_EQ(Blend::kSaturate[0], 0);
    EXPECT_EQ(Blend::kSaturate[254], 254);
    EXPECT_EQ(Blend::kSaturate[255], 255);
    EXPECT_EQ(Blend::kSaturate[511], 255);
}

namespace
{
// Pixels with the alphas that choose the paths: opaque, clear, partial.
class PixelMaker
{
public:
    explicit PixelMaker(uint32_t seed) : mRandom(seed) {}

    uint32_t Pixel(int opaquePercent)
    {
        int pick = int(mRandom() % 100);
        return WithAlpha(pick < opaquePercent ? 255 : pick < opaquePercent + 10 ? 0 : mRandom() % 256);
    }
    uint32_t WithAlpha(uint32_t a) { return a << 24 | (mRandom() & 0xFFFFFF); }
    std::vector<uint32_t> Row(int n, int opaquePercent)
    {
        std::vector<uint32_t> row(static_cast<size_t>(n));
        for (auto& p : row)
            p = Pixel(opaquePercent);
        return row;
    }
    // Runs of 1 to 40 pixels, and some longer than a byte tells, each all opaque, all clear or
    // all partly transparent.
    std::vector<uint32_t> Runs(int n)
    {
        std::vector<uint32_t> row;
        while (int(row.size()) < n)
        {
            int kind = int(mRandom() % 3);
            int length = mRandom() % 8 == 0 ? 254 + int(mRandom() % 4) : 1 + int(mRandom() % 40);
            for (int i = 0; i < length && int(row.size()) < n; i++)
                row.push_back(WithAlpha(kind == 0 ? 255 : kind == 1 ? 0 : 1 + mRandom() % 254));
        }
        return row;
    }
    int Byte() { return int(mRandom() % 256); }
    int Extreme() { return mRandom() % 4 == 0 ? 255 : mRandom() % 4 == 0 ? 0 : Byte(); }
    uint32_t Below(uint32_t n) { return mRandom() % n; }

private:
    std::mt19937 mRandom;
};

// A source block: its pixels, and the picture's own run-length table of them.
struct Source
{
    std::vector<uint32_t> pixels;
    int pitch;
    std::vector<uint8_t> runs;

    Source(std::vector<uint32_t> from, int width) : pixels(std::move(from)), pitch(width)
    {
        MemoryImage image;
        int rows = int(pixels.size()) / std::max(width, 1);
        image.SetBits(pixels.data(), rows > 0 ? width : 0, rows, true);
        const uint8_t* table = image.GetRLAlphaData();
        runs.assign(table, table + size_t(rows) * size_t(width));
    }
};

// The levels with rows of their own: the scalar level's are the reference itself.
std::vector<Cpu::Level> VectorLevels()
{
    std::vector<Cpu::Level> levels = Cpu::Runnable();
    levels.erase(levels.begin());
    return levels;
}

// Gives `run` random blocks of one to three rows of every length up to 40 and
// some long ones, and compares what it does with the reference rows and with
// each vector level's.
template <typename Run> void CompareRows(uint32_t seed, Run run)
{
    for (Cpu::Level level : VectorLevels())
    {
        PixelMaker make(seed);
        for (int trial = 0; trial < 2000; trial++)
        {
            int w = trial % 50 == 49 ? 200 + trial % 37 + trial % 100 / 99 * 400 : trial % 41,
                h = 1 + trial % 3;
            // Destinations mostly opaque (the screen), sometimes not at all, starting anywhere
            // in a vector's width; rows a few pixels apart.
            int offset = trial % 17, pitch = w + trial % 5;
            std::vector<uint32_t> d = make.Row(offset + pitch * h, trial % 3 == 0 ? 40 : 95);
            // Mixed sources, sources in runs of one kind, wholly opaque ones; sometimes one source
            // row for every destination row.
            int sourcePitch = trial % 7 == 0 ? 0 : w + trial % 2;
            int sourceSize = std::max(sourcePitch * h, w);
            Source s(trial % 4 == 0   ? make.Row(sourceSize, 50)
                     : trial % 4 == 2 ? make.Row(sourceSize, 100)
                                      : make.Runs(sourceSize),
                     std::max(sourcePitch, w));
            s.pitch = sourcePitch;
            std::vector<uint32_t> expected = d, actual = d;
            PixelMaker again = make;
            run(make, RowsFor(Cpu::Level::Scalar),
                Block{expected.data() + offset, pitch, s.pixels.data(), sourcePitch, w, h}, s);
            run(again, RowsFor(level),
                Block{actual.data() + offset, pitch, s.pixels.data(), sourcePitch, w, h}, s);
            ASSERT_EQ(expected, actual) << Cpu::Name(level) << " trial " << trial;
        }
    }
}
} // namespace

TEST(Blitters, LevelsMatchReference)
{
    CompareRows(1,
                [](PixelMaker& m, const Rows& rows, const Block& b, const Source&)
                {
                    uint32_t color = m.Pixel(0) & 0xFFFFFF;
                    uint32_t alpha = uint32_t(m.Byte() | 1);
                    rows.BlendFillRows({b.d, b.dPitch, nullptr, 0, b.w, b.h}, color, alpha);
                    rows.FillRows({b.d + b.w / 2, b.dPitch, nullptr, 0, b.w / 4, b.h}, color);
                });
    CompareRows(2, [](PixelMaker&, const Rows& rows, const Block& b, const Source&) { rows.NormalRows(b); });
    CompareRows(30, [](PixelMaker&, const Rows& rows, const Block& b, const Source&) { rows.CopyRows(b); });
    CompareRows(3,
                [](PixelMaker&, const Rows& rows, const Block& b, const Source&)
                {
                    for (int y = 0; y < b.h; y++)
                        for (int x = 0; x < b.w; x++)
                            b.d[y * b.dPitch + x] |= 0xFF000000;
                    rows.OverOpaqueRows(b);
                });
    CompareRows(4, [](PixelMaker&, const Rows& rows, const Block& b, const Source& s)
                { rows.OpaqueRunsRows(b, s.runs.data()); });
    CompareRows(6, [](PixelMaker&, const Rows& rows, const Block& b, const Source&)
                { rows.OpaqueRunsRows(b, nullptr); });
    CompareRows(7,
                [](PixelMaker& m, const Rows& rows, const Block& b, const Source& s)
                {
                    std::vector<uint32_t> weighted(s.pixels);
                    for (uint32_t& p : weighted)
                        p = Blend::Weighted(p);
                    Block from = b;
                    from.s = weighted.data();
                    rows.WeightedRunsRows(from, m.Below(2) == 0 ? s.runs.data() : nullptr);
                });
    CompareRows(5,
                [](PixelMaker& m, const Rows& rows, const Block& b, const Source&)
                {
                    Tint t{m.Extreme(), m.Extreme(), m.Extreme(), m.Extreme()};
                    rows.TintedRows(b, t);
                });
    for (AddMode mode :
         {AddMode::Plain, AddMode::Alpha, AddMode::Tinted, AddMode::TintedAlpha, AddMode::Amounts})
        CompareRows(20 + uint32_t(mode),
                    [mode](PixelMaker& m, const Rows& rows, const Block& b, const Source& s)
                    {
                        Tint t{m.Extreme(), m.Extreme(), m.Extreme(), 255};
                        // Amounts come with alpha 0, as the pictures' tables hold them.
                        std::vector<uint32_t> amounts(s.pixels);
                        for (uint32_t& p : amounts)
                            p &= 0xFFFFFF;
                        Block from = b;
                        if (mode == AddMode::Amounts)
                            from.s = amounts.data();
                        rows.AddRows(from, mode, t);
                    });
    CompareRows(26,
                [](PixelMaker&, const Rows& rows, const Block& b, const Source& s)
                {
                    // Any three bytes a pixel, with the pad the vector rows may read into.
                    std::vector<uint8_t> packed(s.pixels.size() * kPackedAmountBytes + kPackedAmountPad);
                    for (size_t i = 0; i < s.pixels.size(); i++)
                        for (int k = 0; k < kPackedAmountBytes; k++)
                            packed[i * kPackedAmountBytes + size_t(k)] = uint8_t(s.pixels[i] >> (8 * k));
                    rows.AddPackedRows(b, packed.data());
                });
    // Gathers of random columns, and of columns rising by up to one (an enlarging stretch) that
    // reach the end of the row.
    CompareRows(10,
                [](PixelMaker& m, const Rows& rows, const Block& b, const Source& s)
                {
                    int width = int(s.pixels.size());
                    if (width == 0)
                        return;
                    std::vector<int32_t> columns(static_cast<size_t>(b.w));
                    int column = int(m.Below(uint32_t(width)));
                    bool rising = m.Below(2) == 0;
                    for (int32_t& c : columns)
                    {
                        column = std::min(column + int(m.Below(2)), width - 1);
                        c = rising ? column : int32_t(m.Below(uint32_t(width)));
                    }
                    rows.GatherRow(b.d, s.pixels.data(), width, columns.data(), b.w);
                });
}

TEST(Blitters, LongFillsAndCopiesMatchReference)
{
    // Around the lengths where fills and copies change their way, from every alignment, two
    // rows joined or a pixel apart.
    std::vector<uint32_t> source(2 * 9002 + 3);
    for (size_t i = 0; i < source.size(); i++)
        source[i] = uint32_t(i) * 2654435761u;
    for (Cpu::Level level : VectorLevels())
        for (int n : {255, 256, 257, 1023, 1024, 1025, 2047, 2048, 2049, 4095, 4096, 4097, 9001})
            for (int offset = 0; offset < 4; offset++)
                for (int pitch : {n, n + 1})
                {
                    // The fill, then a copy after it from a source at another alignment.
                    std::vector<uint32_t> expected(size_t(4 * pitch + 8), 0x12345678), actual = expected;
                    auto draw = [&](const Rows& rows, uint32_t* d)
                    {
                        rows.FillRows({d, pitch, nullptr, 0, n, 2}, 0xFF00A0B0);
                        rows.CopyRows({d + 2 * pitch, pitch, source.data() + 3 - offset, pitch, n, 2});
                    };
                    draw(RowsFor(Cpu::Level::Scalar), expected.data() + offset);
                    draw(RowsFor(level), actual.data() + offset);
                    ASSERT_EQ(expected, actual) << Cpu::Name(level) << " " << n << " from " << offset;
                }
}

// Unoptimised sanitizer builds take every 15th source channel (0 and 255 among them); the
// release build takes them all.
#ifdef LUMO_DEBUG
constexpr uint32_t kChannelStep = 15;
#else
constexpr uint32_t kChannelStep = 1;
#endif

TEST(Blitters, LevelsMatchReferenceOverEveryChannelAndAlpha)
{
    // Every source channel, source alpha and destination channel of one lane over an
    // opaque destination, and every destination alpha under each source alpha, lane by lane
    // and all lanes alike; each row worked out once by the reference and compared at every
    // level.
    std::vector<uint32_t> d(256), s(256), weighted(256);
    std::vector<uint8_t> runs(256);
    auto row = [&](uint32_t* out) { return Block{out, 0, s.data(), 0, 256, 1}; };
    const Rows& reference = RowsFor(Cpu::Level::Scalar);
    std::vector<Cpu::Level> levels = VectorLevels();
    auto compare = [&](uint32_t a, uint32_t sc, const char* what, auto draw)
    {
        std::vector<uint32_t> expected = d;
        draw(reference, expected.data());
        for (Cpu::Level level : levels)
        {
            std::vector<uint32_t> actual = d;
            draw(RowsFor(level), actual.data());
            ASSERT_EQ(expected, actual)
                << what << " " << Cpu::Name(level) << " alpha " << a << " channel " << sc;
        }
    };
    for (uint32_t a = 0; a < 256; a++)
    {
        for (int i = 0; i < 256; i++)
            runs[size_t(i)] = uint8_t(std::min(256 - i, 255));
        for (uint32_t sc = 0; sc < 3 * 256; sc += kChannelStep)
        {
            // Then the destination's alpha is the lane's, its channels other than the source's;
            // then the destination's alpha is the channel itself in every lane.
            uint32_t c = sc % 256, kind = sc / 256;
            for (uint32_t dc = 0; dc < 256; dc++)
            {
                d[dc] = kind == 0   ? 0xFF000000 | dc << 16 | (255 - dc) << 8 | dc
                        : kind == 1 ? dc << 24 | ((c - 1) & 0xFF) << 16 | (dc ^ c) << 8 | (255 - c)
                                    : c << 24 | dc << 16 | (255 - dc) << 8 | (dc ^ a);
                s[dc] = a << 24 | c << 16 | (255 - c) << 8 | c;
            }
            compare(a, sc, "normal", [&](const Rows& rows, uint32_t* out) { rows.NormalRows(row(out)); });
            compare(a, sc, "runs",
                    [&](const Rows& rows, uint32_t* out) { rows.OpaqueRunsRows(row(out), runs.data()); });
            // The weighted pixels blend to what the pixels themselves do.
            std::transform(s.begin(), s.end(), weighted.begin(), Blend::Weighted);
            auto fromWeighted = [&](const Rows& rows, uint32_t* out) {
                rows.WeightedRunsRows({out, 0, weighted.data(), 0, 256, 1}, runs.data());
            };
            compare(a, sc, "weighted", fromWeighted);
            std::vector<uint32_t> plain = d, viaWeighted = d;
            reference.OpaqueRunsRows(row(plain.data()), runs.data());
            fromWeighted(reference, viaWeighted.data());
            ASSERT_EQ(plain, viaWeighted) << "alpha " << a << " channel " << sc;
            Tint t{int(c), int(255 - c), int(c ^ 0x5A), int(a)};
            compare(a, sc, "tinted", [&](const Rows& rows, uint32_t* out) { rows.TintedRows(row(out), t); });
            compare(a, sc, "fill",
                    [&](const Rows& rows, uint32_t* out)
                    { rows.BlendFillRows(row(out), s[0] & 0xFFFFFF, a | 1); });
            Tint scaled{int(c ^ 0x33), int(c), int(255 - c), 255};
            for (AddMode mode :
                 {AddMode::Plain, AddMode::Alpha, AddMode::Tinted, AddMode::TintedAlpha, AddMode::Amounts})
                if (mode != AddMode::Amounts || a == 0)
                    compare(a, sc, "additive",
                            [&](const Rows& rows, uint32_t* out) { rows.AddRows(row(out), mode, scaled); });
        }
    }
}
TEST(Blitters, LevelChoice)
{
    std::vector<Cpu::Level> levels = Cpu::Runnable();
    ASSERT_FALSE(levels.empty());
    EXPECT_EQ(levels.front(), Cpu::Level::Scalar);
    EXPECT_EQ(levels.back(), Cpu::Supported());
#if LUMO_CPU_X86
    EXPECT_GE(Cpu::Supported(), Cpu::Level::Sse2); // the x86-64 baseline
#endif
    Cpu::Level before = Cpu::Active();
    EXPECT_LE(before, Cpu::Supported());
    Cpu::SetActive(Cpu::Level::Avx512); // never above what the processor runs
    EXPECT_EQ(Cpu::Active(), Cpu::Supported());
    Cpu::SetActive(Cpu::Level::Scalar);
    EXPECT_EQ(&Active(), &RowsFor(Cpu::Level::Scalar));
    Cpu::SetActive(before);
}
