#include "graphics/Image.h"

#include <new>

namespace Lumo
{

namespace
{
AnimationInfo* CopyInfo(const AnimationInfo* info)
{
    if (info == nullptr)
        return nullptr;
    return new (std::nothrow) AnimationInfo(*info);
}
} // namespace

Image& Image::Empty()
{
    static Image empty;
    return empty;
}

Image::Image(const Image& other)
    : mWidth(other.mWidth), mHeight(other.mHeight), mNumRows(other.mNumRows), mNumCols(other.mNumCols),
      mAnimInfo(CopyInfo(other.mAnimInfo))
{
}

Image::~Image()
{
    delete mAnimInfo;
}

void Image::CopyFrameLayout(const Image& from)
{
    if (&from == this)
        return;
    mNumRows = from.mNumRows;
    mNumCols = from.mNumCols;
    delete mAnimInfo;
    mAnimInfo = CopyInfo(from.mAnimInfo);
}

bool Image::FillPoly(const void*, int, const Rect&, const Color&, int)
{
    return false;
}

void Image::DrawRect(const Rect& r, const Color& color, int drawMode)
{
    FillRect(Rect(r.mX, r.mY, r.mWidth + 1, 1), color, drawMode);
    FillRect(Rect(r.mX, r.mY + r.mHeight, r.mWidth + 1, 1), color, drawMode);
    FillRect(Rect(r.mX, r.mY + 1, 1, r.mHeight - 1), color, drawMode);
    FillRect(Rect(r.mX + r.mWidth, r.mY + 1, 1, r.mHeight - 1), color, drawMode);
}

void Image::FillSpans(const Span* spans, int count, const Color& color, int drawMode)
{
    for (int i = 0; i < count; i++)
        FillRect(Rect(spans[i].mX, spans[i].mY, spans[i].mWidth, 1), color, drawMode);
}

} // namespace Lumo
