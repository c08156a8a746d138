#include "graphics/Blend.h"
#include "graphics/Blitters.h"
#include "graphics/MemoryImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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
    // Runs of 1 to 40 pixels, each all opaque, all clear or all partly transparent.
    std::vector<uint32_t> Runs(int n)
    {
        std::vector<uint32_t> row;
        while (int(row.size()) < n)
        {
            int kind = int(mRandom() % 3), length = 1 + int(mRandom() % 40);
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

// The picture's own run-length table of a row of pixels.
std::vector<uint8_t> RunTable(const std::vector<uint32_t>& pixels)
{
    MemoryImage image;
    image.SetBits(pixels.data(), int(pixels.size()), 1, true);
    const uint8_t* runs = image.GetRLAlphaData();
    return std::vector<uint8_t>(runs, runs + pixels.size());
}

// Gives `run` random rows of every length up to 40 and some long ones, and
// compares what it does with the reference rows and with each vector level's.
template <typename Run> void CompareRows(uint32_t seed, Run run)
{
    for (Cpu::Level level : Cpu::Runnable())
    {
        PixelMaker make(seed);
        for (int trial = 0; trial < 3000; trial++)
        {
            int n = trial % 50 == 49 ? 200 + trial % 37 : trial % 41;
            // Destinations mostly opaque (the screen), sometimes not at all, starting anywhere
            // in a vector's width.
            int offset = trial % 17;
            std::vector<uint32_t> d = make.Row(n + offset, trial % 3 == 0 ? 40 : 95);
            // Mixed sources, sources in runs of one kind, wholly opaque ones.
            std::vector<uint32_t> s = trial % 4 == 0   ? make.Row(n, 50)
                                      : trial % 4 == 2 ? make.Row(n, 100)
                                                       : make.Runs(n);
            std::vector<uint32_t> expected = d, actual = d;
            PixelMaker again = make;
            run(make, RowsFor(Cpu::Level::Scalar), expected.data() + offset, s, n);
            run(again, RowsFor(level), actual.data() + offset, s, n);
            ASSERT_EQ(expected, actual) << Cpu::Name(level) << " trial " << trial;
        }
    }
}
} // namespace

TEST(Blitters, LevelsMatchReference)
{
    using Source = const std::vector<uint32_t>&;
    CompareRows(1,
                [](PixelMaker& m, const Rows& rows, uint32_t* d, Source, int n)
                {
                    uint32_t color = m.Pixel(0) & 0xFFFFFF;
                    uint32_t alpha = uint32_t(m.Byte() | 1);
                    rows.BlendFillRow(d, n, color, alpha);
                    rows.FillRow(d + n / 2, n / 4, color);
                });
    CompareRows(2, [](PixelMaker&, const Rows& rows, uint32_t* d, Source s, int n)
                { rows.NormalRow(d, s.data(), n); });
    CompareRows(3, [](PixelMaker&, const Rows& rows, uint32_t* d, Source s, int n)
                { rows.OverOpaqueRow(d, s.data(), n); });
    CompareRows(4, [](PixelMaker&, const Rows& rows, uint32_t* d, Source s, int n)
                { rows.OpaqueRunsRow(d, s.data(), RunTable(s).data(), n); });
    CompareRows(5,
                [](PixelMaker& m, const Rows& rows, uint32_t* d, Source s, int n)
                {
                    Tint t{m.Extreme(), m.Extreme(), m.Extreme(), m.Extreme()};
                    rows.TintedRow(d, s.data(), n, t);
                });
    for (AddMode mode : {AddMode::Plain, AddMode::Alpha, AddMode::Tinted, AddMode::TintedAlpha})
        CompareRows(6 + uint32_t(mode),
                    [mode](PixelMaker& m, const Rows& rows, uint32_t* d, Source s, int n)
                    {
                        Tint t{m.Extreme(), m.Extreme(), m.Extreme(), 255};
                        rows.AddRow(d, s.data(), n, mode, t);
                    });
    CompareRows(10,
                [](PixelMaker& m, const Rows& rows, uint32_t* d, Source s, int n)
                {
                    if (s.empty())
                        return;
                    std::vector<int32_t> columns(static_cast<size_t>(n));
                    for (int32_t& c : columns)
                        c = int32_t(m.Below(uint32_t(s.size())));
                    rows.GatherRow(d, s.data(), columns.data(), n);
                });
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
    // Every source channel, source alpha and destination channel of one lane,
    // each row worked out once by the reference and compared at every level.
    std::vector<uint32_t> d(256), s(256);
    std::vector<uint8_t> runs(256);
    const Rows& reference = RowsFor(Cpu::Level::Scalar);
    std::vector<Cpu::Level> levels = Cpu::Runnable();
    levels.erase(levels.begin());
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
        for (uint32_t sc = 0; sc < 256; sc += kChannelStep)
        {
            for (uint32_t dc = 0; dc < 256; dc++)
            {
                d[dc] = 0xFF000000 | dc << 16 | (255 - dc) << 8 | dc;
                s[dc] = a << 24 | sc << 16 | (255 - sc) << 8 | sc;
            }
            compare(a, sc, "normal",
                    [&](const Rows& rows, uint32_t* out) { rows.NormalRow(out, s.data(), 256); });
            compare(a, sc, "runs",
                    [&](const Rows& rows, uint32_t* out)
                    { rows.OpaqueRunsRow(out, s.data(), runs.data(), 256); });
            Tint t{int(sc), int(255 - sc), int(sc ^ 0x5A), int(a)};
            compare(a, sc, "tinted",
                    [&](const Rows& rows, uint32_t* out) { rows.TintedRow(out, s.data(), 256, t); });
            compare(a, sc, "fill",
                    [&](const Rows& rows, uint32_t* out)
                    { rows.BlendFillRow(out, 256, s[0] & 0xFFFFFF, a | 1); });
            Tint scaled{int(sc ^ 0x33), int(sc), int(255 - sc), 255};
            for (AddMode mode : {AddMode::Plain, AddMode::Alpha, AddMode::Tinted, AddMode::TintedAlpha})
                compare(a, sc, "additive",
                        [&](const Rows& rows, uint32_t* out)
                        { rows.AddRow(out, s.data(), 256, mode, scaled); });
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
