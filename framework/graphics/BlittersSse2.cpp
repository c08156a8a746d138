// SSE2 row blitters. Groups of four pixels over an opaque destination take
// the vector path, where the blend's weight is the source alpha itself; any
// other group is blended by the scalar formulas, so results equal the
// reference bit for bit.
#include "graphics/Blend.h"
#include "graphics/Blitters.h"

#if LUMO_CPU_X86
#include <emmintrin.h>

namespace Lumo::Blitters::Sse2
{

namespace
{

struct Wide
{
    __m128i lo, hi; // two pixels each, channels as 16-bit lanes: b g r a b g r a
};

inline Wide Unpack(__m128i v)
{
    __m128i zero = _mm_setzero_si128();
    return {_mm_unpacklo_epi8(v, zero), _mm_unpackhi_epi8(v, zero)};
}

inline __m128i Pack(const Wide& w)
{
    return _mm_packus_epi16(w.lo, w.hi);
}

inline __m128i Load(const uint32_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void Store(uint32_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Each pixel's alpha lane copied into its four lanes.
inline __m128i BroadcastAlpha(__m128i v)
{
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
}

inline bool AllOpaque(__m128i d)
{
    __m128i alpha = _mm_set1_epi32(int(0xFF000000));
    return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(d, alpha), alpha)) == 0xFFFF;
}

// (x * y) >> 8 per 16-bit lane; the products stay within 16 bits.
inline __m128i MulShift8(__m128i x, __m128i y)
{
    return _mm_srli_epi16(_mm_mullo_epi16(x, y), 8);
}

// x / 255 for every 16-bit x: (x * 0x8081) >> 23.
inline __m128i Div255(__m128i x)
{
    return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(int16_t(0x8081))), 7);
}

// d * (256 - w) >> 8 plus a source term, alpha forced to 255.
inline __m128i OverOpaque4(__m128i d, const Wide& sourceTerm, const Wide& weight)
{
    Wide dd = Unpack(d);
    __m128i k256 = _mm_set1_epi16(256);
    Wide out{_mm_add_epi16(MulShift8(dd.lo, _mm_sub_epi16(k256, weight.lo)), sourceTerm.lo),
             _mm_add_epi16(MulShift8(dd.hi, _mm_sub_epi16(k256, weight.hi)), sourceTerm.hi)};
    return _mm_or_si128(Pack(out), _mm_set1_epi32(int(0xFF000000)));
}

inline __m128i OverOpaquePixels4(__m128i d, __m128i s)
{
    Wide ss = Unpack(s);
    Wide a{BroadcastAlpha(ss.lo), BroadcastAlpha(ss.hi)};
    Wide term{MulShift8(ss.lo, a.lo), MulShift8(ss.hi, a.hi)};
    return OverOpaque4(d, term, a);
}

} // namespace

void BlendFillRow(uint32_t* d, int n, uint32_t color, uint32_t alpha)
{
    // Over an opaque pixel w = alpha: the source term is one constant.
    __m128i c = Unpack(_mm_set1_epi32(int(color))).lo;
    __m128i a = _mm_set1_epi16(int16_t(alpha));
    Wide term{MulShift8(c, a), MulShift8(c, a)};
    Wide weight{a, a};
    int i = 0;
    for (; i + 4 <= n; i += 4)
    {
        __m128i dv = Load(d + i);
        if (AllOpaque(dv))
            Store(d + i, OverOpaque4(dv, term, weight));
        else
            for (int k = i; k < i + 4; k++)
                d[k] = Blend::Normal(d[k], color, alpha);
    }
    for (; i < n; i++)
        d[i] = Blend::Normal(d[i], color, alpha);
}

void NormalRow(uint32_t* d, const uint32_t* s, int n)
{
    int i = 0;
    for (; i + 4 <= n; i += 4)
    {
        __m128i dv = Load(d + i);
        if (AllOpaque(dv))
            Store(d + i, OverOpaquePixels4(dv, Load(s + i)));
        else
            for (int k = i; k < i + 4; k++)
                d[k] = Blend::NormalPixel(d[k], s[k]);
    }
    for (; i < n; i++)
        d[i] = Blend::NormalPixel(d[i], s[i]);
}

