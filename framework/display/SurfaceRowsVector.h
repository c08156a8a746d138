// The surface rows written once for every instruction-set level, over a vector of
// N pixels, one per 32-bit lane (16-bit pixels are widened on load). A level's file
// includes this after LUMO_TARGET_BEGIN and gives its operations (see
// SurfaceRowsSse2.cpp): everything here is private to that file and built for it. The
// standard headers it needs (<cstring>) come before, outside the level's region.
//
// Every channel is worked on as its value: blue and red side by side in the two
// 16-bit halves of a lane, green alone. All products of a channel and a weight fit
// in 16 bits, or only their bits 8..15 are kept, which 16-bit wrapping leaves exact;
// sums across channels are 32-bit, as in the reference.
#include "display/SurfaceRows.h"

namespace Lumo::Surface
{
namespace
{

// 0xRRGGBB in 32 bits.
struct Layout888
{
    using Pixel = uint32_t;
    static constexpr uint32_t kColorMask = 0xFFFFFF;
    static constexpr uint32_t kMaxBlueRed = 0x00FF00FF, kMaxGreen = 0xFF;
    static constexpr int kRedShift = 16, kGreenShift = 8;
    static constexpr bool kByteChannels = true;

    template <typename O> static typename O::V BlueRed(typename O::V x)
    {
        return O::And(x, O::Set(0x00FF00FF));
    }
    template <typename O> static typename O::V Green(typename O::V x)
    {
        return O::And(O::template Srli32<8>(x), O::Set(0xFF));
    }
    template <typename O> static typename O::V Combine(typename O::V blueRed, typename O::V green)
    {
        return O::Or(blueRed, O::template Slli32<8>(green));
    }
};

// 16 bits: red of 5 bits at kRedShift, green of kGreenBits at 5, blue of 5 at 0.
template <int kRed, int kGreenBits> struct Layout16
{
    static constexpr int kRedShift = kRed;
    using Pixel = uint16_t;
    static constexpr uint32_t kMaxGreen = (1u << kGreenBits) - 1, kRedMask = 31u << kRedShift;
    static constexpr uint32_t kColorMask = kRedMask | kMaxGreen << 5 | 31u;
    static constexpr uint32_t kMaxBlueRed = 31u | 31u << 16;
    static constexpr int kGreenShift = 5;
    static constexpr bool kByteChannels = false;

    template <typename O> static typename O::V BlueRed(typename O::V x)
    {
        return O::Or(O::And(x, O::Set(31)), O::template Slli32<16 - kRedShift>(O::And(x, O::Set(kRedMask))));
    }
    template <typename O> static typename O::V Green(typename O::V x)
    {
        return O::And(O::template Srli32<5>(x), O::Set(kMaxGreen));
    }
    template <typename O> static typename O::V Combine(typename O::V blueRed, typename O::V green)
    {
        typename O::V red = O::template Srli32<16 - kRedShift>(O::And(blueRed, O::Set(31u << 16)));
        return O::Or(O::Or(O::And(blueRed, O::Set(31)), red), O::template Slli32<5>(green));
    }
};

using Layout565 = Layout16<11, 6>;
using Layout555 = Layout16<10, 5>;

template <typename O, typename L> typename O::V LoadPixels(const typename L::Pixel* d)
{
    if constexpr (sizeof(typename L::Pixel) == 4)
        return O::Load(d);
    else
        return O::Load16(d);
}

template <typename O, typename L> void StorePixels(typename L::Pixel* d, typename O::V v)
{
    if constexpr (sizeof(typename L::Pixel) == 4)
        O::Store(d, v);
    else
        O::Store16(d, v);
}

// A weight of at most 256 in both halves of every lane.
template <typename O> typename O::V BothHalves(typename O::V w)
{
    return O::Or(w, O::template Slli32<16>(w));
}

// Each channel (v * weight + round) >> 8, kept in place; the round is the channel's
// maximum at 16 bits (fills) or 0. The results stay within the channels.
template <typename O, typename L, bool kRound> typename O::V Scaled(typename O::V x, typename O::V weight2)
{
    using V = typename O::V;
    V blueRed = O::Mullo16(L::template BlueRed<O>(x), weight2);
    V green = O::Mullo16(L::template Green<O>(x), weight2);
    if constexpr (kRound && !L::kByteChannels)
    {
        blueRed = O::Add16(blueRed, O::Set(L::kMaxBlueRed));
        green = O::Add16(green, O::Set(L::kMaxGreen));
    }
    return L::template Combine<O>(O::template Srli16<8>(blueRed), O::template Srli16<8>(green));
}

// Each channel ((d * inv + s * mod) >> 8) AND its maximum.
template <typename O, typename L>
typename O::V Mixed(typename O::V d, typename O::V inv2, typename O::V s, typename O::V modBlueRed,
                    typename O::V modGreen)
{
    using V = typename O::V;
    V blueRed = O::Add16(O::Mullo16(L::template BlueRed<O>(d), inv2),
                         O::Mullo16(L::template BlueRed<O>(s), modBlueRed));
    V green =
        O::Add16(O::Mullo16(L::template Green<O>(d), inv2), O::Mullo16(L::template Green<O>(s), modGreen));
    blueRed = O::And(O::template Srli16<8>(blueRed), O::Set(L::kMaxBlueRed));
    green = O::And(O::template Srli16<8>(green), O::Set(L::kMaxGreen));
    return L::template Combine<O>(blueRed, green);
}

// Each channel of the source scaled by mod, >> 8.
template <typename O, typename L>
typename O::V Modulated(typename O::V s, typename O::V modBlueRed, typename O::V modGreen)
{
    return L::template Combine<O>(O::template Srli16<8>(O::Mullo16(L::template BlueRed<O>(s), modBlueRed)),
                                  O::template Srli16<8>(O::Mullo16(L::template Green<O>(s), modGreen)));
}

// Each channel min(d + s, its maximum).
template <typename O, typename L> typename O::V Saturated(typename O::V d, typename O::V s)
{
    using V = typename O::V;
    if constexpr (L::kByteChannels)
        return O::And(O::AddsU8(d, s), O::Set(L::kColorMask));
    else
    {
        V blueRed =
            O::Min16(O::Add16(L::template BlueRed<O>(d), L::template BlueRed<O>(s)), O::Set(L::kMaxBlueRed));
        V green = O::Min16(O::Add16(L::template Green<O>(d), L::template Green<O>(s)), O::Set(L::kMaxGreen));
        return L::template Combine<O>(blueRed, green);
    }
}

// A pixel's three channels as a pixel of the layout (values already within the channels).
template <typename L> uint32_t Packed(const uint32_t channel[3])
{
    return channel[0] << L::kRedShift | channel[1] << L::kGreenShift | channel[2];
}

// Runs block(d, s, out) on each vector of the row and stores `out` where it says so.
// A row that does not end on a whole vector ends with one more that overlaps the one
// before it: that one is worked out first, from the pixels as they were, and stored
// last; each pixel's result depends on that pixel alone. Rows shorter than a vector
// are worked on in a copy.
template <typename O, typename L, typename Block>
void DriveRow(void* row, const uint32_t* s, int n, Block& block)
{
    using P = typename L::Pixel;
    using V = typename O::V;
    P* d = static_cast<P*>(row);
    auto from = [s](int i) { return s != nullptr ? s + i : nullptr; };
    V out = O::Set(0);
    if (n <= 0)
        return;
    if (n >= O::kN)
    {
        int last = n - O::kN;
        V tail = out;
        bool tailWritten = last % O::kN != 0 && block(d + last, from(last), tail);
        for (int i = 0; i + O::kN <= n; i += O::kN)
            if (block(d + i, from(i), out))
                StorePixels<O, L>(d + i, out);
        if (tailWritten)
            StorePixels<O, L>(d + last, tail);
        return;
    }
    P dt[O::kN] = {};
    uint32_t st[O::kN] = {};
    std::memcpy(dt, d, size_t(n) * sizeof(P));
    if (s != nullptr)
        std::memcpy(st, s, size_t(n) * sizeof(uint32_t));
    if (!block(dt, s != nullptr ? st : nullptr, out))
        return;
    StorePixels<O, L>(dt, out);
    std::memcpy(d, dt, size_t(n) * sizeof(P));
}

// DriveRow over `rows` rows of the surface, the source moving on by sourcePitch pixels a row.
template <typename O, typename L, typename Block>
void Drive(const Target& t, void* d, const uint32_t* s, int n, int rows, long sourcePitch, Block block)
{
    auto* row = static_cast<uint8_t*>(d);
    for (int j = 0; j < rows; j++, row += t.mPitch)
        DriveRow<O, L>(row, s != nullptr ? s + j * sourcePitch : nullptr, n, block);
}

template <typename O, typename L> using PixelOf = const typename L::Pixel*;

// Loads a vector of source pixels and their alphas; false when every alpha is 0.
template <typename O>
bool AnyShown(const uint32_t* s, typename O::V& source, typename O::V& alpha, typename O::M& clear)
{
    source = O::Load(s);
    alpha = O::template Srli32<24>(source);
    clear = O::CmpEq32(alpha, O::Set(0));
    return !O::All(clear);
}

template <typename O, typename L>
void FillRow(const Target& t, void* d, const uint32_t*, int n, int rows, const RowParams& p)
{
    // Whole 32-bit words of the pixel: two pixels a word at 16 bits.
    using P = typename L::Pixel;
    constexpr int kPerWord = int(4 / sizeof(P));
    typename O::V value = O::Set(kPerWord == 2 ? (p.mValue & 0xFFFF) * 0x10001u : p.mValue);
    auto store = [&](PixelOf<O, Layout888>, const uint32_t*, typename O::V& out)
    {
        out = value;
        return true;
    };
    auto* row = static_cast<uint8_t*>(d);
    int words = n / kPerWord;
    for (int j = 0; j < rows; j++, row += t.mPitch)
    {
        if (words >= O::kN)
            DriveRow<O, Layout888>(row, nullptr, words, store);
        else
            O::StoreFirst(reinterpret_cast<uint32_t*>(row), value, words);
        if (n % kPerWord != 0)
            reinterpret_cast<P*>(row)[n - 1] = P(p.mValue);
    }
}

template <typename O, typename L>
void BlendFillRow(const Target& t, void* d, const uint32_t*, int n, int rows, const RowParams& p)
{
    typename O::V inv2 = BothHalves<O>(O::Set(p.mInv)), value = O::Set(p.mValue);
    Drive<O, L>(t, d, nullptr, n, rows, 0,
                [&](PixelOf<O, L> d, const uint32_t*, typename O::V& out)
                {
                    out = O::Add32(Scaled<O, L, true>(LoadPixels<O, L>(d), inv2), value);
                    return true;
                });
}

template <typename O, typename L>
void AddFillRow(const Target& t, void* d, const uint32_t*, int n, int rows, const RowParams& p)
{
    typename O::V amount = O::Set(Packed<L>(p.mAmount));
    Drive<O, L>(t, d, nullptr, n, rows, 0,
                [&](PixelOf<O, L> d, const uint32_t*, typename O::V& out)
                {
                    out = Saturated<O, L>(LoadPixels<O, L>(d), amount);
                    return true;
                });
}

template <typename O, typename L>
void CopyRow(const Target& t, void* d, const uint32_t* s, int n, int rows, const RowParams& p)
{
    typename O::V mask = O::Set(L::kColorMask);
    Drive<O, L>(t, d, s, n, rows, p.mSourcePitch,
                [&](PixelOf<O, L>, const uint32_t* s, typename O::V& out)
                {
                    out = O::And(O::Load(s), mask);
                    return true;
                });
}

template <typename O, typename L>
void KeyCopyRow(const Target& t, void* d, const uint32_t* s, int n, int rows, const RowParams& p)
{
    typename O::V mask = O::Set(L::kColorMask);
    Drive<O, L>(t, d, s, n, rows, p.mSourcePitch,
                [&](PixelOf<O, L> d, const uint32_t* s, typename O::V& out)
                {
                    typename O::V source, alpha;
                    typename O::M clear;
                    if (!AnyShown<O>(s, source, alpha, clear))
                        return false;
                    out = O::And(source, mask);
                    if (!O::None(clear))
                        out = O::Select(clear, LoadPixels<O, L>(d), out);
                    return true;
                });
}

template <typename O, typename L>
void OverRow(const Target& t, void* d, const uint32_t* s, int n, int rows, const RowParams& p)
{
    using V = typename O::V;
    V mask = O::Set(L::kColorMask), opaque = O::Set(255), k256 = O::Set(256);
    Drive<O, L>(t, d, s, n, rows, p.mSourcePitch,
                [&](PixelOf<O, L> d, const uint32_t* s, V& out)
                {
                    V source, alpha;
                    typename O::M clear;
                    if (!AnyShown<O>(s, source, alpha, clear))
                        return false;
                    out = O::And(source, mask);
                    // At alpha 255 the destination keeps 1 / 256 of a channel: nothing.
                    if (O::All(O::CmpEq32(alpha, opaque)))
                        return true;
                    V x = LoadPixels<O, L>(d);
                    out = O::Add32(Scaled<O, L, false>(x, BothHalves<O>(O::Sub32(k256, alpha))), out);
                    out = O::Select(clear, x, out);
                    return true;
                });
}

template <typename O, typename L>
void TintRow(const Target& t, void* d, const uint32_t* s, int n, int rows, const RowParams& p)
{
    using V = typename O::V;
    V opaque = O::Set(255), k256 = O::Set(256), colourAlpha = O::Set(p.mAlpha);
    V modBlueRed = O::Set(p.mMod[2] | p.mMod[0] << 16), modGreen = O::Set(p.mMod[1]);
    V reciprocal = O::Set(0x8081);
    // An opaque pixel under an opaque colour takes no part of the destination.
    bool opaqueColour = p.mAlpha == 255;
    Drive<O, L>(t, d, s, n, rows, p.mSourcePitch,
                [&](PixelOf<O, L> d, const uint32_t* s, V& out)
                {
                    V source, alpha;
                    typename O::M clear;
                    if (!AnyShown<O>(s, source, alpha, clear))
                        return false;
                    // (alpha * colour alpha) / 255 as (x * 0x8081) >> 23.
                    V covered =
                        O::template Srli16<7>(O::Mulhi16u(O::Mullo16(alpha, colourAlpha), reciprocal));
                    V inv = O::Sub32(k256, covered);
                    if (opaqueColour)
                        inv = O::SubOneWhere(O::CmpEq32(alpha, opaque), inv);
                    V x = LoadPixels<O, L>(d);
                    out =
                        O::Select(clear, x, Mixed<O, L>(x, BothHalves<O>(inv), source, modBlueRed, modGreen));
                    return true;
                });
}

// Adds the source, modulated or not, to the destination; with skipBlack, not under
// sources without colour.
template <typename O, typename L, bool kTint>
void AddRow(const Target& t, void* d, const uint32_t* s, int n, int rows, const RowParams& p)
{
    using V = typename O::V;
    V colour = O::Set(0xFFFFFF), zero = O::Set(0);
    V modBlueRed = O::Set(p.mMod[2] | p.mMod[0] << 16), modGreen = O::Set(p.mMod[1]);
    bool skipBlack = p.mSkipBlack;
    Drive<O, L>(t, d, s, n, rows, p.mSourcePitch,
                [&](PixelOf<O, L> d, const uint32_t* s, V& out)
                {
                    V source = O::Load(s);
                    typename O::M black{};
                    if (skipBlack)
                    {
                        black = O::CmpEq32(O::And(source, colour), zero);
                        if (O::All(black))
                            return false;
                    }
                    V x = LoadPixels<O, L>(d);
                    out = Saturated<O, L>(x, kTint ? Modulated<O, L>(source, modBlueRed, modGreen) : source);
                    if (skipBlack)
                        out = O::Select(black, x, out);
                    return true;
                });
}

// With the level's gathers, whole vectors of columns at once; through a palette only
// where the 4-byte reads of the indices stay inside the picture.
template <typename O>
void GatherRow(uint32_t* out, const uint32_t* native, const uint8_t* indices, const int* columns, int n,
               bool padded)
{
    int k = 0;
    if constexpr (O::kGathers)
    {
        auto* at = reinterpret_cast<const uint32_t*>(columns);
        if (indices == nullptr)
            for (; k + O::kN <= n; k += O::kN)
                O::Store(out + k, O::Gather(native, O::Load(at + k)));
        else if (padded)
            for (; k + O::kN <= n; k += O::kN)
            {
                typename O::V index = O::And(O::GatherBytes(indices, O::Load(at + k)), O::Set(0xFF));
                O::Store(out + k, O::Gather(native, index));
            }
    }
    for (; k < n; k++)
        out[k] = native[indices != nullptr ? indices[columns[k]] : columns[k]];
}

template <typename O, typename L> constexpr Rows MakeRows()
{
    return Rows{&FillRow<O, L>,      &BlendFillRow<O, L>, &AddFillRow<O, L>, &CopyRow<O, L>,
                &KeyCopyRow<O, L>,   &OverRow<O, L>,      &TintRow<O, L>,    &AddRow<O, L, false>,
                &AddRow<O, L, true>, &GatherRow<O>};
}

} // namespace
} // namespace Lumo::Surface
