#include "TestRegistry.h"

#include "graphics/LumoMatrix3.h"
#include "graphics/TriangleRasterizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace Lumo;

TEST(LumoMatrix3, TransformOrder)
{
    AffineTransform2D a;
    a.Translate(10, 0);
    a.Scale(2, 2);
    Vector2 p = a.mMatrix.TransformPoint2D({1, 0});
    EXPECT_FLOAT_EQ(p.x, 22);
    EXPECT_FLOAT_EQ(p.y, 0);

    AffineTransform2D b;
    b.Scale(2, 2);
    b.Translate(10, 0);
    p = b.mMatrix.TransformPoint2D({1, 0});
    EXPECT_FLOAT_EQ(p.x, 12);

    AffineTransform2D r;
    r.Rotate(float(M_PI / 2));
    p = r.mMatrix.TransformPoint2D({1, 0});
    EXPECT_NEAR(p.x, 0, 1e-6);
    EXPECT_NEAR(p.y, -1, 1e-6);

    LumoMatrix3 m, n;
    m.m[0][1] = 3;
    n.m[1][2] = 5;
    LumoMatrix3 product;
    product.Multiply(m, n); // n * m
    Vector3 v = product.TransformVector3({1, 1, 1});
    EXPECT_FLOAT_EQ(v.x, 4);
    EXPECT_FLOAT_EQ(v.y, 6);
    EXPECT_FLOAT_EQ(v.z, 1);
    LumoMatrix3 copy;
    copy.Assign(product);
    EXPECT_FLOAT_EQ(copy.m[1][2], 5);
}

namespace
{
using ImagePtr = std::unique_ptr<MemoryImage>;

ImagePtr Checker(int w, int h)
{
    auto* image = new MemoryImage;
    std::vector<uint32_t> bits;
    for (int i = 0; i < w * h; i++)
        bits.push_back(0xFF000000 | uint32_t(i * 0x0A0B0C + 0x101010));
    image->SetBits(bits.data(), w, h, true);
    return ImagePtr(image);
}

ImagePtr Blank(int w, int h, uint32_t pixel)
{
    return ImagePtr(MakeImage(w, h, {pixel}));
}
} // namespace

TEST(BltMatrix, IdentityCopiesAroundCentre)
{
    ImagePtr src = Checker(4, 4);
    ImagePtr dest = Blank(16, 16, 0xFF000000);
    dest->BltMatrix(src.get(), 10, 10, LumoMatrix3(), Rect(0, 0, 16, 16), Color::White, 0, Rect(0, 0, 4, 4),
                    false);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++)
            EXPECT_EQ(dest->mBits[(8 + y) * 16 + 8 + x], src->mBits[y * 4 + x]) << x << "," << y;
    EXPECT_EQ(dest->mBits[8 * 16 + 7], 0xFF000000u);
    EXPECT_EQ(dest->mBits[8 * 16 + 12], 0xFF000000u);
    EXPECT_EQ(dest->mBits[7 * 16 + 8], 0xFF000000u);
    EXPECT_EQ(dest->mBits[12 * 16 + 8], 0xFF000000u);

    // Scaled by two, each texel covers two by two pixels.
    AffineTransform2D scale;
    scale.Scale(2, 2);
    ImagePtr big = Blank(16, 16, 0xFF000000);
    big->BltMatrix(src.get(), 8, 8, scale.mMatrix, Rect(0, 0, 16, 16), Color::White, 0, Rect(0, 0, 4, 4),
                   false);
    EXPECT_EQ(big->mBits[4 * 16 + 4], src->mBits[0]);
    EXPECT_EQ(big->mBits[5 * 16 + 5], src->mBits[0]);
    EXPECT_EQ(big->mBits[11 * 16 + 11], src->mBits[15]);
    EXPECT_EQ(big->mBits[3 * 16 + 4], 0xFF000000u);
}

TEST(BltMatrix, FlushAgainstTheRightAndBottomEdgesTheLastColumnAndRowAreDrawn)
{
    // Filling the destination whole, or in its bottom-right corner, every pixel is drawn.
    ImagePtr white = Blank(8, 8, 0xFFFFFFFF);
    for (int size : {8, 9, 11})
    {
        ImagePtr black = Blank(size, size, 0xFF000000);
        float centre = float(size) - 3.5f;
        black->BltMatrix(white.get(), centre, centre, LumoMatrix3(), Rect(0, 0, size, size), Color::White, 0,
                         Rect(0, 0, 8, 8), false);
        int filled = 0;
        for (int i = 0; i < size * size; i++)
            filled += black->mBits[i] == 0xFFFFFFFFu;
        EXPECT_EQ(filled, 64) << size;
        EXPECT_EQ(black->mBits[size * size - 1], 0xFFFFFFFFu) << size;
    }
}

