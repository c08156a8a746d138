// The surface rows written once for every instruction-set level, over a vector of
// pixels, one per 32-bit lane (16-bit pixels are widened on load). A level's file
// includes this after its vector type (see graphics/VectorSse2.h): everything here is
// private to that file and built for its level. The standard headers it needs
// (<climits>, <cstring>) come before, outside the level's region.
//
// Every channel is worked on as its value: blue and red side by side in the two
// 16-bit halves of a lane, green alone. All products of a channel and a weight fit
// in 16 bits, or only their bits 8..15 are kept, which 16-bit wrapping leaves exact;
// sums across channels are 32-bit, as in the reference.
#include "display/SurfaceRows.h"
#include "graphics/VectorStores.h"

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

    template <typename V> static typename V::Reg BlueRed(typename V::Reg x)
    {
        return V::And(x, V::Splat(0x00FF00FF));
    }
    template <typename V> static typename V::Reg Green(typename V::Reg x)
    {
        return V::And(V::template Shr32<8>(x), V::Splat(0xFF));
    }
    template <typename V> static typename V::Reg Combine(typename V::Reg blueRed, typename V::Reg green)
    {
        return V::Or(blueRed, V::template Shl32<8>(green));
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

    template <typename V> static typename V::Reg BlueRed(typename V::Reg x)
    {
        return V::Or(V::And(x, V::Splat(31)),
                     V::template Shl32<16 - kRedShift>(V::And(x, V::Splat(kRedMask))));
    }
    template <typename V> static typename V::Reg Green(typename V::Reg x)
    {
        return V::And(V::template Shr32<5>(x), V::Splat(kMaxGreen));
    }
    template <typename V> static typename V::Reg Combine(typename V::Reg blueRed, typename V::Reg green)
    {
        typename V::Reg red = V::template Shr32<16 - kRedShift>(V::And(blueRed, V::Splat(31u << 16)));
        return V::Or(V::Or(V::And(blueRed, V::Splat(31)), red), V::template Shl32<5>(green));
    }
};

using Layout565 = Layout16<11, 6>;
using Layout555 = Layout16<10, 5>;

template <typename V, typename L> typename V::Reg LoadPixels(const typename L::Pixel* d)
{
    if constexpr (sizeof(typename L::Pixel) == 4)
        return V::Load(d);
    else
        return V::Load16(d);
}

template <typename V, typename L> void StorePixels(typename L::Pixel* d, typename V::Reg v)
{
    if constexpr (sizeof(typename L::Pixel) == 4)
        V::Store(d, v);
    else
        V::Store16(d, v);
}

// A weight of at most 256 in both halves of every lane.
template <typename V> typename V::Reg BothHalves(typename V::Reg w)
{
    return V::Or(w, V::template Shl32<16>(w));
}

// Each channel's 16-bit sum (in place) >> 8, as a pixel of the layout; with kMask, AND the
// channel's maximum, for sums that may pass it.
template <typename V, typename L, bool kMask>
typename V::Reg HighBytes(typename V::Reg blueRed, typename V::Reg green)
{
    if constexpr (L::kByteChannels)
        // A sum >> 8 fits a byte as it is, and green's (alone in its lane) is in place at bits 8..15.
        return V::Or(V::template Shr16<8>(blueRed), V::And(green, V::Splat(0xFF00)));
    blueRed = V::template Shr16<8>(blueRed);
    green = V::template Shr16<8>(green);
    if constexpr (kMask)
    {
        blueRed = V::And(blueRed, V::Splat(L::kMaxBlueRed));
        green = V::And(green, V::Splat(L::kMaxGreen));
    }
    return L::template Combine<V>(blueRed, green);
}

