// Text from outline fonts through FreeType: glyph bitmaps for the bitmap
// fonts, and words drawn straight into pictures.
#pragma once

#include "tools/assetgen/Canvas.h"

#include <string>
#include <vector>

namespace AssetGen
{

struct GlyphBitmap
{
    int width = 0, height = 0;
    int left = 0, top = 0; // from the pen position: right, and up from the baseline
    int advance = 0;       // whole pixels
    std::vector<uint8_t> coverage;
};

class Face
{
public:
    // `embolden` widens the outlines by that fraction of the size.
    Face(const std::string& path, float embolden = 0.0f);
    ~Face();
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;

    void SetSize(float pixels);
    float Size() const { return mSize; }
    GlyphBitmap Render(unsigned char c);
    int Kerning(unsigned char left, unsigned char right);

    float TextWidth(const std::string& text);
    enum Align
    {
        Left,
        Centre,
        Right
    };
    // Draws text with its baseline at y.
    void Draw(Canvas& canvas, float x, float y, const std::string& text, const RGBA& colour,
              Align align = Left);
    // Wraps words to `width`; returns the baseline below the last line.
    float Paragraph(Canvas& canvas, float x, float y, float width, float lineHeight, const std::string& text,
                    const RGBA& colour);

private:
    struct Impl;
    Impl* mImpl;
    float mSize = 0;
    float mEmbolden;
};

} // namespace AssetGen
