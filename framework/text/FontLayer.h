// One layer of a bitmap font: a glyph sheet, its character rectangles and
// metrics, a colour treatment and a draw order.
#pragma once

#include "graphics/Color.h"
#include "graphics/Rect.h"
#include "graphics/SharedImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Lumo
{

class FontData;

struct FontPoint
{
    int mX = 0;
    int mY = 0;
};

struct FontCharData
{
    Rect mImageRect;
    FontPoint mOffset;
    // Extra advance when followed by the character of that index.
    int8_t mKerningOffsets[256] = {};
    int mWidth = 0;
    int mOrder = 0;
};

class FontLayer
{
public:
    FontData* mFontData = nullptr;
    std::vector<std::string> mRequiredTags;
    std::vector<std::string> mExcludedTags;
    FontCharData mCharData[256];
    Color mColorMult = Color::White;
    Color mColorAdd = Color(0, 0, 0, 0);
    SharedImageRef mImage;
    int mDrawMode = -1; // -1 keeps the drawing context's mode
    FontPoint mOffset;
    int mSpacing = 0;
    int mMinPointSize = -1;
    int mMaxPointSize = -1;
    int mPointSize = 0;
    int mAscent = 0;
    int mAscentPadding = 0;
    int mHeight = 0;
    int mDefaultHeight = 0;
    int mLineSpacingOffset = 0;
    int mBaseOrder = 0;

    explicit FontLayer(FontData* fontData = nullptr) : mFontData(fontData) {}
};

} // namespace Lumo
