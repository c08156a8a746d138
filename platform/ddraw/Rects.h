// Rectangle arithmetic of the layer: half-open, right and bottom excluded.
#pragma once

#include "win32/types.h"

#include <SDL_rect.h>

#include <algorithm>

namespace DDraw
{
inline bool Empty(const RECT& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

inline bool Inside(const RECT& r, const RECT& bounds)
{
    return r.left >= bounds.left && r.top >= bounds.top && r.right <= bounds.right &&
           r.bottom <= bounds.bottom;
}

inline RECT Intersect(const RECT& a, const RECT& b)
{
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

inline bool Overlaps(const RECT& a, const RECT& b)
{
    return !Empty(a) && !Empty(b) && !Empty(Intersect(a, b));
}

// The smallest rectangle holding both; an empty one adds nothing.
inline RECT Bound(const RECT& a, const RECT& b)
{
    if (Empty(a))
        return b;
    if (Empty(b))
        return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

inline SDL_Rect ToSdl(const RECT& r)
{
    return SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

inline uint64_t Area(const RECT& r)
{
    return Empty(r) ? 0 : (uint64_t)(r.right - r.left) * (uint64_t)(r.bottom - r.top);
}

// What is left of `r` once `cut` is taken away, when that is a rectangle; else `r` whole.
inline RECT Remove(const RECT& r, const RECT& cut)
{
    if (!Overlaps(r, cut))
        return r;
    if (Inside(r, cut))
        return RECT{};
    bool spansWidth = cut.left <= r.left && cut.right >= r.right;
    bool spansHeight = cut.top <= r.top && cut.bottom >= r.bottom;
    if (spansWidth && cut.top <= r.top)
        return RECT{r.left, cut.bottom, r.right, r.bottom};
    if (spansWidth && cut.bottom >= r.bottom)
        return RECT{r.left, r.top, r.right, cut.top};
    if (spansHeight && cut.left <= r.left)
        return RECT{cut.right, r.top, r.right, r.bottom};
    if (spansHeight && cut.right >= r.right)
        return RECT{r.left, r.top, cut.left, r.bottom};
    return r;
}
} // namespace DDraw
