#pragma once

#include "graphics/Color.h"
#include "graphics/Rect.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

namespace Lumo
{

class Graphics;

// Metrics and text extents of absurd sizes stop at the ends of int instead of wrapping.
inline int SaturateToInt(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

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
    virtual int GetLineSpacing() { return SaturateToInt(int64_t(GetHeight()) + GetLineSpacingOffset()); }
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