// Each channel (v * weight + round) >> 8, kept in place; the round is the channel's
// maximum at 16 bits (fills) or 0. The results stay within the channels.
template <typename V, typename L, bool kRound>
typename V::Reg Scaled(typename V::Reg x, typename V::Reg weight2)
{
    using Reg = typename V::Reg;
    if constexpr (L::kByteChannels)
    {
        // Each byte at the top of a 16-bit lane: the high half of its product is (v * weight) >> 8.
        Reg blueRed = V::MulHi16(V::template Shl16<8>(x), weight2);
        Reg green = V::MulHi16(V::And(x, V::Splat(0xFF00)), weight2);
        return V::Or(blueRed, V::template Shl32<8>(green));
    }
    Reg blueRed = V::MulLo16(L::template BlueRed<V>(x), weight2);
    Reg green = V::MulLo16(L::template Green<V>(x), weight2);
    if constexpr (kRound && !L::kByteChannels)
    {
        blueRed = V::Add16(blueRed, V::Splat(L::kMaxBlueRed));
        green = V::Add16(green, V::Splat(L::kMaxGreen));
    }
    return HighBytes<V, L, false>(blueRed, green);
}

// Each channel ((d * inv + s * mod) >> 8) AND its maximum.
template <typename V, typename L>
typename V::Reg Mixed(typename V::Reg d, typename V::Reg inv2, typename V::Reg s, typename V::Reg modBlueRed,
                      typename V::Reg modGreen)
{
    typename V::Reg blueRed = V::Add16(V::MulLo16(L::template BlueRed<V>(d), inv2),
                                       V::MulLo16(L::template BlueRed<V>(s), modBlueRed));
    typename V::Reg green =
        V::Add16(V::MulLo16(L::template Green<V>(d), inv2), V::MulLo16(L::template Green<V>(s), modGreen));
    return HighBytes<V, L, true>(blueRed, green);
}

// Each channel of the source scaled by mod, >> 8.
template <typename V, typename L>
typename V::Reg Modulated(typename V::Reg s, typename V::Reg modBlueRed, typename V::Reg modGreen)
{
    return HighBytes<V, L, false>(V::MulLo16(L::template BlueRed<V>(s), modBlueRed),
                                  V::MulLo16(L::template Green<V>(s), modGreen));
}

// Each channel min(d + s, its maximum).
template <typename V, typename L> typename V::Reg Saturated(typename V::Reg d, typename V::Reg s)
{
    using Reg = typename V::Reg;
    if constexpr (L::kByteChannels)
        return V::And(V::AddSat8(d, s), V::Splat(L::kColorMask));
    else
    {
        Reg blueRed = V::Min16(V::Add16(L::template BlueRed<V>(d), L::template BlueRed<V>(s)),
                               V::Splat(L::kMaxBlueRed));
        Reg green =
            V::Min16(V::Add16(L::template Green<V>(d), L::template Green<V>(s)), V::Splat(L::kMaxGreen));
        return L::template Combine<V>(blueRed, green);
    }
}

// A pixel's three channels as a pixel of the layout (values already within the channels).
template <typename L> uint32_t Packed(const uint32_t channel[3])
{
    return channel[0] << L::kRedShift | channel[1] << L::kGreenShift | channel[2];
}

// A row's work on four vectors at once where it can do them all alike (quad(d, s) true
// when it did them); none by default.
struct NoQuads
{
    template <typename P> bool operator()(P*, const uint32_t*) const { return false; }
};

constexpr int kQuadsFrom = 16;

// Runs quad(d, s) on four vectors at a time in rows of kQuadsFrom vectors or more, or where it does not take
// them, block(d, s, out) on each of them, and stores `out` where it says so. A row that does not end on a
// whole vector ends with one more that overlaps the one before it: that one is worked out
// first, from the pixels as they were, and stored last; each pixel's result depends on that
// pixel alone. Rows shorter than a vector are worked on in a copy.
template <typename V, typename L, typename Block, typename Quad>
void DriveRow(void* row, const uint32_t* s, int n, Block& block, Quad& quad)
{
    using P = typename L::Pixel;
    using Reg = typename V::Reg;
    constexpr int k = V::kPixels;
    P* d = static_cast<P*>(row);
    auto from = [s](int i) { return s != nullptr ? s + i : nullptr; };
    Reg out = V::Zero();
    if (n <= 0)
        return;
    if (n >= k)
    {
        int last = n - k;
        Reg tail = out;
        bool tailWritten = last % k != 0 && block(d + last, from(last), tail);
        // Short rows change their kind too often for groups of four to pay.
        int i = 0;
        if (n >= kQuadsFrom * k)
            for (; i + 4 * k <= n; i += 4 * k)
                if (!quad(d + i, from(i)))
                    for (int q = i; q < i + 4 * k; q += k)
                        if (block(d + q, from(q), out))
                            StorePixels<V, L>(d + q, out);
        for (; i + k <= n; i += k)
            if (block(d + i, from(i), out))
                StorePixels<V, L>(d + i, out);
        if (tailWritten)
            StorePixels<V, L>(d + last, tail);
        return;
    }
    P dt[V::kPixels] = {};
    uint32_t st[V::kPixels] = {};
    std::memcpy(dt, d, size_t(n) * sizeof(P));
    if (s != nullptr)
        std::memcpy(st, s, size_t(n) * sizeof(uint32_t));
    if (!block(dt, s != nullptr ? st : nullptr, out))
        return;
    StorePixels<V, L>(dt, out);
    std::memcpy(d, dt, size_t(n) * sizeof(P));
}

