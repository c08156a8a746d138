// How the renderer cuts pictures into textures, its vertex lists and clipping: none needs a device.
#include "display/D3DInterface.h"

#include <gtest/gtest.h>

using namespace Lumo;

namespace
{
class TextureSplit : public ::testing::Test
{
protected:
    void TearDown() override { gTextureLimits = TextureLimits(); }
    static void Device(int maxSide, int aspect = 65536, int minSide = 1)
    {
        gTextureLimits.mMinWidth = gTextureLimits.mMinHeight = minSide;
        gTextureLimits.mMaxWidth = gTextureLimits.mMaxHeight = maxSide;
        gTextureLimits.mMaxAspectRatio = aspect;
    }
    static std::pair<int, int> Piece(int w, int h, bool edge = false, int flags = 0)
    {
        std::pair<int, int> size;
        GetTexturePieceSize(w, h, edge, flags, size.first, size.second);
        return size;
    }
};

D3DTLVERTEX At(float x, float y, float u = 0, float v = 0, uint32_t color = 0xFF000000)
{
    return D3DTLVERTEX{x, y, 0.0f, 1.0f, color, 0, u, v};
}
} // namespace

TEST_F(TextureSplit, RegularAndEdgeSizes)
{
    Device(256, 8);
    // The table entry for 100 is 64; 30 gives 32.
    EXPECT_EQ(Piece(100, 30), std::make_pair(64, 32));
    // Edge pieces and power-of-two pictures take the smallest power of two.
    EXPECT_EQ(Piece(36, 30, true), std::make_pair(64, 32));
    EXPECT_EQ(Piece(100, 30, false, D3DIMAGEFLAG_POW2), std::make_pair(128, 32));
    EXPECT_EQ(Piece(100, 30, false, D3DIMAGEFLAG_SMALL), std::make_pair(64, 64));
    // A wide device maximum: 1000 pixels use 512-wide pieces, two columns.
    Device(512);
    EXPECT_EQ(Piece(1000, 16).first, 512);
    // Aspect 1 keeps pieces square; the device minimum raises small ones.
    Device(256, 1);
    EXPECT_EQ(Piece(100, 30), std::make_pair(64, 64));
    Device(256, 8, 16);
    EXPECT_EQ(Piece(3, 5, true), std::make_pair(16, 16));
    // Before any device: 64 x 64 everywhere.
    gTextureLimits = TextureLimits();
    EXPECT_EQ(Piece(300, 7), std::make_pair(64, 64));
}

TEST_F(TextureSplit, LimitsAsTheDeviceDescribesThem)
{
    D3DDEVICEDESC7 desc{};
    desc.dwMaxTextureWidth = 4096;
    desc.dwMaxTextureHeight = 2048;
    TextureLimits limits = TextureLimitsOf(desc);
    EXPECT_EQ(limits.mMaxWidth, 1024);
    EXPECT_EQ(limits.mMaxHeight, 1024);
    EXPECT_EQ(limits.mMinWidth, 1);
    EXPECT_EQ(limits.mMinHeight, 1);
    EXPECT_EQ(limits.mMaxAspectRatio, 65536);
    desc.dwMaxTextureWidth = 256;
    desc.dwMinTextureHeight = 8;
    desc.dwMaxTextureAspectRatio = 4;
    limits = TextureLimitsOf(desc);
    EXPECT_EQ(limits.mMaxWidth, 256);
    EXPECT_EQ(limits.mMinHeight, 8);
    EXPECT_EQ(limits.mMaxAspectRatio, 4);
    // A maximum width of 0: 64 x 64 pieces everywhere.
    desc.dwMaxTextureWidth = 0;
    gTextureLimits = TextureLimitsOf(desc);
    EXPECT_EQ(Piece(100, 30), std::make_pair(64, 64));
    EXPECT_EQ(Piece(1000, 1000), std::make_pair(64, 64));
}

TEST_F(TextureSplit, TableHalvesLargeRaggedRemainders)
{
    Device(1024);
    // 200: 256 wastes 56, but a remainder of 200 is ragged: 128 leaves 72, still ragged, so 64.
    EXPECT_EQ(Piece(200, 1).first, 64);
    // 192: 256 wastes 64 (kept), 192 is ragged, 128 leaves 64, a power of two.
    EXPECT_EQ(Piece(192, 1).first, 128);
    EXPECT_EQ(Piece(128, 1).first, 128);
    // 640: 1024 wastes 384, so 512, which leaves 128, a power of two.
    EXPECT_EQ(Piece(640, 1).first, 512);
    EXPECT_EQ(Piece(0, 1).first, 1);
}

