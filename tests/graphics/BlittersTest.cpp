#include "graphics/Blend.h"
#include "graphics/Blitters.h"

#include <gtest/gtest.h>

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
        uint32_t rgb = mRandom() & 0xFFFFFF;
        int pick = int(mRandom() % 100);
        uint32_t a = pick < opaquePercent ? 255 : pick < opaquePercent + 10 ? 0 : mRandom() % 256;
        return a << 24 | rgb;
    }
    std::vector<uint32_t> Row(int n, int opaquePercent)
    {
        std::vector<uint32_t> row(static_cast<size_t>(n));
        for (auto& p : row)
            p = Pixel(opaquePercent);
        return row;
    }
    int Byte() { return int(mRandom() % 256); }
    int Extreme() { return mRandom() % 4 == 0 ? 255 : mRandom() % 4 == 0 ? 0 : Byte(); }

private:
    std::mt19937 mRandom;
};

// Runs `run` on random rows of every length up to 40 (and a few long ones),
// once with the reference rows and once with each runnable level's, and
// compares the destinations.
template <typename Run> void CompareRows(uint32_t seed, Run run)
{
    for (Cpu::Level level : Cpu::Runnable())
    {
        PixelMaker make(seed);
        for (int trial = 0; trial < 4000; trial++)
        {
            int n = trial % 50 == 49 ? 200 + trial % 37 : trial % 41;
            // Destinations mostly opaque (the screen), sometimes not at all.
            std::vector<uint32_t> d = make.Row(n, trial % 3 == 0 ? 40 : 95);
            // Sources with long runs of one class as well as mixed ones.
            std::vector<uint32_t> s = make.Row(n, trial % 4 == 0 ? 100 : 50);
            if (trial % 4 == 1)
                for (uint32_t& p : s)
                    p &= 0xFFFFFF;
            std::vector<uint32_t> expected = d, actual = d;
            PixelMaker again = make;
            run(make, RowsFor(Cpu::Level::Scalar), expected.data(), s.data(), n);
            run(again, RowsFor(level), actual.data(), s.data(), n);
            ASSERT_EQ(expected, actual) << Cpu::Name(level) << " trial " << trial;
        }
    }
}
} // namespace

TEST(Blitters, LevelsMatchReference)
{
    CompareRows(1,
                [](PixelMaker& m, const Rows& rows, uint32_t* d, const uint32_t*, int n)
                {
                    uint32_t color = m.Pixel(0) & 0xFFFFFF;
                    uint32_t alpha = uint32_t(m.Byte() | 1);
                    rows.BlendFillRow(d, n, color, alpha);
                    rows.FillRow(d + n / 2, n / 4, color);
                });
    CompareRows(2, [](PixelMaker&, const Rows& rows, uint32_t* d, const uint32_t* s, int n)
                { rows.NormalRow(d, s, n); });
    CompareRows(3, [](PixelMaker&, const Rows& rows, uint32_t* d, const uint32_t* s, int n)
                { rows.OverOpaqueRow(d, s, n); });
    CompareRows(4,
                [](PixelMaker& m, const Rows& rows, uint32_t* d, const uint32_t* s, int n)
                {
                    Tint t{m.Extreme(), m.Extreme(), m.Extreme(), m.Extreme()};
                    rows.TintedRow(d, s, n, t);
                });
    for (AddMode mode : {AddMode::Plain, AddMode::Alpha, AddMode::Tinted, AddMode::TintedAlpha})
        CompareRows(5 + uint32_t(mode),
                    [mode](PixelMaker& m, const Rows& rows, uint32_t* d, const uint32_t* s, int n)
                    {
                        Tint t{m.Extreme(), m.Extreme(), m.Extreme(), 255};
                        rows.AddRow(d, s, n, mode, t);
                    });
}

TEST(Blitters, LevelsMatchReferenceOverEveryChannelAndAlpha)
{
    // Every source channel, source alpha and destination channel of one lane.
    std::vector<uint32_t> d(256), s(256), ref(256), fast(256);
    const Rows& reference = RowsFor(Cpu::Level::Scalar);
    for (Cpu::Level level : Cpu::Runnable())
    {
        const Rows& rows = RowsFor(level);
        for (uint32_t a = 0; a < 256; a++)
            for (uint32_t sc = 0; sc < 256; sc++)
            {
                for (uint32_t dc = 0; dc < 256; dc++)
                {
                    d[dc] = 0xFF000000 | dc << 16 | (255 - dc) << 8 | dc;
                    s[dc] = a << 24 | sc << 16 | (255 - sc) << 8 | sc;
                }
                ref = d;
                fast = d;
                reference.NormalRow(ref.data(), s.data(), 256);
                rows.NormalRow(fast.data(), s.data(), 256);
                ASSERT_EQ(ref, fast) << Cpu::Name(level) << " " << a << " " << sc;
                ref = d;
                fast = d;
                Tint t{int(sc), int(255 - sc), int(sc ^ 0x5A), int(a)};
                reference.TintedRow(ref.data(), s.data(), 256, t);
                rows.TintedRow(fast.data(), s.data(), 256, t);
                ASSERT_EQ(ref, fast) << Cpu::Name(level) << " " << a << " " << sc;
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