// Rows as wide as the surface follow each other: they are taken as one row where the
// source's rows (if any) follow each other too.
template <typename L> void JoinRows(const Target& t, int& n, int& rows)
{
    if (rows > 1 && t.mPitch == long(n) * long(sizeof(typename L::Pixel)) && n <= INT_MAX / rows)
    {
        n *= rows;
        rows = 1;
    }
}

// DriveRow over `rows` rows of the surface, the source moving on by sourcePitch pixels a row.
template <typename V, typename L, typename Block, typename Quad = NoQuads>
void Drive(const Target& t, void* d, const uint32_t* s, int n, int rows, long sourcePitch, Block block,
           Quad quad = Quad())
{
    Vector::CleanExit<V> clean;
    if (s == nullptr || sourcePitch == n)
        JoinRows<L>(t, n, rows);
    auto* row = static_cast<uint8_t*>(d);
    for (int j = 0; j < rows; j++, row += t.mPitch)
        DriveRow<V, L>(row, s != nullptr ? s + j * sourcePitch : nullptr, n, block, quad);
}

template <typename V, typename L> using PixelOf = const typename L::Pixel*;

// Loads a vector of source pixels and their alphas; false when every alpha is 0.
template <typename V>
bool AnyShown(const uint32_t* s, typename V::Reg& source, typename V::Reg& alpha, typename V::Mask& clear)
{
    source = V::Load(s);
    alpha = V::template Shr32<24>(source);
    clear = V::Eq32(alpha, V::Zero());
    return !V::All(clear);
}

// At 64 bytes a vector, the overlapping unaligned stores at a row's ends each write two
// cache lines: the ends go through masks instead, each store inside one line (n words
// from d, d on a whole word). The masks pay from rows of a few vectors on.
template <typename V> bool FillsInLines(int n)
{
    constexpr int k = V::kPixels;
    return k == 16 && n >= 6 * k && n < Vector::kStringFillFrom * k;
}
template <typename V> void FillInLines(uint32_t* d, int n, uint32_t word)
{
    constexpr int k = V::kPixels;
    typename V::Reg v = V::Splat(word);
    int i = Vector::ToAligned<V>(d) % k;
    if (i > 0)
        V::StorePart(d, v, i);
    for (; i + k <= n; i += k)
        V::Store(d + i, v);
    if (i < n)
        V::StorePart(d + i, v, n - i);
}

template <typename V, typename L>
void FillRow(const Target& t, void* d, const uint32_t*, int n, int rows, const RowParams& p)
{
    Vector::CleanExit<V> clean;
    // Whole 32-bit words of the pixel: two pixels a word at 16 bits.
    using P = typename L::Pixel;
    constexpr int kPerWord = int(4 / sizeof(P));
    uint32_t value = kPerWord == 2 ? (p.mValue & 0xFFFF) * 0x10001u : p.mValue;
    if (n % kPerWord == 0)
        JoinRows<L>(t, n, rows);
    auto* row = static_cast<uint8_t*>(d);
    bool inLines =
        FillsInLines<V>(n / kPerWord) && reinterpret_cast<uintptr_t>(row) % 4 == 0 && t.mPitch % 4 == 0;
    for (int j = 0; j < rows; j++, row += t.mPitch)
    {
        if (inLines)
            FillInLines<V>(reinterpret_cast<uint32_t*>(row), n / kPerWord, value);
        else
            Vector::FillWords<V>(reinterpret_cast<uint32_t*>(row), n / kPerWord, value);
        if (n % kPerWord != 0)
            reinterpret_cast<P*>(row)[n - 1] = P(p.mValue);
    }
}

