#include "graphics/Color.h"
#include "graphics/Font.h"
#include "graphics/Image.h"
#include "graphics/NativeDisplay.h"
#include "graphics/Rect.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Lumo;

TEST(Color, PackedValues)
{
    struct Case
    {
        int argb;
        int r, g, b, a;
    } cases[] = {
        {0x00000000, 0, 0, 0, 255},          {int(0x80FF0000), 255, 0, 0, 128},
        {0x00123456, 0x12, 0x34, 0x56, 255}, {int(0xFF123456), 0x12, 0x34, 0x56, 255},
        {0x01FFFFFF, 255, 255, 255, 1},
    };
    for (const Case& c : cases)
    {
        Color color(c.argb);
        EXPECT_EQ(color.GetRed(), c.r);
        EXPECT_EQ(color.GetGreen(), c.g);
        EXPECT_EQ(color.GetBlue(), c.b);
        EXPECT_EQ(color.GetAlpha(), c.a) << std::hex << c.argb;
    }
}

TEST(Color, ConstructorsAndComparison)
{
    EXPECT_EQ(Color().ToARGB(), 0xFF000000u);
    EXPECT_EQ(Color(1, 2, 3, 4).ToARGB(), 0x04010203u);
    EXPECT_EQ(Color(1, 2, 3).GetAlpha(), 255);
    const int rgb[3] = {7, 8, 9};
    EXPECT_EQ(Color(rgb).ToARGB(), 0xFF070809u);
    EXPECT_TRUE(Color(255, 255, 255).IsWhite());
    EXPECT_FALSE(Color(255, 255, 255, 128).IsWhite());
    EXPECT_FALSE(Color(255, 255, 255, 254).IsWhite());
    EXPECT_TRUE(Color::White.IsWhite());
    EXPECT_EQ(Color::Black.ToARGB(), 0xFF000000u);
    EXPECT_TRUE(Color(1, 2, 3, 4) != Color(1, 2, 3, 5));
    EXPECT_FALSE(Color(1, 2, 3, 4) != Color(1, 2, 3, 4));
    // Alpha 0 does not survive a round trip through the packed form.
    Color clear(10, 20, 30, 0);
    EXPECT_EQ(Color(int(clear.ToARGB())).GetAlpha(), 255);
}

template <typename R> void CheckIntersections()
{
    struct Case
    {
        R a, b, expected;
    } cases[] = {
        {R(0, 0, 10, 10), R(10, 0, 5, 5), R(10, 0, 0, 5)},
        {R(0, 0, 10, 10), R(11, 0, 5, 5), R(0, 0, 0, 0)},
        {R(5, 5, 10, 10), R(0, 0, 8, 20), R(5, 5, 3, 10)},
        {R(0, 0, 10, 10), R(2, 10, 3, 3), R(2, 10, 3, 0)},
        {R(0, 0, 10, 10), R(2, 11, 3, 3), R(0, 0, 0, 0)},
        {R(-5, -5, 10, 10), R(0, 0, 100, 100), R(0, 0, 5, 5)},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.a.Intersection(c.b), c.expected);
        EXPECT_EQ(c.b.Intersection(c.a), c.expected);
    }
}

TEST(Rect, Intersection)
{
    CheckIntersections<Rect>();
    CheckIntersections<FRect>();
    FRect half = FRect(0.5, 0.5, 2.0, 2.0).Intersection(FRect(1.25, 0, 10, 10));
    EXPECT_DOUBLE_EQ(half.mX, 1.25);
    EXPECT_DOUBLE_EQ(half.mWidth, 1.25);
}

namespace
{
// Records the fills that the base outline and span operations make.
class FillRecorder : public Image
{
public:
    std::vector<Rect> mFills;
    void FillRect(const Rect& r, const Color&, int) override { mFills.push_back(r); }
};

class FixedFont : public Font
{
public:
    Font* Duplicate() override { return new FixedFont(*this); }
};
} // namespace

