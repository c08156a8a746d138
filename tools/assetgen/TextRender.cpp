#include "tools/assetgen/TextRender.h"
#include "tools/assetgen/Writers.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>
#include <sstream>

namespace AssetGen
{

struct Face::Impl
{
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

Face::Face(const std::string& path, float embolden) : mImpl(new Impl), mEmbolden(embolden)
{
    if (FT_Init_FreeType(&mImpl->library) != 0)
        Fail("FreeType did not start");
    if (FT_New_Face(mImpl->library, path.c_str(), 0, &mImpl->face) != 0)
        Fail("cannot open the font " + path);
}

Face::~Face()
{
    FT_Done_Face(mImpl->face);
    FT_Done_FreeType(mImpl->library);
    delete mImpl;
}

void Face::SetSize(float pixels)
{
    mSize = pixels;
    FT_Set_Char_Size(mImpl->face, 0, FT_F26Dot6(std::lround(pixels * 64)), 72, 72);
}

GlyphBitmap Face::Render(unsigned char c)
{
    GlyphBitmap out;
    FT_UInt index = FT_Get_Char_Index(mImpl->face, c);
    if (FT_Load_Glyph(mImpl->face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
        Fail(std::string("cannot load the glyph ") + char(c));
    FT_GlyphSlot slot = mImpl->face->glyph;
    FT_Pos strength = FT_Pos(std::lround(mSize * mEmbolden * 64));
    if (strength > 0 && slot->format == FT_GLYPH_FORMAT_OUTLINE)
        FT_Outline_Embolden(&slot->outline, strength);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        Fail(std::string("cannot render the glyph ") + char(c));
    out.width = int(slot->bitmap.width);
    out.height = int(slot->bitmap.rows);
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.advance = int(std::lround((slot->advance.x + strength) / 64.0));
    out.coverage.resize(size_t(out.width) * out.height);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.coverage[size_t(y) * out.width + x] = slot->bitmap.buffer[y * slot->bitmap.pitch + x];
    return out;
}

int Face::Kerning(unsigned char left, unsigned char right)
{
    if (!FT_HAS_KERNING(mImpl->face))
        return 0;
    FT_Vector k;
    FT_Get_Kerning(mImpl->face, FT_Get_Char_Index(mImpl->face, left), FT_Get_Char_Index(mImpl->face, right),
                   FT_KERNING_DEFAULT, &k);
    return int(std::lround(k.x / 64.0));
}

float Face::TextWidth(const std::string& text)
{
    float w = 0;
    for (size_t i = 0; i < text.size(); ++i)
    {
        w += Render(static_cast<unsigned char>(text[i])).advance;
        if (i + 1 < text.size())
            w += Kerning(static_cast<unsigned char>(text[i]), static_cast<unsigned char>(text[i + 1]));
    }
    return w;
}

void Face::Draw(Canvas& canvas, float x, float y, const std::string& text, const RGBA& colour, Align align)
{
    if (align != Left)
        x -= TextWidth(text) * (align == Centre ? 0.5f : 1.0f);
    int pen = int(std::lround(x));
    int base = int(std::lround(y));
    for (size_t i = 0; i < text.size(); ++i)
    {
        unsigned char c = static_cast<unsigned char>(text[i]);
        GlyphBitmap g = Render(c);
        for (int j = 0; j < g.height; ++j)
            for (int k = 0; k < g.width; ++k)
            {
                uint8_t cov = g.coverage[size_t(j) * g.width + k];
                if (cov)
                    canvas.Blend(pen + g.left + k, base - g.top + j, colour, cov / 255.0f);
            }
        pen += g.advance;
        if (i + 1 < text.size())
            pen += Kerning(c, static_cast<unsigned char>(text[i + 1]));
    }
}

float Face::Paragraph(Canvas& canvas, float x, float y, float width, float lineHeight,
                      const std::string& text, const RGBA& colour)
{
    std::istringstream words(text);
    std::string word, line;
    auto flush = [&]()
    {
        if (!line.empty())
        {
            Draw(canvas, x, y, line, colour);
            y += lineHeight;
            line.clear();
        }
    };
    while (words >> word)
    {
        std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && TextWidth(candidate) > width)
        {
            flush();
            candidate = word;
        }
        line = candidate;
    }
    flush();
    return y;
}

} // namespace AssetGen