template <typename V, typename L>
void BlendFillRow(const Target& t, void* d, const uint32_t*, int n, int rows, const RowParams& p)
{
    typename V::Reg inv2 = BothHalves<V>(V::Splat(p.mInv)), value = V::Splat(p.mValue);
    Drive<V, L>(t, d, nullptr, n, rows, 0,
                [&](PixelOf<V, L> d, const uint32_t*, typename V::Reg& out)
                {
                    out = V::Add32(Scaled<V, L, true>(LoadPixels<V, L>(d), inv2), value);
                    return true;
                });
}

template <typename V, typename L>
void AddFillRow(const Target& t, void* d, const uint32_t*, int n, int rows, const RowParams& p)
{
    typename V::Reg amount = V::Splat(Packed<L>(p.mAmount));
    Drive<V, L>(t, d, nullptr, n, rows, 0,
                [&](PixelOf<V, L> d, const uint32_t*, typename V::Reg& out)
                {
                    out = Saturated<V, L>(LoadPixels<V, L>(d), amount);
                    return true;
                });
}

template <typename V, typename L>
void CopyRow(const Target& t, void* d, const uint32_t* s, int n, int rows, const RowParams& p)
{
    Vector::CleanExit<V> clean;
    Vector::Masked<V> masked{V::Splat(L::kColorMask)};
    if constexpr (sizeof(typename L::Pixel) == 4)
        if (n >= V::kPixels)
        {
            if (p.mSourcePitch == n)
                JoinRows<L>(t, n, rows);
            auto* row = static_cast<uint8_t*>(d);
            for (int j = 0; j < rows; j++, row += t.mPitch)
                Vector::MapRow<V>(reinterpret_cast<uint32_t*>(row), s + j * p.mSourcePitch, n, masked);
            return;
        }
    Drive<V, L>(t, d, s, n, rows, p.mSourcePitch,
                [&](PixelOf<V, L>, const uint32_t* s, typename V::Reg& out)
                {
                    out = masked(V::Load(s));
                    return true;
                });
}

template <typename V, typename L>
void KeyCopyRow(const Target& t, void* d, const uint32_t* s, int n, int rows, const RowParams& p)
{
    typename V::Reg mask = V::Splat(L::kColorMask);
    Drive<V, L>(t, d, s, n, rows, p.mSourcePitch,
                [&](PixelOf<V, L> d, const uint32_t* s, typename V::Reg& out)
                {
                    typename V::Reg source, alpha;
                    typename V::Mask clear;
                    if (!AnyShown<V>(s, source, alpha, clear))
                        return false;
                    out = V::And(source, mask);
                    if (!V::None(clear))
                        out = V::Select(clear, LoadPixels<V, L>(d), out);
                    return true;
                });
}

