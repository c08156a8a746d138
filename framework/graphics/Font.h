#pragma once

#include "graphics/Color.h"
#include "graphics/Rect.h"

#include <string>

namespace Lumo
{

class Graphics;

// The abstract font: line metrics, measuring and drawing of byte strings.
class Font
{
public:
    int mAscent = 0;
    int mAscentPadding = 0;
    int mHeight = 0;
    int mLineSpacingOffset = 0;

    Font() = default;
    Font(const Font& other) = default;
    Font& operator=(const Font&) = delete;
    virtual ~Font() = default;

    virtual int GetAscent() { return mAscent; }
    virtual int GetAscentPadding() { return mAscentPadding; }
    virtual int GetDescent() { return GetHeight() - GetAscent(); }
    virtual int GetHeight() { return mHeight; }
    virtual int GetLineSpacingOffset() { return mLineSpacingOffset; }
    virtual int GetLineSpacing() { return GetHeight() + GetLineSpacingOffset(); }
    virtual int StringWidth(const std::string& text) { return 0; }
    virtual int CharWidth(char c) { return StringWidth(std::string(1, c)); }
    virtual int CharWidthAfter(char c, char previous) { return CharWidth(c); }
    virtual void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
                            const Rect& clip)
    {
    }
    virtual Font* Duplicate() = 0;
};

} // namespace Lumo
