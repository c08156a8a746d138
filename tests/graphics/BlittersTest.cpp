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

#ifdef __SSE2__
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

template <typename Run> void CompareRows(uint32_t seed, Run run)
{
    PixelMaker make(seed);
    for (int trial = 0; trial < 4000; trial++)
    {
        int n = trial % 41;
        // Destinations mostly opaque (the screen), sometimes not at all.
        std::vector<uint32_t> d = make.Row(n, trial % 3 == 0 ? 40 : 95);
        std::vector<uint32_t> s = make.Row(n, 50);
        std::vector<uint32_t> expected = d, actual = d;
        run(make, expected.data(), actual.data(), s.data(), n);
        ASSERT_EQ(expected, actual) << "trial " << trial;
    }
}
} // namespace

TEST(Blitters, VectorRowsMatchReference)
{
    CompareRows(1,
                [](PixelMaker& m, uint32_t* ref, uint32_t* fast, const uint32_t* s, int n)
                {
                    uint32_t color = m.Pixel(0) & 0xFFFFFF;
                    uint32_t alpha = uint32_t(m.Byte() | 1);
                    Reference::BlendFillRow(ref, n, color, alpha);
                    Sse2::BlendFillRow(fast, n, color, alpha);
                });
    CompareRows(2,
                [](PixelMaker&, uint32_t* ref, uint32_t* fast, const uint32_t* s, int n)
                {
                    Reference::NormalRow(ref, s, n);
                    Sse2::NormalRow(fast, s, n);
                });
    CompareRows(3,
                [](PixelMaker&, uint32_t* ref, uint32_t* fast, const uint32_t* s, int n)
                {
                    Reference::OverOpaqueRow(ref, s, n);
                    Sse2::OverOpaqueRow(fast, s, n);
                });
    CompareRows(4,
                [](PixelMaker& m, uint32_t* ref, uint32_t* fast, const uint32_t* s, int n)
                {
                    Tint t{m.Extreme(), m.Extreme(), m.Extreme(), m.Extreme()};
                    Reference::TintedRow(ref, s, n, t);
                    Sse2::TintedRow(fast, s, n, t);
                });
    for (AddMode mode : {AddMode::Plain, AddMode::Alpha, AddMode::Tinted, AddMode::TintedAlpha})
        CompareRows(5 + uint32_t(mode),
                    [mode](PixelMaker& m, uint32_t* ref, uint32_t* fast, const uint32_t* s, int n)
                    {
                        Tint t{m.Extreme(), m.Extreme(), m.Extreme(), 255};
                        Reference::AddRow(ref, s, n, mode, t);
                        Sse2::AddRow(fast, s, n, mode, t);
                    });
}

TEST(Blitters, VectorOverOpaqueExhaustiveChannels)
{
    // Every source channel, source alpha and destination channel of one lane.
    std::vector<uint32_t> d(256), s(256), ref(256), fast(256);
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
            Reference::NormalRow(ref.data(), s.data(), 256);
            Sse2::NormalRow(fast.data(), s.data(), 256);
            ASSERT_EQ(ref, fast) << a << " " << sc;
            ref = d;
            fast = d;
            Tint t{int(sc), int(255 - sc), int(sc ^ 0x5A), int(a)};
            Reference::TintedRow(ref.data(), s.data(), 256, t);
            Sse2::TintedRow(fast.data(), s.data(), 256, t);
            ASSERT_EQ(ref, fast) << a << " " << sc;
        }
}
#endif