TEST(PixelFormats, DescriptionsRoundTrip)
{
    for (int format : {A8R8G8B8, A4R4G4B4, R5G6B5, Palette8})
        EXPECT_EQ(PixelFormatOf(MakePixelFormat(format)), format) << format;
    DDPIXELFORMAT x888 = MakePixelFormat(A8R8G8B8);
    x888.dwFlags = DDPF_RGB;
    x888.dwRGBAlphaBitMask = 0;
    EXPECT_EQ(PixelFormatOf(x888), 0);
    EXPECT_STREQ(PixelFormatName(R5G6B5), "R5G6B5");
}

TEST(VertexLists, GrowKeepingOrder)
{
    VertexList list;
    EXPECT_EQ(list.capacity(), 100);
    const D3DTLVERTEX* inlineData = list.data();
    for (int i = 0; i < 401; i++)
    {
        list.push_back(At(float(i), float(-i)));
        if (i == 99)
        {
            EXPECT_EQ(list.data(), inlineData);
        }
        if (i == 100)
        {
            EXPECT_EQ(list.capacity(), 200);
        }
        if (i == 200)
        {
            EXPECT_EQ(list.capacity(), 400);
        }
    }
    EXPECT_EQ(list.capacity(), 800);
    EXPECT_NE(list.data(), inlineData);
    ASSERT_EQ(list.size(), 401);
    for (int i = 0; i < 401; i++)
        ASSERT_EQ(list[i].sx, float(i)) << i;
    VertexList copy = list;
    EXPECT_EQ(copy.size(), 401);
    EXPECT_EQ(copy[400].sy, -400.0f);
}

TEST(PolygonClipping, EachEdgeCutsAndInterpolates)
{
    // A square 0..10 with u running 0..1 across and colours from black to white.
    auto square = []
    {
        VertexList p;
        p.push_back(At(0, 0, 0, 0, 0xFF000000));
        p.push_back(At(10, 0, 1, 0, 0xFFFFFFFF));
        p.push_back(At(10, 10, 1, 1, 0xFFFFFFFF));
        p.push_back(At(0, 10, 0, 1, 0xFF000000));
        return p;
    };
    struct Case
    {
        FRect rect;
        float minX, maxX, minY, maxY;
    } cases[] = {
        {FRect(4, -5, 20, 20), 4, 10, 0, 10}, // left
        {FRect(-5, -5, 11, 20), 0, 6, 0, 10}, // right
        {FRect(-5, 3, 20, 20), 0, 10, 3, 10}, // top
        {FRect(-5, -5, 20, 12), 0, 10, 0, 7}, // bottom
        {FRect(2, 2, 6, 6), 2, 8, 2, 8},      // all four
        {FRect(20, 20, 5, 5), 0, 0, 0, 0},    // nothing left
    };
    for (const Case& c : cases)
    {
        VertexList p = square();
        PolygonClipper::ClipToRect(p, c.rect);
        if (c.maxX == 0)
        {
            EXPECT_LT(p.size(), 3);
            continue;
        }
        ASSERT_GE(p.size(), 4) << c.minX;
        for (int i = 0; i < p.size(); i++)
        {
            EXPECT_GE(p[i].sx, c.minX);
            EXPECT_LE(p[i].sx, c.maxX);
            EXPECT_GE(p[i].sy, c.minY);
            EXPECT_LE(p[i].sy, c.maxY);
            // Texture coordinates and colour follow the position.
            EXPECT_FLOAT_EQ(p[i].tu, p[i].sx / 10);
            EXPECT_FLOAT_EQ(p[i].tv, p[i].sy / 10);
            uint32_t expected = uint32_t(p[i].sx / 10 * 255 + 0.5f);
            EXPECT_EQ(p[i].color & 0xFF, expected) << p[i].sx;
        }
    }
    // On the texture coordinates: u below 0.5 keeps the left half.
    VertexList p = square();
    PolygonClipper::ClipPlaneA(p, 3, 0.5f);
    ASSERT_EQ(p.size(), 4);
    for (int i = 0; i < p.size(); i++)
        EXPECT_LE(p[i].sx, 5.0f);
    // Fewer than two vertices are left as they are.
    VertexList one;
    one.push_back(At(50, 50));
    PolygonClipper::ClipPlaneA(one, 0, 10);
    EXPECT_EQ(one.size(), 1);
}