TEST(Image, DefaultsAndCopies)
{
    Image image;
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetHeight(), 0);
    EXPECT_EQ(image.mNumRows, 1);
    EXPECT_EQ(image.mNumCols, 1);
    EXPECT_EQ(image.mAnimInfo, nullptr);
    EXPECT_FALSE(image.FillPoly(nullptr, 0, Rect(), Color(), 0));

    auto* first = new Image;
    first->mWidth = 4;
    first->mNumCols = 3;
    first->mAnimInfo = new AnimationInfo;
    first->mAnimInfo->mFrameMap = {1, 2, 3};
    Image copy(*first);
    delete first;
    ASSERT_NE(copy.mAnimInfo, nullptr);
    EXPECT_EQ(copy.mAnimInfo->mFrameMap, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(copy.mWidth, 4);

    Image other;
    other.CopyFrameLayout(copy);
    EXPECT_EQ(other.mNumCols, 3);
    ASSERT_NE(other.mAnimInfo, nullptr);
    EXPECT_NE(other.mAnimInfo, copy.mAnimInfo);
    other.CopyFrameLayout(Image());
    EXPECT_EQ(other.mAnimInfo, nullptr);
}

TEST(Image, OutlineAndSpansAreFills)
{
    FillRecorder image;
    image.DrawRect(Rect(10, 20, 5, 3), Color(), 0);
    EXPECT_EQ(image.mFills, (std::vector<Rect>{Rect(10, 20, 6, 1), Rect(10, 23, 6, 1), Rect(10, 21, 1, 2),
                                               Rect(15, 21, 1, 2)}));
    image.mFills.clear();
    image.DrawRect(Rect(0, 0, 4, 0), Color(), 0);
    EXPECT_EQ(image.mFills,
              (std::vector<Rect>{Rect(0, 0, 5, 1), Rect(0, 0, 5, 1), Rect(0, 1, 1, -1), Rect(4, 1, 1, -1)}));
    image.mFills.clear();
    const Span spans[2] = {{3, 1, 4}, {4, 2, 5}};
    image.FillSpans(spans, 0, Color(), 0);
    EXPECT_TRUE(image.mFills.empty());
    image.FillSpans(spans, 2, Color(), 0);
    EXPECT_EQ(image.mFills, (std::vector<Rect>{Rect(1, 3, 4, 1), Rect(2, 4, 5, 1)}));
}

TEST(Font, BaseMetrics)
{
    FixedFont font;
    EXPECT_EQ(font.GetAscent(), 0);
    EXPECT_EQ(font.GetHeight(), 0);
    EXPECT_EQ(font.GetLineSpacing(), 0);
    EXPECT_EQ(font.StringWidth("abc"), 0);
    font.mAscent = 12;
    font.mHeight = 16;
    font.mLineSpacingOffset = -2;
    EXPECT_EQ(font.GetDescent(), 4);
    EXPECT_EQ(font.GetLineSpacing(), 14);
    Font* copy = font.Duplicate();
    EXPECT_EQ(copy->GetAscent(), 12);
    delete copy;
}

TEST(NativeDisplay, FormatsFromMasks)
{
    NativeDisplay d;
    d.SetFormat(16, 0xF800, 0x07E0, 0x001F);
    EXPECT_EQ(d.mRedBits, 5);
    EXPECT_EQ(d.mGreenBits, 6);
    EXPECT_EQ(d.mBlueBits, 5);
    EXPECT_EQ(d.mRedShift, 11);
    EXPECT_EQ(d.mGreenShift, 5);
    EXPECT_EQ(d.mBlueShift, 0);
    const NativeDisplay& d32 = NativeDisplay::Default32();
    EXPECT_EQ(d32.mRedBits, 8);
    EXPECT_EQ(d32.mRedShift, 16);
    EXPECT_EQ(d32.mGreenShift, 8);
}
