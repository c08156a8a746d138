#pragma once

namespace Lumo
{

// Rectangle with an exclusive right edge x + width and bottom edge y + height;
// Rect over ints, FRect over doubles for fractional clipping.
template <typename Self, typename T> struct RectOf
{
    T mX = 0;
    T mY = 0;
    T mWidth = 0;
    T mHeight = 0;

    RectOf() = default;
    RectOf(T x, T y, T w, T h) : mX(x), mY(y), mWidth(w), mHeight(h) {}

    // Touching rectangles keep a zero-sized result at the shared edge; only a
    // negative extent collapses to all zero.
    Self Intersection(const Self& other) const
    {
        T left = mX > other.mX ? mX : other.mX;
        T right = mX + mWidth < other.mX + other.mWidth ? mX + mWidth : other.mX + other.mWidth;
        T width = right - left;
        if (width < 0)
            return Self();
        T top = mY > other.mY ? mY : other.mY;
        T bottom = mY + mHeight < other.mY + other.mHeight ? mY + mHeight : other.mY + other.mHeight;
        T height = bottom - top;
        if (height < 0)
            return Self();
        return Self(left, top, width, height);
    }

    bool operator==(const RectOf& o) const
    {
        return mX == o.mX && mY == o.mY && mWidth == o.mWidth && mHeight == o.mHeight;
    }
    bool IsEmpty() const { return mWidth <= 0 || mHeight <= 0; }
};

struct Rect : RectOf<Rect, int>
{
    using RectOf::RectOf;
};

struct FRect : RectOf<FRect, double>
{
    using RectOf::RectOf;
};

} // namespace Lumo
