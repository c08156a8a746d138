// Stretches through every road a picture offers them, memory and surface: a source
// rectangle partly outside the picture draws its inside part where it belongs, and the
// filtered stretch gives the same pixels on a surface as in memory.
#include "DisplayFixture.h"

#include <functional>

using namespace Lumo;

namespace
{
constexpr uint32_t kBlue = 0xFF0000FF, kRed = 0xFFFF0000, kBackground = 0xFF000000;

// The pixels of a drawn picture, surface or memory, as 0xRRGGBB.
std::vector<uint32_t> Shown(Image& image)
{
    auto* surface = dynamic_cast<DDImage*>(&image);
    if (surface != nullptr && surface->mSurface != nullptr)
        return DisplayTest::Read(surface->mSurface);
    std::vector<uint32_t> out;
    auto& memory = dynamic_cast<MemoryImage&>(image);
    for (int i = 0; i < memory.mWidth * memory.mHeight; i++)
        out.push_back(memory.GetBits()[i] & 0xFFFFFF);
    return out;
}
} // namespace

class StretchRoads : public DisplayTest
{
protected:
    void SetUp() override { Windowed(32); }

    struct Road
    {
        const char* name;
        std::function<Image*()> dest; // an 8x4 picture of the background
        Image* source;                // two blue columns, then two red ones, two rows
        bool fast, mirrored, exact;   // exact: nearest samples copied, every drawn pixel the source's
        Color color = Color::White;
    };

    std::vector<Road> Roads()
    {
        std::vector<uint32_t> pixels = {kBlue, kBlue, kRed, kRed, kBlue, kBlue, kRed, kRed};
        surfaceSource = Picture(4, 2, pixels);
        memorySource = std::make_unique<MemoryImage>();
        memorySource->SetBits(pixels.data(), 4, 2, true);
        // A third row with some alpha, never drawn: no surface, the worker's software stretch.
        std::vector<uint32_t> soft = pixels;
        soft.insert(soft.end(), 4, 0x80FFFFFF);
        softSource = std::make_unique<MemoryImage>();
        softSource->SetBits(soft.data(), 4, 3, true);
        auto surface = [this] { return Picture(8, 4, {kBackground}); };
        auto memory = [this]
        {
            memoryDests.push_back(std::make_unique<MemoryImage>());
            std::vector<uint32_t> bits(32, kBackground);
            memoryDests.back()->SetBits(bits.data(), 8, 4, true);
            return memoryDests.back().get();
        };
        auto softSurface = [this] { return Picture(8, 4, {0xFE000000}); }; // stays in memory
        return {{"memory fast", memory, memorySource.get(), true, false, false},
                {"memory filtered", memory, memorySource.get(), false, false, false},
                {"surface hardware", surface, surfaceSource, true, false, true},
                {"surface worker", surface, softSource.get(), true, false, true},
                {"surface worker tinted", surface, memorySource.get(), true, false, false,
                 Color(255, 255, 255, 254)},
                {"surface filtered", surface, memorySource.get(), false, false, false},
                {"surface in memory", softSurface, memorySource.get(), false, false, false},
                {"surface mirrored", surface, memorySource.get(), true, true, true}};
    }

    DDImage* surfaceSource = nullptr;
    std::unique_ptr<MemoryImage> memorySource, softSource;
    std::vector<std::unique_ptr<MemoryImage>> memoryDests;
};

TEST_F(StretchRoads, TheInsidePartOfTheSourceIsDrawnWhereItBelongs)
{
    // The source rectangle hangs two columns off the picture, on either side, and is drawn
    // twice its size: its inside half covers the half of the destination it stands for.
    for (bool offLeft : {false, true})
        for (const Road& road : Roads())
        {
            Image* dest = road.dest();
            Rect from(offLeft ? -2 : 2, 0, 4, 2), onto(0, 0, 8, 4);
            if (road.mirrored)
                dest->StretchBltMirrored(road.source, onto, from, onto, road.color, DRAWMODE_NORMAL,
                                         road.fast);
            else
                dest->StretchBlt(road.source, onto, from, onto, road.color, DRAWMODE_NORMAL, road.fast);
            std::vector<uint32_t> shown = Shown(*dest);
            // Off the right edge the red half of the picture is inside; off the left, the blue.
            uint32_t inside = offLeft ? kBlue & 0xFFFFFF : kRed & 0xFFFFFF;
            bool leftDrawn = offLeft == road.mirrored;
            for (int y = 0; y < 4; y++)
                for (int x = 0; x < 8; x++)
                {
                    uint32_t p = shown[size_t(y * 8 + x)];
                    std::string where = std::string(road.name) + (offLeft ? " off left" : " off right") +
                                        " at " + std::to_string(x) + "," + std::to_string(y);
                    if ((x < 4) != leftDrawn)
                        EXPECT_EQ(p, 0u) << where;
                    else if (road.exact)
                        EXPECT_EQ(p, inside) << where;
                    else
                        EXPECT_GT(p & inside, (inside & 0xF0F0F0) >> 1) << where;
                }
        }
}

TEST_F(StretchRoads, ACutEdgeKeepsTheScaleAndNeverSamplesOutside)
{
    // Shrinking by three with the source starting one pixel before the picture: the first
    // destination pixel would start outside and is left alone; the next starts at source
    // column 2. Nothing is stretched to fill the gap.
    std::vector<uint32_t> ramp(9);
    for (int x = 0; x < 9; x++)
        ramp[size_t(x)] = 0xFF000000 | uint32_t(x * 20);
    MemoryImage source;
    source.SetBits(ramp.data(), 9, 1, true);
    DDImage* surface = Picture(4, 1, {kBackground});
    MemoryImage memory;
    std::vector<uint32_t> black(4, kBackground);
    memory.SetBits(black.data(), 4, 1, true);
    for (Image* dest : std::initializer_list<Image*>{surface, &memory})
    {
        dest->StretchBlt(&source, Rect(0, 0, 4, 1), Rect(-1, 0, 12, 1), Rect(0, 0, 4, 1), Color::White,
                         DRAWMODE_NORMAL, true);
        // The memory blend keeps 255 / 256 of an opaque source.
        auto sample = [&](uint32_t x) { return dest == surface ? x * 20 : x * 20 * 255 / 256; };
        EXPECT_EQ(Shown(*dest), (std::vector<uint32_t>{0, sample(2), sample(5), sample(8)}));
    }
}

TEST_F(StretchRoads, TheFilteredStretchIgnoresTheColourOnASurfaceAsInMemory)
{
    std::vector<uint32_t> white(4, 0xFFFFFFFF);
    MemoryImage source;
    source.SetBits(white.data(), 2, 2, true);
    MemoryImage memory;
    std::vector<uint32_t> black(16, kBackground);
    memory.SetBits(black.data(), 4, 4, true);
    memory.StretchBlt(&source, Rect(0, 0, 4, 4), Rect(0, 0, 2, 2), Rect(0, 0, 4, 4), Color(255, 0, 0),
                      DRAWMODE_NORMAL, false);
    for (int mode : {DRAWMODE_NORMAL, DRAWMODE_ADDITIVE})
    {
        DDImage* surface = Picture(4, 4, {kBackground});
        surface->StretchBlt(&source, Rect(0, 0, 4, 4), Rect(0, 0, 2, 2), Rect(0, 0, 4, 4), Color(255, 0, 0),
                            mode, false);
        EXPECT_EQ(Shown(*surface), Shown(memory)) << mode;
    }
    EXPECT_EQ(Shown(memory)[5], 0xFEFEFEu);
}