template <typename V, typename L>
void OverRow(const Target& t, void* d, const uint32_t* s, int n, int rows, const RowParams& p)
{
    using Reg = typename V::Reg;
    Reg mask = V::Splat(L::kColorMask), opaque = V::Splat(255), k256 = V::Splat(0x01000100);
    Drive<V, L>(
        t, d, s, n, rows, p.mSourcePitch,
        [&](PixelOf<V, L> d, const uint32_t* s, Reg& out)
        {
            Reg source = V::Load(s), alpha = V::template Shr32<24>(source);
            out = V::And(source, mask);
            // At alpha 255 the destination keeps 1 / 256 of a channel: nothing. Wholly
            // opaque vectors, the most common, are tested first.
            if (V::All(V::Eq32(alpha, opaque)))
                return true;
            typename V::Mask clear = V::Eq32(alpha, V::Zero());
            if (V::All(clear))
                return false;
            Reg x = LoadPixels<V, L>(d);
            // The weights in both halves of a lane straight from the source.
            out = V::Add32(Scaled<V, L, false>(x, V::Sub16(k256, V::AlphaPairs(source))), out);
            out = Vector::KeepWhere<V>(clear, x, out);
            return true;
        },
        // Four wholly opaque vectors are copied, four wholly clear ones skipped, with one
        // test each.
        [&](typename L::Pixel* d, const uint32_t* s)
        {
            Reg a = V::Load(s), b = V::Load(s + V::kPixels), c = V::Load(s + 2 * V::kPixels),
                e = V::Load(s + 3 * V::kPixels);
            if (V::All(V::OpaqueLanes(V::And(V::And(a, b), V::And(c, e)))))
            {
                StorePixels<V, L>(d, V::And(a, mask));
                StorePixels<V, L>(d + V::kPixels, V::And(b, mask));
                StorePixels<V, L>(d + 2 * V::kPixels, V::And(c, mask));
                StorePixels<V, L>(d + 3 * V::kPixels, V::And(e, mask));
                return true;
            }
            return V::All(V::ClearLanes(V::Or(V::Or(a, b), V::Or(c, e))));
        });
}

template <typename V, typename L>
void TintRow(const Target& t, void* d, const uint32_t* s, int n, int rows, const RowParams& p)
{
    using Reg = typename V::Reg;
    Reg opaque = V::Splat(255), k256 = V::Splat(256), colourAlpha = V::Splat(p.mAlpha);
    Reg modBlueRed = V::Splat(p.mMod[2] | p.mMod[0] << 16), modGreen = V::Splat(p.mMod[1]);
    Reg reciprocal = V::Splat(0x8081);
    // An opaque pixel under an opaque colour takes no part of the destination.
    bool opaqueColour = p.mAlpha == 255;
    Drive<V, L>(t, d, s, n, rows, p.mSourcePitch,
                [&](PixelOf<V, L> d, const uint32_t* s, Reg& out)
                {
                    Reg source, alpha;
                    typename V::Mask clear;
                    if (!AnyShown<V>(s, source, alpha, clear))
                        return false;
                    // (alpha * colour alpha) / 255 as (x * 0x8081) >> 23.
                    Reg covered =
                        V::template Shr16<7>(V::MulHi16(V::MulLo16(alpha, colourAlpha), reciprocal));
                    Reg inv = V::Sub32(k256, covered);
                    if (opaqueColour)
                        inv = V::SubOneWhere(V::Eq32(alpha, opaque), inv);
                    Reg x = LoadPixels<V, L>(d);
                    out = Vector::KeepWhere<V>(
                        clear, x, Mixed<V, L>(x, BothHalves<V>(inv), source, modBlueRed, modGreen));
                    return true;
                });
}

// Adds the source, modulated or not, to the destination; with skipBlack, not under
// sources without colour.
template <typename V, typename L, bool kTint>
void AddRow(const Target& t, void* d, const uint32_t* s, int n, int rows, const RowParams& p)
{
    using Reg = typename V::Reg;
    Reg colour = V::Splat(0xFFFFFF), zero = V::Zero();
    Reg modBlueRed = V::Splat(p.mMod[2] | p.mMod[0] << 16), modGreen = V::Splat(p.mMod[1]);
    bool skipBlack = p.mSkipBlack;
    Drive<V, L>(t, d, s, n, rows, p.mSourcePitch,
                [&](PixelOf<V, L> d, const uint32_t* s, Reg& out)
                {
                    Reg source = V::Load(s);
                    typename V::Mask black{};
                    if (skipBlack)
                    {
                        black = V::Eq32(V::And(source, colour), zero);
                        // Bytes keep a pixel under black by the mask below: testing for a
                        // wholly black vector costs more than it saves.
                        if (!L::kByteChannels && V::All(black))
                            return false;
                    }
                    Reg x = LoadPixels<V, L>(d);
                    Reg amounts = kTint ? Modulated<V, L>(source, modBlueRed, modGreen) : source;
                    if constexpr (L::kByteChannels)
                    {
                        // Bytes added with saturation; the bits above the colour go, but under a
                        // source without colour, which adds nothing, the pixel stays whole.
                        Reg sum = V::AddSat8(x, V::And(amounts, colour));
                        out = V::And(sum, skipBlack ? V::OnesWhere(black, colour) : colour);
                        return true;
                    }
                    out = Saturated<V, L>(x, amounts);
                    if (skipBlack)
                        out = V::Select(black, x, out);
                    return true;
                });
}