TEST(Triangles, ClippingAndCounts)
{
    ImagePtr dest = Blank(8, 8, 0xFF000000);
    TriVertex far[3] = {{20, 20, 0, 0, 0xFFFFFFFF}, {30, 20, 0, 0, 0xFFFFFFFF}, {20, 30, 0, 0, 0xFFFFFFFF}};
    dest->DrawTexturedTriangles(nullptr, &far, 1, Rect(0, 0, 8, 8), Color(255, 0, 0), 0, 0, 0, false);
    for (int i = 0; i < 64; i++)
        ASSERT_EQ(dest->mBits[i], 0xFF000000u);
    TriVertex strip[2] = {{0, 0, 0, 0, 0xFFFFFFFF}, {8, 0, 0, 0, 0xFFFFFFFF}};
    DrawTriangleSoftware(Color::White, Rect(0, 0, 8, 8), strip, 2, nullptr, dest->mBits, 32, PIXELFORM_8888,
                         false, false);
    for (int i = 0; i < 64; i++)
        ASSERT_EQ(dest->mBits[i], 0xFF000000u);

    // A large triangle is cut to the clip and never written outside it.
    TriVertex big[3] = {
        {-100, -100, 0, 0, 0xFFFFFFFF}, {300, -100, 0, 0, 0xFFFFFFFF}, {-100, 300, 0, 0, 0xFFFFFFFF}};
    dest->DrawTexturedTriangles(nullptr, &big, 1, Rect(2, 2, 4, 4), Color(255, 0, 0), 0, 0, 0, false);
    int red = 0;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
        {
            bool inside = x >= 2 && x < 6 && y >= 2 && y < 6;
            uint32_t p = dest->mBits[y * 8 + x];
            if (!inside)
            {
                EXPECT_EQ(p, 0xFF000000u) << x << "," << y;
            }
            red += p == 0xFFFF0000u;
        }
    EXPECT_EQ(red, 16); // the whole clip, its last row and column too
    EXPECT_EQ(dest->mBits[64], MemoryImage::kGuardWord);
}

TEST(Triangles, VertexColoursAndBlending)
{
    ImagePtr dest = Blank(8, 8, 0xFF0000FF);
    TriVertex tri[3] = {{0, 0, 0, 0, 0x80FF0000}, {16, 0, 0, 0, 0x80FF0000}, {0, 16, 0, 0, 0x80FF0000}};
    dest->DrawTexturedTriangles(nullptr, &tri, 1, Rect(0, 0, 8, 8), Color::White, 0, 0, 0, true);
    // Half red over opaque blue: the normal blend.
    EXPECT_EQ(dest->mBits[9], 0xFF7F007Fu);

    // A strip of four: two triangles filling a square, second one rewound.
    ImagePtr square = Blank(4, 4, 0xFF000000);
    TriVertex strip[4] = {{-0.5f, -0.5f, 0, 0, 0xFF00FF00},
                          {3.5f, -0.5f, 0, 0, 0xFF00FF00},
                          {-0.5f, 3.5f, 0, 0, 0xFF00FF00},
                          {3.5f, 3.5f, 0, 0, 0xFF00FF00}};
    DrawTriangleSoftware(Color::White, Rect(0, 0, 4, 4), strip, 4, nullptr, square->mBits, 16, PIXELFORM_8888,
                         false, true);
    int green = 0;
    for (int i = 0; i < 16; i++)
        green += square->mBits[i] == 0xFF00FF00u;
    EXPECT_EQ(green, 16); // both triangles reach past the clip's last pixels
}

TEST(Triangles, TextureCoordinatesFarOutsideAreHeldAtTheEdge)
{
    ImagePtr texture = Checker(4, 4);
    ImagePtr dest = Blank(8, 8, 0xFF000000);
    TriVertex tri[3] = {
        {0, 0, 1e9f, -1e9f, 0xFFFFFFFF}, {16, 0, 1e9f, -1e9f, 0xFFFFFFFF}, {0, 16, 1e9f, -1e9f, 0xFFFFFFFF}};
    dest->DrawTexturedTriangles(texture.get(), &tri, 1, Rect(0, 0, 8, 8), Color::White, 0, 0, 0, false);
    // u beyond the right edge and v above the top sample the top-right texel.
    EXPECT_EQ(dest->mBits[9], texture->mBits[3]);
}
