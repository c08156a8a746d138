#pragma once

// Rows written once for every instruction-set level. A level's file includes
// this after its vector type (see graphics/VectorSse2.h) and instantiates the
// templates with it: everything here is private to the file that includes it
// and built for that file's level.
//
// Every result is the reference formula's bit for bit. Over an opaque destination
// the blend's weight is the source alpha itself; over any other, the weight and
// the new alpha come from the destination's alpha lane by lane (BlendWeights).
#include "graphics/Blend.h"
#include "graphics/Blitters.h"
#include "graphics/VectorStores.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace Lumo::Blitters
{
namespace
{

constexpr uint32_t kAlpha = 0xFF000000;

// Each row of a block with its source row.
template <typename Row> void EachRow(const Block& b, Row row)
{
    for (int y = 0; y < b.h; y++)
        row(b.d + ptrdiff_t(y) * b.dPitch, b.s + ptrdiff_t(y) * b.sPitch);
}

// A block whose rows follow each other in both pictures (a draw as wide as
// both) as one row: every pixel's result depends only on its own pixels, and
// each row's start and end cost more than its middle (a 200 by 200 additive
// draw takes 13 % less time as one row).
inline Block Joined(const Block& b)
{
    bool sourceFollows = b.s == nullptr || b.sPitch == b.w;
    if (b.h < 2 || b.dPitch != b.w || !sourceFollows || b.w > INT_MAX / b.h)
        return b;
    int n = b.w * b.h;
    return {b.d, n, b.s, n, n, 1};
}

// row(d, s, n) for each row of n pixels of a block, joined where they follow each other.
template <typename Row> void EachJoinedRow(const Block& b, Row row)
{
    Block joined = Joined(b);
    EachRow(joined, [&](uint32_t* d, const uint32_t* s) { row(d, s, joined.w); });
}

// Groups of a row: V::kPixels pixels (count Whole<V>), or the whole row in
// one part when it is shorter (an int count; loads fill the other lanes with
// a pad chosen never to send a group down a slower path: opaque black for
// destinations, clear for sources). Every pixel's result depends only on its
// own destination and source pixels, so groups may overlap the group before
// (and no other): after the first, they start where the destination is
// aligned to a whole vector, and the last one ends with the row. Each group's
// pixels are read before the group before it is written. No partial store
// lands where the next row is read.
template <class V> using Whole = std::integral_constant<int, V::kPixels>;

template <class V> void Put(uint32_t* p, typename V::Reg v, Whole<V>)
{
    V::Store(p, v);
}
template <class V> void Put(uint32_t* p, typename V::Reg v, int n)
{
    V::StorePart(p, v, n);
}

using Vector::ToAligned;

constexpr int kAlignFrom = 16;

// Runs group(d, dv, sv, count) over a row, dv and sv the pixels of the group
// that starts at d.
template <class V, class Group> inline void EachGroup(uint32_t* d, const uint32_t* s, int n, Group group)
{
    using Reg = typename V::Reg;
    constexpr int k = V::kPixels;
    if (n < k)
    {
        if (n > 0)
            group(d, V::LoadPart(d, n, kAlpha), V::LoadPart(s, n, 0), n);
        return;
    }
    int last = n - k;
    if (last == 0)
        return group(d, V::Load(d), V::Load(s), Whole<V>());
    // Short rows are not aligned: the group more that aligning adds costs more than the
    // unaligned stores (under two groups, a third would overlap the first).
    int start = std::min(n >= kAlignFrom * k ? ToAligned<V>(d) : k, last);
    Reg dv = V::Load(d + start), sv = V::Load(s + start);
    group(d, V::Load(d), V::Load(s), Whole<V>());
    for (; start + k < last; start += k)
    {
        group(d + start, dv, sv, Whole<V>());
        dv = V::Load(d + start + k);
        sv = V::Load(s + start + k);
    }
    if (start < last)
    {
        Reg dLast = V::Load(d + last), sLast = V::Load(s + last);
        group(d + start, dv, sv, Whole<V>());
        dv = dLast;
        sv = sLast;
    }
    group(d + last, dv, sv, Whole<V>());
}

// x / 255 for every 16-bit x: (x * 0x8081) >> 23.
template <class V> typename V::Reg Div255(typename V::Reg x)
{
    return V::template Shr16<7>(V::MulHi16(x, V::Splat16(0x8081)));
}

template <class V> bool AllOpaque(typename V::Reg v)
{
    return V::All(V::OpaqueLanes(v));
}

// d * (256 - w) >> 8 per 16-bit lane, from d in the upper byte of its lane.
template <class V> typename V::Reg DestTerm(typename V::Reg dUp, typename V::Reg w)
{
    return V::MulHi16(dUp, V::Sub16(V::Splat16(256), w));
}

// Each byte of blue and red (`pairs`, both 16-bit halves of a lane) and of green
// (`green`, the low half) times the weights in the halves of `w`, >> 8: the bytes
// moved to the top of their halves, the high half of the product is the result.
template <class V> typename V::Reg ByteTerms(typename V::Reg v, typename V::Reg w, typename V::Reg& green)
{
    green = V::MulHi16(V::And(v, V::Splat(0xFF00)), w);
    return V::MulHi16(V::template Shl16<8>(v), w);
}

// A weight per 32-bit lane in both its 16-bit halves.
template <class V> typename V::Reg Pairs(typename V::Reg w)
{
    return V::Or(w, V::template Shl32<16>(w));
}

// The colour channels of dv times 256 - w and of sv times w, each >> 8, added, for a
// weight w per 32-bit lane (0-256) in both its halves, alpha 0: worked in the pixels' own
// lanes, no bytes unpacked; the sums stay within their bytes.
template <class V> typename V::Reg MixBy(typename V::Reg dv, typename V::Reg sv, typename V::Reg both)
{
    using Reg = typename V::Reg;
    Reg dGreen, sGreen;
    Reg pairs =
        V::Add16(ByteTerms<V>(dv, V::Sub16(V::Splat16(256), both), dGreen), ByteTerms<V>(sv, both, sGreen));
    return V::Or(pairs, V::template Shl32<8>(V::Add16(dGreen, sGreen)));
}

// Source over an opaque destination by a weight a per 32-bit lane (0-256; at 256 the
// source itself) in both its halves, alpha 255.
template <class V> typename V::Reg OverOpaqueBy(typename V::Reg dv, typename V::Reg sv, typename V::Reg a)
{
    return V::Or(MixBy<V>(dv, sv, a), V::Splat(kAlpha));
}

// The normal blend's weight w and new alpha na per 32-bit lane, for source alphas a of
// 1-255 over any destination: t = (255 - da) * a / 255, na = t + da, w = a * 255 / na.
// The products fit 16 bits, and na is at least a.
template <class V>
void BlendWeights(typename V::Reg dv, typename V::Reg a, typename V::Reg& w, typename V::Reg& na)
{
    typename V::Reg da = V::template Shr32<24>(dv);
    na = V::Add32(Div255<V>(V::MulLo16(V::Sub32(V::Splat(255), da), a)), da);
    w = V::Quotient(V::MulLo16(a, V::Splat(255)), na);
}

// The normal blend of sv by alphas a (1-255) over any destination.
template <class V> typename V::Reg NormalBy(typename V::Reg dv, typename V::Reg sv, typename V::Reg a)
{
    typename V::Reg w, na;
    BlendWeights<V>(dv, a, w, na);
    return V::Or(MixBy<V>(dv, sv, Pairs<V>(w)), V::template Shl32<24>(na));
}

// The same from a weighted source pixel (Blend::Weighted), whose channels are already
// its part of the sums: the destination's alone are multiplied.
template <class V> typename V::Reg OverWeightedBy(typename V::Reg dv, typename V::Reg tv, typename V::Reg a)
{
    typename V::Reg green, pairs = ByteTerms<V>(dv, V::Sub16(V::Splat16(256), a), green);
    return V::Or(V::Add32(V::Or(pairs, V::template Shl32<8>(green)), tv), V::Splat(kAlpha));
}

// Source over an opaque destination with w = a.
template <class V> typename V::Reg OverOpaque(typename V::Reg dv, typename V::Reg sv)
{
    return OverOpaqueBy<V>(dv, sv, V::AlphaPairs(sv));
}

// An opaque source over an opaque destination: s * 255 >> 8 is s - 1 but for 0.
template <class V> typename V::Reg OpaqueOverOpaque(typename V::Reg sv)
{
    return V::Or(V::SubSat8(sv, V::Splat(0x00010101)), V::Splat(kAlpha));
}

template <class V> void FillRowOf(uint32_t* d, int n, uint32_t color)
{
    Vector::FillWords<V>(d, n, color);
}

template <class V> void BlendFillRowOf(uint32_t* d, int n, uint32_t color, uint32_t alpha)
{
    using Reg = typename V::Reg;
    constexpr int k = V::kPixels;
    // Over pixels of one alpha the weight and the new alpha are the same: the source term
    // (with the new alpha) is one constant pixel, and the destination's bytes are scaled in
    // their own lanes by one weight. They are kept for the alpha last met, at first 255 (where
    // w = alpha), and worked out again for a group all of another alpha; other groups are
    // worked out lane by lane.
    Reg colour = V::Splat(color), alphas = V::Splat(alpha);
    Reg held = V::Splat(kAlpha);
    Reg term = V::Splat(Blend::AlphaWeightedBy(color, alpha) | kAlpha);
    Reg inverse = V::Splat((256 - alpha) * 0x10001u);
    auto heldOver = [&](Reg dv)
    {
        Reg green, pairs = ByteTerms<V>(dv, inverse, green);
        return V::Add32(V::Or(pairs, V::template Shl32<8>(green)), term);
    };
    auto group = [&](uint32_t* dp, Reg dv, auto, auto count)
    {
        Reg alphaBits = V::And(dv, V::Splat(kAlpha));
        if (!V::All(V::Eq32(alphaBits, held)))
        {
            Reg first = V::SpreadFirst(alphaBits);
            if (!V::All(V::Eq32(alphaBits, first)))
                return Put<V>(dp, NormalBy<V>(dv, colour, alphas), count);
            Reg w, na, green;
            BlendWeights<V>(first, alphas, w, na);
            Reg both = Pairs<V>(w);
            Reg pairs = ByteTerms<V>(colour, both, green);
            term = V::Or(V::Or(pairs, V::template Shl32<8>(green)), V::template Shl32<24>(na));
            inverse = V::Sub16(V::Splat16(256), both);
            held = first;
        }
        Put<V>(dp, heldOver(dv), count);
    };
    if (n < kAlignFrom * k)
        return EachGroup<V>(d, d, n, group);
    // Long rows go four aligned groups at a time, tested for the held alpha at once. Each
    // group is read before one that overlaps it is written (see EachGroup).
    int i = ToAligned<V>(d), last = n - k;
    Reg dAligned = V::Load(d + i), dLast = V::Load(d + last);
    group(d, V::Load(d), colour, Whole<V>());
    group(d + i, dAligned, colour, Whole<V>());
    for (i += k; i + 4 * k <= last; i += 4 * k)
    {
        Reg a = V::Load(d + i), b = V::Load(d + i + k), c = V::Load(d + i + 2 * k),
            e = V::Load(d + i + 3 * k);
        Reg other = V::Or(V::Or(V::Xor(a, held), V::Xor(b, held)), V::Or(V::Xor(c, held), V::Xor(e, held)));
        if (V::All(V::ClearLanes(other)))
        {
            V::Store(d + i, heldOver(a));
            V::Store(d + i + k, heldOver(b));
            V::Store(d + i + 2 * k, heldOver(c));
            V::Store(d + i + 3 * k, heldOver(e));
            continue;
        }
        group(d + i, a, colour, Whole<V>());
        group(d + i + k, b, colour, Whole<V>());
        group(d + i + 2 * k, c, colour, Whole<V>());
        group(d + i + 3 * k, e, colour, Whole<V>());
    }
    for (; i < last; i += k)
        group(d + i, V::Load(d + i), colour, Whole<V>());
    group(d + last, dLast, colour, Whole<V>());
}

// A group of the normal blend of sources by their own alphas (a group function as
// EachGroup takes); `opaqueDestination`: the destination is known opaque and not tested.
template <class V, bool opaqueDestination = false> struct NormalGroup
{
    template <class Count>
    void operator()(uint32_t* dp, typename V::Reg dv, typename V::Reg sv, Count count) const
    {
        typename V::Mask clear = V::ClearLanes(sv);
        if (V::All(clear))
            return;
        // An opaque source weighs 255 and makes the pixel opaque over any destination, whose
        // channels it leaves no part of.
        if (AllOpaque<V>(sv))
            Put<V>(dp, OpaqueOverOpaque<V>(sv), count);
        else if (!opaqueDestination && !AllOpaque<V>(dv))
        {
            // Clear lanes keep their pixel; their alpha is taken as 1 to keep na above 0.
            typename V::Reg a = V::AddOneWhere(clear, V::template Shr32<24>(sv));
            Put<V>(dp, V::Select(clear, dv, NormalBy<V>(dv, sv, a)), count);
        }
        else
            Put<V>(dp, OverOpaque<V>(dv, sv), count);
    }
};

template <class V> void NormalRowOf(uint32_t* d, const uint32_t* s, int n)
{
    EachGroup<V>(d, s, n, NormalGroup<V>());
}

template <class V> void OverOpaqueRowOf(uint32_t* d, const uint32_t* s, int n)
{
    EachGroup<V>(d, s, n, NormalGroup<V, true>());
}

// Copies n >= V::kPixels pixels.
template <class V> void CopyRow(uint32_t* d, const uint32_t* s, int n)
{
    Vector::MapRow<V>(d, s, n, Vector::Same<V>());
}

template <class V> void CopyRowOf(uint32_t* d, const uint32_t* s, int n)
{
    if (n >= Vector::kStringCopyFrom && Vector::StringCopyFits(d, s))
        Vector::StringCopy<V>(d, s, size_t(n));
    else if (n >= V::kPixels)
        CopyRow<V>(d, s, n);
    else if (n > 0)
        V::StorePart(d, V::LoadPart(s, n, 0), n);
}

// Each row of a block, joined or not, leaving the registers clean (see Vector::CleanExit).
template <class V, class Row> void CleanJoinedRows(const Block& b, Row row)
{
    Vector::CleanExit<V> clean;
    EachJoinedRow(b, row);
}
template <class V, class Row> void CleanRows(const Block& b, Row row)
{
    Vector::CleanExit<V> clean;
    EachRow(b, row);
}

// Rows shorter than this many vectors go a group at a time, each group mixed:
// walking their runs costs more in mispredicted turns than it saves.
constexpr int kRunsFrom = 16;

// Walks a row by the source's run lengths (runs[i]: pixels from i to the end
// of its run of alpha 0, 255 or between): a run of a group or more goes whole
// to whole(d, s, n, alpha); shorter ones are covered a group at a time by
// `mixed`, a group function as EachGroup takes, the last ending with the row.
template <class V, class WholeRun, class Mixed>
void WalkRuns(uint32_t* d, const uint32_t* s, const uint8_t* runs, int n, WholeRun whole, Mixed mixed)
{
    constexpr int k = V::kPixels;
    if (n < kRunsFrom * k)
        return EachGroup<V>(d, s, n, mixed);
    // The last group, read before anything is written (see EachGroup).
    int last = n - k;
    typename V::Reg dLast = V::Load(d + last), sLast = V::Load(s + last);
    for (int i = 0; i < n;)
    {
        // A run is told in a byte: a longer one goes on in the runs after it, of its kind.
        int run = std::min(int(runs[i]), n - i);
        for (int more = run; more == 255 && i + run < n && AlphaClass(s[i + run]) == AlphaClass(s[i]);
             run += more)
            more = std::min(int(runs[i + run]), n - i - run);
        if (run >= k)
        {
            whole(d + i, s + i, run, s[i] >> 24);
            i += run;
        }
        else if (i <= last)
        {
            mixed(d + i, V::Load(d + i), V::Load(s + i), Whole<V>());
            i += k;
        }
        else
        {
            mixed(d + last, dLast, sLast, Whole<V>());
            break;
        }
    }
}

// A group of the blit over a destination taken as opaque (a group function as
// EachGroup takes): opaque pixels copied, clear ones skipped, others over opaque;
// `weighted`: from the source's weighted pixels (Blend::Weighted).
template <class V, bool weighted> struct OpaqueRunsGroup
{
    template <class Count>
    void operator()(uint32_t* dp, typename V::Reg dv, typename V::Reg sv, Count count) const
    {
        // Groups wholly opaque or wholly clear, as most of a sprite's are, take no arithmetic.
        typename V::Reg a = V::template Shr32<24>(sv);
        typename V::Mask opaque = V::Eq32(a, V::Splat(255));
        if (V::All(opaque))
            return Put<V>(dp, sv, count);
        typename V::Mask clear = V::Eq32(a, V::Zero());
        if (V::All(clear))
            return;
        // Opaque pixels weigh 256: the source as it is.
        typename V::Reg w = Pairs<V>(V::AddOneWhere(opaque, a));
        typename V::Reg out = weighted ? OverWeightedBy<V>(dv, sv, w) : OverOpaqueBy<V>(dv, sv, w);
        Put<V>(dp, Vector::KeepWhere<V>(clear, dv, out), count);
    }
};

// The same blit driven by the source's run lengths.
template <class V, bool weighted>
void OpaqueRunsRowOf(uint32_t* d, const uint32_t* s, const uint8_t* runs, int n)
{
    WalkRuns<V>(
        d, s, runs, n,
        [](uint32_t* dp, const uint32_t* sp, int run, uint32_t alpha)
        {
            if (alpha == 255)
                CopyRowOf<V>(dp, sp, run);
            else if (alpha != 0 && weighted)
                EachGroup<V>(dp, sp, run,
                             [](uint32_t* p, typename V::Reg dv, typename V::Reg tv, auto count)
                             { Put<V>(p, OverWeightedBy<V>(dv, tv, V::AlphaPairs(tv)), count); });
            else if (alpha != 0)
                OverOpaqueRowOf<V>(dp, sp, run);
        },
        OpaqueRunsGroup<V, weighted>());
}

// The blit over a destination taken as opaque, walking the runs where rows are long enough.
template <class V, bool weighted> void OpaqueRunsRowsOf(const Block& b, const uint8_t* runs)
{
    // Rows too short for their runs to be walked, and blocks drawn without them, go a group at
    // a time, joined where they follow each other.
    if (runs == nullptr || b.w < kRunsFrom * V::kPixels)
        return CleanJoinedRows<V>(b, [](uint32_t* d, const uint32_t* s, int n)
                                  { EachGroup<V>(d, s, n, OpaqueRunsGroup<V, weighted>()); });
    CleanRows<V>(b,
                 [&](uint32_t* d, const uint32_t* s)
                 {
                     OpaqueRunsRowOf<V, weighted>(d, s, runs, b.w);
                     runs += b.sPitch;
                 });
}

template <class V> void TintedRowOf(uint32_t* d, const uint32_t* s, int n, const Tint& t)
{
    using Reg = typename V::Reg;
    Reg colourPairs = V::Splat(uint32_t(t.mRed) << 16 | uint32_t(t.mBlue)),
        green = V::Splat(uint32_t(t.mGreen));
    Reg ca = V::Splat(uint32_t(t.mAlpha));
    // Red rounds after each product, green and blue once after both: red's
    // product loses its low byte before the second.
    Reg keep = V::Splat(0xFF00FFFF);
    auto group = [&](uint32_t* dp, Reg dv, Reg sv, auto count, auto wholeAlpha)
    {
        if (V::All(V::ClearLanes(sv)))
            return;
        // The modulated alpha (the source's own under a tint of alpha 255): over an opaque
        // pixel the weight itself.
        Reg w = V::template Shr32<24>(sv), alpha = V::Splat(kAlpha);
        if constexpr (!wholeAlpha)
            w = Div255<V>(V::MulLo16(w, ca));
        typename V::Mask clear{};
        bool opaque = AllOpaque<V>(dv);
        if (!opaque)
        {
            // Lanes of no alpha keep their pixel; their alpha is taken as 1 to keep na
            // above 0.
            clear = V::Eq32(w, V::Zero());
            BlendWeights<V>(dv, V::AddOneWhere(clear, w), w, alpha);
            alpha = V::template Shl32<24>(alpha);
        }
        // Worked in the pixels' own lanes, blue and red in the halves of each, green in
        // the low half.
        w = Pairs<V>(w);
        Reg pairs = V::MulHi16(V::And(V::MulLo16(V::And(sv, V::Splat(0x00FF00FF)), w), keep), colourPairs);
        Reg sGreen = V::MulHi16(V::MulLo16(V::And(V::template Shr32<8>(sv), V::Splat(0xFF)), w), green);
        Reg dGreen;
        pairs = V::Add16(pairs, ByteTerms<V>(dv, V::Sub16(V::Splat16(256), w), dGreen));
        Reg out = V::Or(V::Or(pairs, V::template Shl32<8>(V::Add16(sGreen, dGreen))), alpha);
        Put<V>(dp, opaque ? out : V::Select(clear, dv, out), count);
    };
    if (t.mAlpha == 255)
        EachGroup<V>(d, s, n,
                     [&](uint32_t* dp, Reg dv, Reg sv, auto count)
                     { group(dp, dv, sv, count, std::true_type()); });
    else
        EachGroup<V>(d, s, n,
                     [&](uint32_t* dp, Reg dv, Reg sv, auto count)
                     { group(dp, dv, sv, count, std::false_type()); });
}

// The channel amounts of an additive mode, alpha bytes zero, worked on the
// blue and red bytes (16-bit lanes of s & 0x00FF00FF) and on the green and
// alpha bytes (s >> 8) without unpacking: products of a byte and a weight fit
// a 16-bit lane, and their high byte lands where blue and red go (after a
// shift) or where green goes (as it is). `even` and `odd` are the tint's
// (blue, red) and (green, 0) pairs.
template <class V, AddMode mode>
typename V::Reg AddAmounts(typename V::Reg sv, typename V::Reg even, typename V::Reg odd)
{
    using Reg = typename V::Reg;
    Reg e = V::And(sv, V::Splat(0x00FF00FF)), o = V::template Shr16<8>(sv);
    Reg greenByte = V::Splat(0x0000FF00);
    switch (mode)
    {
    case AddMode::Plain:
        return V::And(sv, V::Splat(0x00FFFFFF));
    case AddMode::Amounts:
        return sv;
    case AddMode::Alpha:
    {
        // Blue and red moved up a byte: the high half of their product is the amount.
        Reg a = V::AlphaPairs(sv);
        return V::Or(V::MulHi16(V::template Shl16<8>(sv), a), V::And(V::MulLo16(o, a), greenByte));
    }
    case AddMode::Tinted:
        return V::Or(V::template Shr16<8>(V::MulLo16(e, even)), V::And(V::MulLo16(o, odd), greenByte));
    case AddMode::TintedAlpha:
    {
        Reg a = V::AlphaPairs(sv);
        Reg te = V::template Shr16<8>(V::MulLo16(e, even)), to = V::template Shr16<8>(V::MulLo16(o, odd));
        return V::Or(V::template Shr16<8>(V::MulLo16(te, a)), V::And(V::MulLo16(to, a), greenByte));
    }
    }
    return sv;
}

// The amounts of a mode added to a vector of destination pixels; the modes that skip
// clear pixels add nothing for them, whatever their colour.
template <class V, AddMode mode> struct AddOf
{
    typename V::Reg even, odd;
    typename V::Reg operator()(typename V::Reg dv, typename V::Reg sv) const
    {
        typename V::Reg add = AddAmounts<V, mode>(sv, even, odd);
        if (mode == AddMode::Plain || mode == AddMode::Tinted)
            add = V::ZeroWhere(V::ClearLanes(sv), add);
        return V::AddSat8(dv, add);
    }
};

// The additive row. Clear pixels add nothing in any mode, but looking for
// groups or runs of them to skip costs more than adding their zeros; taking
// opaque groups as plain saturating adds gains nothing either: the row waits
// on memory, not on its arithmetic.
template <class V, AddMode mode> void AddRowIn(uint32_t* d, const uint32_t* s, int n, const Tint& t)
{
    AddOf<V, mode> add{V::Splat(uint32_t(t.mRed) << 16 | uint32_t(t.mBlue)), V::Splat(uint32_t(t.mGreen))};
    if (n >= V::kPixels)
        return Vector::ZipRow<V>(d, Vector::Loads<V>{s}, n, add);
    if (n > 0)
        V::StorePart(d, add(V::LoadPart(d, n, kAlpha), V::LoadPart(s, n, 0)), n);
}

template <class V, AddMode mode> void AddRowsIn(const Block& b, const Tint& t)
{
    EachJoinedRow(b, [&](uint32_t* d, const uint32_t* s, int n) { AddRowIn<V, mode>(d, s, n, t); });
}

template <class V> void AddRowsOf(const Block& b, AddMode mode, const Tint& scaled)
{
    Vector::CleanExit<V> clean;
    switch (mode)
    {
    case AddMode::Plain:
        return AddRowsIn<V, AddMode::Plain>(b, scaled);
    case AddMode::Alpha:
        return AddRowsIn<V, AddMode::Alpha>(b, scaled);
    case AddMode::Tinted:
        return AddRowsIn<V, AddMode::Tinted>(b, scaled);
    case AddMode::TintedAlpha:
        return AddRowsIn<V, AddMode::TintedAlpha>(b, scaled);
    case AddMode::Amounts:
        return AddRowsIn<V, AddMode::Amounts>(b, scaled);
    }
}

// The packed amounts from pixel i on of a row (a source for ZipRow).
template <class V> struct PackedLoads
{
    const uint8_t* a;
    typename V::Reg operator()(int i) const { return V::LoadPacked(a + ptrdiff_t(i) * kPackedAmountBytes); }
};

// Saturating adds need no more than the amounts: their alpha bytes are 0.
template <class V> struct AddSat
{
    typename V::Reg operator()(typename V::Reg dv, typename V::Reg amounts) const
    {
        return V::AddSat8(dv, amounts);
    }
};

template <class V> void AddPackedRowsOf(const Block& b, const uint8_t* amounts)
{
    Vector::CleanExit<V> clean;
    auto row = [](uint32_t* d, const uint8_t* a, int n)
    {
        if (n >= V::kPixels)
            return Vector::ZipRow<V>(d, PackedLoads<V>{a}, n, AddSat<V>());
        Reference::AddPackedRows({d, n, nullptr, n, n, 1}, a);
    };
    // Rows that follow each other in both go as one (see Joined).
    if (b.h > 1 && b.dPitch == b.w && b.sPitch == b.w && b.w <= INT_MAX / b.h)
        return row(b.d, amounts, b.w * b.h);
    for (int y = 0; y < b.h; y++)
        row(b.d + ptrdiff_t(y) * b.dPitch, amounts + ptrdiff_t(y) * b.sPitch * kPackedAmountBytes, b.w);
}

// The packed additive row where a level unpacks three bytes a pixel cheaply (a shuffle by
// byte numbers); the others keep the reference, which the drawing leaves unused there.
template <class V> constexpr auto AddPackedRowsFor()
{
    if constexpr (V::kPermute)
        return &AddPackedRowsOf<V>;
    else
        return &Reference::AddPackedRows;
}

// d[i] = s[columns[i]] for a source row of `width` pixels. Where a group's
// columns lie within one vector's width of its first, the pixels there are
// loaded once and shuffled into place, which is much cheaper than a gather.
template <class V> typename V::Reg GatherGroup(const uint32_t* s, int width, const int32_t* columns)
{
    if constexpr (V::kPermute)
    {
        int first = columns[0];
        typename V::Reg within =
            V::Sub32(V::Load(reinterpret_cast<const uint32_t*>(columns)), V::Splat(uint32_t(first)));
        if (V::AllBelow(within, V::kPixels))
        {
            int left = width - first;
            return V::Permute(left >= V::kPixels ? V::Load(s + first) : V::LoadPart(s + first, left, 0),
                              within);
        }
    }
    return V::GatherAt(s, columns);
}

template <class V> void GatherRowOf(uint32_t* d, const uint32_t* s, int width, const int32_t* columns, int n)
{
    Vector::CleanExit<V> clean;
    int i = 0;
    for (; i + V::kPixels <= n; i += V::kPixels)
        V::Store(d + i, GatherGroup<V>(s, width, columns + i));
    if (i < n && n >= V::kPixels) // the last group again, ending with the row
        V::Store(d + n - V::kPixels, GatherGroup<V>(s, width, columns + n - V::kPixels));
    else
        for (; i < n; i++)
            d[i] = s[columns[i]];
}

// Sums a source row across into cells (see Blitters.h): blue and red (the
// even bytes) and green and alpha (the odd ones) times the weight in both
// halves of a word, every sum within its 16-bit lane.
template <class V>
void FilterAcrossOf(uint32_t* even, uint32_t* odd, const uint32_t* pixels, const int32_t* lines,
                    const uint32_t* weights, int taps, int stride, bool paired)
{
    Vector::CleanExit<V> clean;
    using Reg = typename V::Reg;
    auto add = [](Reg& e, Reg& o, Reg p, Reg weight)
    {
        e = V::Add16(e, V::MulLo16(V::And(p, V::Splat(0x00FF00FF)), weight));
        o = V::Add16(o, V::MulLo16(V::template Shr16<8>(p), weight));
    };
    for (int c = 0; c < stride; c += V::kPixels)
    {
        // Sums from 32768: 16-bit sums with their top bits flipped.
        Reg e = V::Splat(0x80008000), o = e;
        if constexpr (V::kPairLoads)
        {
            // Two taps on neighbouring columns (an enlargement): both pixels in one load.
            if (paired)
            {
                Reg p, q;
                V::GatherPairs(pixels, lines + c, p, q);
                add(e, o, p, V::Load(weights + c));
                add(e, o, q, V::Load(weights + stride + c));
                V::Store(even + c, e);
                V::Store(odd + c, o);
                continue;
            }
        }
        for (int t = 0; t < taps; t++)
        {
            size_t at = size_t(t) * size_t(stride) + size_t(c);
            add(e, o, V::GatherAt(pixels, lines + at), V::Load(weights + at));
        }
        V::Store(even + c, e);
        V::Store(odd + c, o);
    }
}

// Sums of cells times weights, in 32-bit lanes: a pair of taps at a time, the
// cells (up to 65535) taken as signed 16-bit numbers less 32768 and their
// weights (up to 256) multiplied and added at once. What the cells lost is 32768
// times the sum of all the weights: each lane starts from its part below 65536
// (`start`, 0 or 32768), and the rest is added to the channels (see Bias). The
// sums are below 2^24; their high 16 bits, signed, are the channels less that rest.
template <class V> struct DownSums
{
    typename V::Reg lo, hi;

    static DownSums Of(typename V::Reg a, typename V::Reg b, typename V::Reg weights)
    {
        return {V::MulAdd16(V::Interleave16Low(a, b), weights),
                V::MulAdd16(V::Interleave16High(a, b), weights)};
    }
    void Add(typename V::Reg a, typename V::Reg b, typename V::Reg weights)
    {
        DownSums more = Of(a, b, weights);
        lo = V::Add32(lo, more.lo);
        hi = V::Add32(hi, more.hi);
    }
    // 16-bit lanes in the order of the cells' own.
    typename V::Reg Channels() const
    {
        return V::PackSigned32(V::template Sar32<16>(lo), V::template Sar32<16>(hi));
    }
};

// The pixels of the sums of blue and red (`e`) and of green and alpha (`o`), from the rest
// of what the cells lost, in every channel of a 16-bit lane (`bias`): the channels less
// it lie within a byte of each other, and the sums within a 16-bit lane come out whole.
template <class V>
typename V::Reg DownPixels(const DownSums<V>& e, const DownSums<V>& o, typename V::Reg bias)
{
    return V::Add16(V::Add16(e.Channels(), V::template Shl16<8>(o.Channels())), bias);
}

// Cells of row t (less 32768 as they are held); a row past the last one has cells of 0,
// under a weight of 0.
template <class V> typename V::Reg DownCells(const uint32_t* const* rows, int t, int taps, int c)
{
    return t < taps ? V::Load(rows[t] + c) : V::Zero();
}

// The weights of taps t and t + 1 in the two halves of every 32-bit lane.
template <class V> typename V::Reg DownPair(const int* weights, int t, int taps)
{
    return V::Splat(uint32_t(weights[t]) | (t + 1 < taps ? uint32_t(weights[t + 1]) << 16 : 0));
}

// Puts a vector of the filter's pixels from cell c on onto a row of `width` pixels by the
// normal blend, the cells past its end left out.
template <class V> void PutFiltered(uint32_t* out, int width, int c, typename V::Reg pixels)
{
    if (c + V::kPixels <= width)
        NormalGroup<V>()(out + c, V::Load(out + c), pixels, Whole<V>());
    else
        NormalGroup<V>()(out + c, V::LoadPart(out + c, width - c, kAlpha), pixels, width - c);
}

template <class V>
void FilterDownOf(uint32_t* out, int width, const uint32_t* const* even, const uint32_t* const* odd,
                  const int* weights, int taps)
{
    Vector::CleanExit<V> clean;
    using Reg = typename V::Reg;
    uint32_t total = 0;
    for (int t = 0; t < taps; t++)
        total += uint32_t(weights[t]);
    // 32768 times the total: its part below 65536 in each sum, the rest in each channel.
    Reg start = V::Splat((total & 1) << 15), firstPair = DownPair<V>(weights, 0, taps);
    Reg bias = V::Splat16(int((total >> 1) * 0x101));
    if (taps == 2 && total % 2 == 0)
    {
        // An enlargement's two rows, held where the loop sees they do not move; their
        // weights add up to 256, and the sums start from 0.
        const uint32_t *even0 = even[0], *even1 = even[1], *odd0 = odd[0], *odd1 = odd[1];
        for (int c = 0; c < width; c += V::kPixels)
        {
            auto e = DownSums<V>::Of(V::Load(even0 + c), V::Load(even1 + c), firstPair);
            auto o = DownSums<V>::Of(V::Load(odd0 + c), V::Load(odd1 + c), firstPair);
            PutFiltered<V>(out, width, c, DownPixels<V>(e, o, bias));
        }
        return;
    }
    for (int c = 0; c < width; c += V::kPixels)
    {
        DownSums<V> e{start, start}, o{start, start};
        e.Add(DownCells<V>(even, 0, taps, c), DownCells<V>(even, 1, taps, c), firstPair);
        o.Add(DownCells<V>(odd, 0, taps, c), DownCells<V>(odd, 1, taps, c), firstPair);
        for (int t = 2; t < taps; t += 2)
        {
            Reg pair = DownPair<V>(weights, t, taps);
            e.Add(DownCells<V>(even, t, taps, c), DownCells<V>(even, t + 1, taps, c), pair);
            o.Add(DownCells<V>(odd, t, taps, c), DownCells<V>(odd, t + 1, taps, c), pair);
        }
        PutFiltered<V>(out, width, c, DownPixels<V>(e, o, bias));
    }
}

// One level's table from its vector type.
template <class V> constexpr Rows RowsOf()
{
    return {
        .FillRows = [](const Block& b, uint32_t color)
        { CleanJoinedRows<V>(b, [&](uint32_t* d, const uint32_t*, int n) { FillRowOf<V>(d, n, color); }); },
        .CopyRows = [](const Block& b)
        { CleanJoinedRows<V>(b, [&](uint32_t* d, const uint32_t* s, int n) { CopyRowOf<V>(d, s, n); }); },
        .BlendFillRows =
            [](const Block& b, uint32_t color, uint32_t alpha)
        {
            CleanJoinedRows<V>(b, [&](uint32_t* d, const uint32_t*, int n)
                               { BlendFillRowOf<V>(d, n, color, alpha); });
        },
        .NormalRows = [](const Block& b)
        { CleanJoinedRows<V>(b, [&](uint32_t* d, const uint32_t* s, int n) { NormalRowOf<V>(d, s, n); }); },
        .OverOpaqueRows =
            [](const Block& b) {
                CleanJoinedRows<V>(b, [&](uint32_t* d, const uint32_t* s, int n)
                                   { OverOpaqueRowOf<V>(d, s, n); });
            },
        .OpaqueRunsRows = &OpaqueRunsRowsOf<V, false>,
        .WeightedRunsRows = &OpaqueRunsRowsOf<V, true>,
        .TintedRows =
            [](const Block& b, const Tint& tint) {
                CleanJoinedRows<V>(b, [&](uint32_t* d, const uint32_t* s, int n)
                                   { TintedRowOf<V>(d, s, n, tint); });
            },
        .AddRows = &AddRowsOf<V>,
        .AddPackedRows = AddPackedRowsFor<V>(),
        .GatherRow = &GatherRowOf<V>,
        .FilterAcross = &FilterAcrossOf<V>,
        .FilterDown = &FilterDownOf<V>,
        .FilterCells = V::kPixels,
        .PacksAmounts = V::kPermute};
}

} // namespace
} // namespace Lumo::Blitters