// Whole vectors of columns at once, with the level's gathers where it has them; through
// a palette only with gathers, and only where the 4-byte reads of the indices stay
// inside the picture.
template <typename V>
void GatherRow(uint32_t* out, const uint32_t* native, const uint8_t* indices, const int* columns, int n,
               bool padded)
{
    Vector::CleanExit<V> clean;
    int k = 0;
    if constexpr (!V::kGathers)
    {
        // Loads of the columns' pixels put in vectors: fewer turns than one at a time.
        if (indices == nullptr)
            for (; k + V::kPixels <= n; k += V::kPixels)
                V::Store(out + k, V::GatherAt(native, columns + k));
    }
    else
    {
        auto* at = reinterpret_cast<const uint32_t*>(columns);
        if (indices == nullptr)
            for (; k + V::kPixels <= n; k += V::kPixels)
                V::Store(out + k, V::Gather(native, V::Load(at + k)));
        else if (padded)
            for (; k + V::kPixels <= n; k += V::kPixels)
            {
                typename V::Reg index = V::And(V::GatherBytes(indices, V::Load(at + k)), V::Splat(0xFF));
                V::Store(out + k, V::Gather(native, index));
            }
    }
    for (; k < n; k++)
        out[k] = native[indices != nullptr ? indices[columns[k]] : columns[k]];
}

// A palette's native table held in registers, where the level can look up two registers'
// worth of entries by index: faster than the level's gathers for up to four such pairs.
template <typename V> class TableInRegisters
{
public:
    static constexpr int kPairs = 4;
    static constexpr int kSpan = 2 * V::kPixels; // entries of one pair

    TableInRegisters(const PickSource& from)
    {
        if constexpr (V::kPermutePairs)
        {
            mPairs = from.mIndices != nullptr ? (from.mTableSize + kSpan - 1) / kSpan : 0;
            if (mPairs > kPairs)
                mPairs = 0;
            for (int i = 0; i < 2 * mPairs; i++)
                mParts[i] = V::Load(from.mNative + i * V::kPixels);
        }
    }
    bool Held() const { return mPairs > 0; }
    typename V::Reg operator()(typename V::Reg index) const
    {
        typename V::Reg out = V::Zero();
        if constexpr (V::kPermutePairs)
        {
            out = V::Permute2(mParts[0], index, mParts[1]);
            typename V::Reg pair = V::template Shr32<V::kPermute2Bits>(index);
            for (int i = 1; i < mPairs; i++)
                out = V::Select(V::Eq32(pair, V::Splat(uint32_t(i))),
                                V::Permute2(mParts[2 * i], index, mParts[2 * i + 1]), out);
        }
        return out;
    }

private:
    typename V::Reg mParts[2 * kPairs]; // the first 2 * mPairs
    int mPairs = 0;
};

