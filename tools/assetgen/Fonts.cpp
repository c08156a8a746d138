// The three bitmap fonts: white glyph sheets with alpha and their descriptor files.
#include "tools/assetgen/Assets.h"
#include "tools/assetgen/TextRender.h"
#include "tools/assetgen/Writers.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace AssetGen
{

namespace
{
// A character as a quoted descriptor token.
std::string Quoted(char c)
{
    if (c == '\'')
        return "\"'\"";
    if (c == '\\')
        return "'\\\\'";
    return std::string("'") + c + "'";
}

struct Placed
{
    char c;
    GlyphBitmap glyph;
    int x = 0, y = 0;
};

void MakeFont(const std::string& root, const std::string& fontFile, int size)
{
    const std::string name = "MonotypeCorsiva" + std::to_string(size) + "Bold";
    Face face(fontFile, 0.025f);
    // The face is small on its body; a larger pixel size keeps it legible at the game's sizes.
    face.SetSize(size * 1.3f);

    std::vector<Placed> glyphs;
    const int sheetWidth = size >= 20 ? 512 : 256;
    int x = 1, y = 1, rowHeight = 0;
    for (int c = 32; c < 127; ++c)
    {
        Placed p;
        p.c = char(c);
        p.glyph = face.Render(static_cast<unsigned char>(c));
        if (p.glyph.width > 0)
        {
            if (x + p.glyph.width + 1 > sheetWidth)
            {
                x = 1;
                y += rowHeight + 1;
                rowHeight = 0;
            }
            p.x = x;
            p.y = y;
            x += p.glyph.width + 1;
            rowHeight = std::max(rowHeight, p.glyph.height);
        }
        glyphs.push_back(p);
    }
    int sheetHeight = y + rowHeight + 1;

    Canvas sheet(sheetWidth, sheetHeight);
    for (const Placed& p : glyphs)
        for (int j = 0; j < p.glyph.height; ++j)
            for (int i = 0; i < p.glyph.width; ++i)
                sheet.At(p.x + i, p.y + j) = {1, 1, 1,
                                              p.glyph.coverage[size_t(j) * p.glyph.width + i] / 255.0f};
    SavePicture(root, "fonts/" + name, sheet, Format::Png);

    // The ascent is the tallest glyph's top, so every glyph starts at or below the line's top
    // and the height the font works out (the lowest glyph bottom) exceeds the ascent.
    int ascent = 0;
    for (const Placed& p : glyphs)
        ascent = std::max(ascent, p.glyph.top);
    std::ostringstream d;
    d << "# " << name << ": TeX Gyre Chorus at " << size << " points, white glyphs with alpha.\n"
      << "# Written by tools/make_assets.sh; edit the generator, not this file.\n"
      << "SetDefaultPointSize " << size << ";\n"
      << "CreateLayer Main;\n"
      << "LayerSetImage Main '" << name << ".png';\n"
      << "LayerSetPointSize Main " << size << ";\n"
      << "LayerSetAscent Main " << ascent << ";\n"
      << "LayerSetLineSpacingOffset Main 0;\n";

    std::ostringstream all, inked, widths, rects, offsets;
    for (const Placed& p : glyphs)
    {
        all << ' ' << Quoted(p.c);
        widths << ' ' << p.glyph.advance;
        if (p.glyph.width == 0)
            continue;
        inked << ' ' << Quoted(p.c);
        rects << "\n  (" << p.x << ' ' << p.y << ' ' << p.glyph.width << ' ' << p.glyph.height << ')';
        offsets << "\n  (" << p.glyph.left << ' ' << (ascent - p.glyph.top) << ')';
    }
    d << "Define AllChars (" << all.str() << ");\n"
      << "Define InkedChars (" << inked.str() << ");\n"
      << "LayerSetCharWidths Main AllChars (" << widths.str() << ");\n"
      << "LayerSetImageMap Main InkedChars (" << rects.str() << ");\n"
      << "LayerSetCharOffsets Main InkedChars (" << offsets.str() << ");\n";

    std::ostringstream pairs, amounts;
    for (int a = 33; a < 127; ++a)
        for (int b = 33; b < 127; ++b)
        {
            if (a == '\'' || a == '"' || a == '\\' || b == '\'' || b == '"' || b == '\\')
                continue;
            int k = face.Kerning(static_cast<unsigned char>(a), static_cast<unsigned char>(b));
            if (k != 0 && k > -128 && k < 128)
            {
                pairs << " '" << char(a) << char(b) << "'";
                amounts << ' ' << k;
            }
        }
    if (!pairs.str().empty())
        d << "LayerSetKerningPairs Main (" << pairs.str() << ") (" << amounts.str() << ");\n";

    std::string path = root + "/fonts/" + name + ".txt";
    MakeParentDirs(path);
    std::ofstream out(path, std::ios::binary);
    out << d.str();
    if (!out)
        Fail("cannot write " + path);
}
} // namespace

void MakeFonts(const std::string& root, const std::string& fontFile)
{
    for (int size : {20, 14, 10})
        MakeFont(root, fontFile, size);
}

} // namespace AssetGen
