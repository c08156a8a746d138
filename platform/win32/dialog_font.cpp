// The layer's text through fontconfig and FreeType.
#include "win32/dialog_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

namespace
{
std::mutex gFontconfigLock;
// Look-ups by family: a fontconfig configuration takes long to load, and fonts are made often.
std::map<std::string, std::string> gFoundFiles;

// Sizes beyond these give no readable text, only huge glyph bitmaps.
constexpr int64_t kMinEm26 = 64;
constexpr int64_t kMaxEm26 = 1000 * 64;

std::string FindFontFile(const std::string& family)
{
    std::lock_guard<std::mutex> lock(gFontconfigLock);
    auto found = gFoundFiles.find(family);
    if (found != gFoundFiles.end())
        return found->second;
    // A configuration of our own, dropped after the look-up: nothing of fontconfig stays behind.
    FcConfig* config = FcInitLoadConfigAndFonts();
    // The family as a plain value: a name with ':' or '-' is no pattern syntax here.
    FcPattern* pattern = config ? FcPatternCreate() : nullptr;
    std::string path;
    if (pattern)
    {
        FcPatternAddString(pattern, FC_FAMILY, (const FcChar8*)family.c_str());
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        FcChar8* file = nullptr;
        if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
            path = (const char*)file;
        if (match)
            FcPatternDestroy(match);
        FcPatternDestroy(pattern);
    }
    if (config)
        FcConfigDestroy(config);
    gFoundFiles[family] = path;
    return path;
}

// Characters outside printable ASCII are drawn as '?': the dialogs show names and times.
unsigned long GlyphChar(char c)
{
    unsigned char u = (unsigned char)c;
    return u >= 32 && u < 127 ? u : '?';
}
} // namespace

namespace Platform
{
struct DialogFont::Face
{
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    Metrics metrics;

    ~Face()
    {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
};

DialogFont::DialogFont(const std::string& family, int points)
{
    Open(family, (int64_t)points * 64 * 96 / 72, false);
}

DialogFont::DialogFont(const std::string& family, Pixels size)
{
    Open(family, (int64_t)size.pixels * 64, size.cell);
}

void DialogFont::Open(const std::string& family, int64_t size26, bool cell)
{
    mPath = FindFontFile(family);
    auto face = std::make_unique<Face>();
    if (mPath.empty() || FT_Init_FreeType(&face->library) != 0 ||
        FT_New_Face(face->library, mPath.c_str(), 0, &face->face) != 0)
    {
        std::fprintf(stderr, "fonts: no usable font for \"%s\"; text is not drawn\n", family.c_str());
        mPath.clear();
        return;
    }
    FT_Face f = face->face;
    int64_t em26 = size26;
    // A cell height is shared out between the face's ascender and descender.
    if (cell && FT_IS_SCALABLE(f) && f->ascender - f->descender > 0)
        em26 = size26 * f->units_per_EM / (f->ascender - f->descender);
    em26 = std::clamp(em26, kMinEm26, kMaxEm26);
    if (FT_Set_Char_Size(f, 0, (FT_F26Dot6)em26, 72, 72) != 0)
    {
        std::fprintf(stderr, "fonts: \"%s\" has no size %d; text is not drawn\n", family.c_str(),
                     (int)(em26 >> 6));
        mPath.clear();
        return;
    }
    const FT_Size_Metrics& m = f->size->metrics;
    Metrics& out = face->metrics;
    out.ascent = std::max(0, (int)(m.ascender >> 6));
    out.height = std::max(1, (int)((m.ascender - m.descender) >> 6));
    out.descent = out.height - out.ascent;
    out.emPixels = (int)(em26 >> 6);
    out.maxWidth = (int)(m.max_advance >> 6);
    mFace = std::move(face);
    mFace->metrics.averageWidth = TextWidth("x");
}

DialogFont::~DialogFont() = default;

bool DialogFont::IsOpen() const
{
    return mFace != nullptr;
}

const std::string& DialogFont::Path() const
{
    return mPath;
}

int DialogFont::LineHeight() const
{
    return mFace ? mFace->metrics.height : 13;
}

DialogFont::Metrics DialogFont::GetMetrics() const
{
    return mFace ? mFace->metrics : Metrics{};
}

int DialogFont::TextWidth(const std::string& text) const
{
    if (!mFace)
        return 0;
    long width = 0;
    for (char c : text)
        if (FT_Load_Char(mFace->face, GlyphChar(c), FT_LOAD_DEFAULT) == 0)
            width += mFace->face->glyph->advance.x >> 6;
    return (int)width;
}

void DialogFont::Render(const std::string& text, const Plot& plot) const
{
    if (!mFace)
        return;
    int penX = 0;
    for (char c : text)
    {
        if (FT_Load_Char(mFace->face, GlyphChar(c), FT_LOAD_RENDER) != 0)
            continue;
        FT_GlyphSlot g = mFace->face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        for (unsigned row = 0; row < bm.rows; row++)
        {
            int py = mFace->metrics.ascent - g->bitmap_top + (int)row;
            const unsigned char* src = bm.buffer + (long)row * bm.pitch;
            for (unsigned col = 0; col < bm.width; col++)
                if (src[col] != 0)
                    plot(penX + g->bitmap_left + (int)col, py, src[col]);
        }
        penX += (int)(g->advance.x >> 6);
    }
}

void DialogFont::Draw(SDL_Renderer* renderer, int x, int y, const std::string& text, SDL_Color color) const
{
    int width = TextWidth(text);
    if (!mFace || width <= 0)
        return;
    int height = mFace->metrics.height;
    // The line is rasterised into one coverage surface and drawn as a blended texture.
    SDL_Surface* line = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!line)
        return;
    SDL_FillRect(line, nullptr, 0);
    uint32_t rgb = ((uint32_t)color.r << 16) | ((uint32_t)color.g << 8) | color.b;
    Render(text,
           [&](int px, int py, uint8_t coverage)
           {
               if (px < 0 || px >= width || py < 0 || py >= height)
                   return;
               auto* dst = (uint32_t*)((uint8_t*)line->pixels + py * line->pitch);
               uint32_t alpha = std::max<uint32_t>(dst[px] >> 24, coverage);
               dst[px] = (alpha << 24) | rgb;
           });
    SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, line);
    if (texture)
    {
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
        SDL_Rect to{x, y, width, height};
        SDL_RenderCopy(renderer, texture, nullptr, &to);
        SDL_DestroyTexture(texture);
    }
    SDL_FreeSurface(line);
}
} // namespace Platform