// Every step-th pixel of rows, or of rows of palette indices, without a table of columns:
// whole vectors of pixels (or of indices, widened) are read and every step-th taken out of
// them by Even (every second), Even twice (every fourth) or, where the level has one, a
// permute of each vector read (other steps below a vector's width); indices are then looked
// up in the table held in registers or by the level's gathers (one at a time without them).
// A vector of results reads step vectors from its first pixel: vectors go while those stay
// inside the picture, the last one ending with the row; the rest go one at a time. A row
// that starts where the one before does is a copy of it. Steps 1, 2 and 4 (kStep, else 0)
// and palettes have loops of their own, with nothing to decide per vector.
template <typename V, int kStep, bool kPalette>
void PickRowsOf(uint32_t* out, const PickSource& from, const size_t* starts, int rows, int step, int n)
{
    using Reg = typename V::Reg;
    constexpr int k = V::kPixels;
    if constexpr (kStep != 0)
        step = kStep;
    const uint32_t* native = from.mNative;
    const uint8_t* indices = from.mIndices;
    const size_t size = from.mSize; // held here: the stores below may alias `from`
    bool vectors = (kStep != 0 || (V::kPermute && step < k)) && (!kPalette || V::kGathers);
    // Result j of a permuted vector is lane (j * step) % k of the vector read (j * step) / k.
    alignas(64) uint32_t lane[k], part[k];
    for (int j = 0; j < k; j++)
    {
        lane[j] = uint32_t(j * step % k);
        part[j] = uint32_t(j * step / k);
    }
    Reg lanes = V::Load(lane), parts = V::Load(part);
    TableInRegisters<V> table(from);
    for (int r = 0; r < rows; r++, out += n)
    {
        size_t start = starts[r];
        if (r > 0 && start == starts[r - 1])
        {
            std::memcpy(out, out - n, size_t(n) * sizeof(uint32_t));
            continue;
        }
        auto load = [&](size_t at)
        {
            if constexpr (kPalette)
                return V::LoadBytes(indices + start + at);
            else
                return V::Load(native + start + at);
        };
        auto picked = [&](int first) -> Reg
        {
            size_t at = size_t(first) * size_t(step);
            if constexpr (kStep == 1)
                return load(at);
            else if constexpr (kStep == 2)
                return V::Even(load(at), load(at + k));
            else if constexpr (kStep == 4)
                return V::Even(V::Even(load(at), load(at + k)), V::Even(load(at + 2 * k), load(at + 3 * k)));
            Reg result = V::Zero();
            if constexpr (kStep == 0 && V::kPermute)
            {
                result = V::Permute(load(at), lanes);
                for (int v = 1; v < step; v++)
                    result = V::Select(V::Eq32(parts, V::Splat(uint32_t(v))),
                                       V::Permute(load(at + size_t(v * k)), lanes), result);
            }
            return result;
        };
        auto put = [&](int first)
        {
            Reg p = picked(first);
            if constexpr (kPalette)
                p = table.Held() ? table(p) : V::Gather(native, p);
            V::Store(out + first, p);
        };
        auto inside = [&](int first) { return start + size_t(first + k) * size_t(step) <= size; };
        int i = 0;
        if (vectors)
        {
            for (; i + k <= n && inside(i); i += k)
                put(i);
            if (i < n && n >= k && inside(n - k))
            {
                put(n - k);
                i = n;
            }
        }
        for (; i < n; i++)
        {
            size_t at = start + size_t(i) * size_t(step);
            out[i] = native[kPalette ? indices[at] : at];
        }
    }
}

template <typename V, bool kPalette>
void PickRowsFrom(uint32_t* out, const PickSource& from, const size_t* starts, int rows, int step, int n)
{
    if (step == 1)
        PickRowsOf<V, 1, kPalette>(out, from, starts, rows, step, n);
    else if (step == 2)
        PickRowsOf<V, 2, kPalette>(out, from, starts, rows, step, n);
    else if (step == 4)
        PickRowsOf<V, 4, kPalette>(out, from, starts, rows, step, n);
    else
        PickRowsOf<V, 0, kPalette>(out, from, starts, rows, step, n);
}

template <typename V>
void PickRows(uint32_t* out, const PickSource& from, const size_t* starts, int rows, int step, int n)
{
    Vector::CleanExit<V> clean;
    if (from.mIndices != nullptr)
        PickRowsFrom<V, true>(out, from, starts, rows, step, n);
    else
        PickRowsFrom<V, false>(out, from, starts, rows, step, n);
}

template <typename V, typename L> constexpr Rows MakeRows()
{
    return Rows{&FillRow<V, L>,      &BlendFillRow<V, L>, &AddFillRow<V, L>, &CopyRow<V, L>,
                &KeyCopyRow<V, L>,   &OverRow<V, L>,      &TintRow<V, L>,    &AddRow<V, L, false>,
                &AddRow<V, L, true>, &GatherRow<V>,       &PickRows<V>};
}

} // namespace
} // namespace Lumo::Surface
