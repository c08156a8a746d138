#pragma once

#include "graphics/Color.h"
#include "graphics/LumoMatrix3.h"
#include "graphics/Rect.h"

#include <vector>

namespace Lumo
{

enum
{
    DRAWMODE_NORMAL = 0,
    DRAWMODE_ADDITIVE = 1
};

// Animation-cell data the game attaches to loaded pictures; the framework only carries it.
struct AnimationInfo
{
    int mAnimType = 0;
    int mFrameDelay = 0;
    int mBeginDelay = 0;
    std::vector<int> mPerFrameDelay;
    std::vector<int> mFrameMap;
    int mTotalAnimTime = 0;
};

// A span of FillSpans: one row segment.
struct Span
{
    int mY;
    int mX;
    int mWidth;
};

class MemoryImage;
class DDImage;

// The abstract picture: size, cell layout and the drawing operations that
// derived pictures implement.
class Image
{
public:
    int mWidth = 0;
    int mHeight = 0;
    int mNumRows = 1;
    int mNumCols = 1;
    AnimationInfo* mAnimInfo = nullptr;

    // Stands in wherever a drawing context has no destination.
    static Image& Empty();

    Image() = default;
    Image(const Image& other);
    Image& operator=(const Image&) = delete;
    virtual ~Image();

    int GetWidth() const { return mWidth; }
    int GetHeight() const { return mHeight; }
    // What the picture is, known without a type search on every draw (null when it is not).
    virtual MemoryImage* AsMemoryImage() { return nullptr; }
    virtual DDImage* AsSurfaceImage() { return nullptr; }
    void CopyFrameLayout(const Image& from);

    virtual bool FillPoly(const void* points, int count, const Rect& clip, const Color& color, int drawMode);
    virtual void FillRect(const Rect& rect, const Color& color, int drawMode) {}
    virtual void DrawRect(const Rect& rect, const Color& color, int drawMode);
    virtual void ClearRect(const Rect& rect) {}
    virtual void DrawLine(double startX, double startY, double endX, double endY, const Color& color,
                          int drawMode)
    {
    }
    virtual void FillSpans(const Span* spans, int count, const Color& color, int drawMode);
    virtual void Blt(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode) {}
    virtual void BltFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip,
                          const Color& color, int drawMode)
    {
    }
    virtual void BltRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip,
                            const Color& color, int drawMode, double angle, float centerX, float centerY)
    {
    }
    virtual void StretchBlt(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                            const Color& color, int drawMode, bool fastStretch)
    {
    }
    virtual void BltMatrix(Image* src, float x, float y, const LumoMatrix3& matrix, const Rect& clip,
                           const Color& color, int drawMode, const Rect& srcRect, bool blend)
    {
    }
    virtual void DrawTexturedTriangles(Image* texture, const TriVertex (*vertices)[3], int count,
                                       const Rect& clip, const Color& color, int drawMode, float tx, float ty,
                                       bool blend)
    {
    }
    virtual void BltMirrored(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode)
    {
    }
    virtual void StretchBltMirrored(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                                    const Color& color, int drawMode, bool fastStretch)
    {
    }
};

// The same for a picture that may be null.
inline MemoryImage* MemoryImageOf(Image* image)
{
    return image != nullptr ? image->AsMemoryImage() : nullptr;
}
inline DDImage* SurfaceImageOf(Image* image)
{
    return image != nullptr ? image->AsSurfaceImage() : nullptr;
}

} // namespace Lumo
