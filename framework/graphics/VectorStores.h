#pragma once

// Plain stores of whole rows, shared by the memory-picture and surface rows: included
// after a level's vector type (see graphics/VectorSse2.h) and built for that level.
//
// Stores are aligned but the first and the last, four vectors a turn; a copy loads its
// four before it stores any, so that loads stay ahead of stores to the same offset in
// another page (pictures allocated a page apart), which would otherwise wait on them.
// The rows are always built into the loops that call them once per row: a call each
// costs a fill of 200 by 200 pixels a quarter of its time.

// The level files include it before their level's region; the scalar file needs it here.
#include <cstring>

namespace Lumo::Vector
{
namespace
{

#define LUMO_ALWAYS_INLINE [[gnu::always_inline]] inline

// Clears the wider registers' upper halves on every way out of a row, which code built
// for SSE2 calls: left dirty, they make each SSE instruction after the row wait on them
// (g++ leaves them so after a call that passes a vector, as these rows make).
template <class V> struct CleanExit
{
    CleanExit() = default;
    CleanExit(const CleanExit&) = delete;
    CleanExit& operator=(const CleanExit&) = delete;
    ~CleanExit() { V::ZeroUpper(); }
};

// Pixels from d to the next address aligned to a whole vector (1 to V::kPixels).
template <class V> int ToAligned(const uint32_t* d)
{
    constexpr uintptr_t bytes = V::kPixels * sizeof(uint32_t);
    return V::kPixels - int(reinterpret_cast<uintptr_t>(d) % bytes / sizeof(uint32_t));
}

// The pixels as they are, and their bits in a mask (functions for MapRow; a lambda
// would not be built for the level).
template <class V> struct Same
{
    typename V::Reg operator()(typename V::Reg v) const { return v; }
};
template <class V> struct Masked
{
    typename V::Reg mask;
    typename V::Reg operator()(typename V::Reg v) const { return V::And(v, mask); }
};

// d[i] = f(s[i]) for n >= V::kPixels pixels, f a function of a vector of pixels.
template <class V, class F> LUMO_ALWAYS_INLINE void MapRow(uint32_t* d, const uint32_t* s, int n, F f)
{
    constexpr int k = V::kPixels;
    V::Store(d, f(V::Load(s)));
    int i = ToAligned<V>(d);
    for (; i + 4 * k <= n; i += 4 * k)
    {
        typename V::Reg a = V::Load(s + i), b = V::Load(s + i + k), c = V::Load(s + i + 2 * k),
                        e = V::Load(s + i + 3 * k);
        V::Store(d + i, f(a));
        V::Store(d + i + k, f(b));
        V::Store(d + i + 2 * k, f(c));
        V::Store(d + i + 3 * k, f(e));
    }
    for (; i + k <= n; i += k)
        V::Store(d + i, f(V::Load(s + i)));
    V::Store(d + n - k, f(V::Load(s + n - k)));
}

// `kept` where `mask` is set, else `out`. Where a select takes more than a test, vectors
// with no lane set (the most common where the mask marks clear pixels) skip it.
template <class V>
LUMO_ALWAYS_INLINE typename V::Reg KeepWhere(typename V::Mask mask, typename V::Reg kept, typename V::Reg out)
{
    if (V::kSelectInOne || !V::None(mask))
        return V::Select(mask, kept, out);
    return out;
}

// The source pixels from i on of a row (a source for ZipRow).
template <class V> struct Loads
{
    const uint32_t* s;
    typename V::Reg operator()(int i) const { return V::Load(s + i); }
};

// d[i] = f(d[i], s[i]) for n >= V::kPixels pixels, f a function of vectors of pixels and
// load(i) the vector of s from i on. The first and the last vectors are worked out from
// the pixels as they were, before anything is stored, and stored last: where they overlap
// the vectors between, they give the same pixels.
template <class V, class Load, class F> LUMO_ALWAYS_INLINE void ZipRow(uint32_t* d, Load load, int n, F f)
{
    using Reg = typename V::Reg;
    constexpr int k = V::kPixels;
    Reg first = f(V::Load(d), load(0)), last = f(V::Load(d + n - k), load(n - k));
    int i = ToAligned<V>(d);
    for (; i + 4 * k <= n; i += 4 * k)
    {
        Reg a = V::Load(d + i), b = V::Load(d + i + k), c = V::Load(d + i + 2 * k),
            e = V::Load(d + i + 3 * k);
        Reg sa = load(i), sb = load(i + k), sc = load(i + 2 * k), se = load(i + 3 * k);
        V::Store(d + i, f(a, sa));
        V::Store(d + i + k, f(b, sb));
        V::Store(d + i + 2 * k, f(c, sc));
        V::Store(d + i + 3 * k, f(e, se));
    }
    for (; i + k <= n; i += k)
        V::Store(d + i, f(V::Load(d + i), load(i)));
    V::Store(d, first);
    V::Store(d + n - k, last);
}

// Every one of n 32-bit words of d = word by the processor's string store, which writes
// whole cache lines without reading them first: from a few kilobytes on, faster than any
// vector loop (a tenth at 800 by 600 pixels, twice SSE2's speed at 2400 pixels). A template
// of the level, built only where a level's rows are.
template <class V> void StringFill(uint32_t* d, size_t n, uint32_t word)
{
    // The words of a 16-bit surface's row may lie two bytes off their own alignment.
    if (reinterpret_cast<uintptr_t>(d) % 8 != 0)
    {
        std::memcpy(d++, &word, sizeof(word));
        n--;
    }
    if (n % 2 != 0)
        std::memcpy(d + n - 1, &word, sizeof(word));
    size_t pairs = n / 2;
    asm volatile("rep stosq" : "+D"(d), "+c"(pairs) : "a"(word * 0x100000001u) : "memory");
}

// Fills from this many of a level's vectors on go by StringFill.
constexpr int kStringFillFrom = 256;

// n 32-bit words from s to d by the processor's string copy: from a kilobyte on it keeps
// memcpy's speed at every level, where AVX2's vector loop took up to twice SSE2's time on
// pictures that fit the cache.
template <class V> void StringCopy(uint32_t* d, const uint32_t* s, size_t n)
{
    size_t bytes = n * sizeof(uint32_t);
    asm volatile("rep movsb" : "+D"(d), "+S"(s), "+c"(bytes) : : "memory");
}

// Copies from this many pixels on go by StringCopy, where it keeps its speed: with source
// and destination at the same place in their 64-byte lines. Elsewhere it slows on some
// processors, by up to 30 times where the destination lies a few bytes past the source
// within their pages, while a vector loop keeps memory's speed.
constexpr int kStringCopyFrom = 256;
inline bool StringCopyFits(const uint32_t* d, const uint32_t* s)
{
    return (reinterpret_cast<uintptr_t>(d) - reinterpret_cast<uintptr_t>(s)) % 64 == 0;
}

// Every one of n 32-bit words of d = word (any n).
template <class V> LUMO_ALWAYS_INLINE void FillWords(uint32_t* d, int n, uint32_t word)
{
    constexpr int k = V::kPixels;
    if (n >= kStringFillFrom * k)
        return StringFill<V>(d, size_t(n), word);
    typename V::Reg v = V::Splat(word);
    if (n < k)
    {
        if (n > 0)
            V::StorePart(d, v, n);
        return;
    }
    V::Store(d, v);
    int i = ToAligned<V>(d);
    for (; i + 4 * k <= n; i += 4 * k)
    {
        V::Store(d + i, v);
        V::Store(d + i + k, v);
        V::Store(d + i + 2 * k, v);
        V::Store(d + i + 3 * k, v);
    }
    for (; i + k <= n; i += k)
        V::Store(d + i, v);
    V::Store(d + n - k, v);
}

#undef LUMO_ALWAYS_INLINE

} // namespace
} // namespace Lumo::Vector