void OverOpaqueRow(uint32_t* d, const uint32_t* s, int n)
{
    int i = 0;
    for (; i + 4 <= n; i += 4)
        Store(d + i, OverOpaquePixels4(Load(d + i), Load(s + i)));
    for (; i < n; i++)
        d[i] = Blend::OverOpaque(d[i], s[i]);
}

void TintedRow(uint32_t* d, const uint32_t* s, int n, const Tint& t)
{
    __m128i c = _mm_set_epi16(0, int16_t(t.mRed), int16_t(t.mGreen), int16_t(t.mBlue), 0, int16_t(t.mRed),
                              int16_t(t.mGreen), int16_t(t.mBlue));
    __m128i ca = _mm_set1_epi16(int16_t(t.mAlpha));
    // Red rounds after each product, green and blue once after both.
    __m128i redLanes = _mm_set_epi16(0, -1, 0, 0, 0, -1, 0, 0);
    auto source = [&](__m128i x)
    {
        __m128i twoStep = MulShift8(_mm_srli_epi16(x, 8), c);
        __m128i oneStep = _mm_mulhi_epu16(x, c);
        return _mm_or_si128(_mm_and_si128(redLanes, twoStep), _mm_andnot_si128(redLanes, oneStep));
    };
    int i = 0;
    for (; i + 4 <= n; i += 4)
    {
        __m128i dv = Load(d + i);
        if (!AllOpaque(dv))
        {
            for (int k = i; k < i + 4; k++)
                d[k] = Blend::Tinted(d[k], s[k], t.mRed, t.mGreen, t.mBlue, t.mAlpha);
            continue;
        }
        Wide ss = Unpack(Load(s + i));
        // Over an opaque pixel the weight is the modulated alpha.
        Wide w{Div255(_mm_mullo_epi16(BroadcastAlpha(ss.lo), ca)),
               Div255(_mm_mullo_epi16(BroadcastAlpha(ss.hi), ca))};
        Wide term{source(_mm_mullo_epi16(ss.lo, w.lo)), source(_mm_mullo_epi16(ss.hi, w.hi))};
        Store(d + i, OverOpaque4(dv, term, w));
    }
    for (; i < n; i++)
        d[i] = Blend::Tinted(d[i], s[i], t.mRed, t.mGreen, t.mBlue, t.mAlpha);
}

void AddRow(uint32_t* d, const uint32_t* s, int n, AddMode mode, const Tint& c)
{
    __m128i colour = _mm_set_epi16(0, int16_t(c.mRed), int16_t(c.mGreen), int16_t(c.mBlue), 0,
                                   int16_t(c.mRed), int16_t(c.mGreen), int16_t(c.mBlue));
    __m128i colourLanes = _mm_set1_epi32(0x00FFFFFF);
    bool tinted = mode == AddMode::Tinted || mode == AddMode::TintedAlpha;
    bool weighted = mode == AddMode::Alpha || mode == AddMode::TintedAlpha;
    auto amount = [&](__m128i x, __m128i alpha)
    {
        if (tinted)
            x = MulShift8(x, colour);
        if (weighted)
            x = MulShift8(x, alpha);
        return x;
    };
    int i = 0;
    for (; i + 4 <= n; i += 4)
    {
        __m128i sv = Load(s + i);
        __m128i add = sv;
        if (tinted || weighted)
        {
            Wide ss = Unpack(sv);
            add = Pack({amount(ss.lo, BroadcastAlpha(ss.lo)), amount(ss.hi, BroadcastAlpha(ss.hi))});
        }
        add = _mm_and_si128(add, colourLanes);
        if (!weighted) // transparent pixels add nothing
        {
            __m128i clear = _mm_cmpeq_epi32(_mm_srli_epi32(sv, 24), _mm_setzero_si128());
            add = _mm_andnot_si128(clear, add);
        }
        Store(d + i, _mm_adds_epu8(Load(d + i), add));
    }
    Reference::AddRow(d + i, s + i, n - i, mode, c);
}

void FillRow(uint32_t* d, int n, uint32_t color)
{
    Reference::FillRow(d, n, color);
}

void AccumulateRow(int32_t* row, const int32_t* in, size_t n, int32_t weight, bool first)
{
    Reference::AccumulateRow(row, in, n, weight, first);
}

#define LUMO_BLITTER_SSE2(result, name, parameters, arguments) &name,
const Rows kRows = {LUMO_BLITTER_SET(LUMO_BLITTER_SSE2)};

} // namespace Lumo::Blitters::Sse2

#endif
