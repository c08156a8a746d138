// Dialog text through fontconfig and FreeType.
#include "win32/dialog_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

namespace
{
std::mutex gFontconfigLock;

std::string FindFontFile(const std::string& family)
{
    std::lock_guard<std::mutex> lock(gFontconfigLock);
    // A configuration of our own, dropped after the look-up: nothing of fontconfig stays behind.
    FcConfig* config = FcInitLoadConfigAndFonts();
    FcPattern* pattern = config ? FcNameParse((const FcChar8*)family.c_str()) : nullptr;
    std::string path;
    if (pattern)
    {
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
    int ascent = 0;
    int height = 0;

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
    mPath = FindFontFile(family);
    auto face = std::make_unique<Face>();
    if (mPath.empty() || FT_Init_FreeType(&face->library) != 0 ||
        FT_New_Face(face->library, mPath.c_str(), 0, &face->face) != 0 ||
        FT_Set_Char_Size(face->face, 0, points * 64, 96, 96) != 0)
    {
        std::fprintf(stderr, "dialogs: no usable font for \"%s\"; text is not drawn\n", family.c_str());
        mPath.clear();
        return;
    }
    const FT_Size_Metrics& m = face->face->size->metrics;
    face->ascent = (int)(m.ascender >> 6);
    face->height = std::max(1, (int)((m.ascender - m.descender) >> 6));
    mFace = std::move(face);
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
    return mFace ? mFace->height : 13;
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

void DialogFont::Draw(SDL_Renderer* renderer, int x, int y, const std::string& text, SDL_Color color) const
{
    int width = TextWidth(text);
    if (!mFace || width <= 0)
        return;
    int height = mFace->height;
    // The line is rasterised into one coverage surface and drawn as a blended texture.
    SDL_Surface* line = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!line)
        return;
    SDL_FillRect(line, nullptr, 0);
    uint32_t rgb = ((uint32_t)color.r << 16) | ((uint32_t)color.g << 8) | color.b;
    int penX = 0;
    for (char c : text)
    {
        if (FT_Load_Char(mFace->face, GlyphChar(c), FT_LOAD_RENDER) != 0)
            continue;
        FT_GlyphSlot g = mFace->face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        for (unsigned row = 0; row < bm.rows; row++)
        {
            int py = mFace->ascent - g->bitmap_top + (int)row;
            if (py < 0 || py >= height)
                continue;
            auto* dst = (uint32_t*)((uint8_t*)line->pixels + py * line->pitch);
            const unsigned char* src = bm.buffer + (long)row * bm.pitch;
            for (unsigned col = 0; col < bm.width; col++)
            {
                int px = penX + g->bitmap_left + (int)col;
                if (px < 0 || px >= width)
                    continue;
                uint32_t alpha = std::max<uint32_t>(dst[px] >> 24, src[col]);
                dst[px] = (alpha << 24) | rgb;
            }
        }
        penX += (int)(g->advance.x >> 6);
    }
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
