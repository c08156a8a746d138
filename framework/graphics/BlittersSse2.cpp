// Row blitters with SSE2, four pixels at a time: the x86-64 baseline.
#include "graphics/Blend.h"
#include "graphics/Blitters.h"

#include <algorithm>
#include <cstring>

#if LUMO_CPU_X86
#include <emmintrin.h>

#include "graphics/VectorRows.h"

namespace Lumo::Blitters::Sse2
{

namespace
{

struct Vec
{
    using Reg = __m128i;
    using Mask = __m128i;
    static constexpr int kPixels = 4;

    static Reg Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void Store(uint32_t* p, Reg v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static Reg Splat(uint32_t x) { return _mm_set1_epi32(int(x)); }
    static Reg Splat16(int x) { return _mm_set1_epi16(int16_t(x)); }
    static Reg Splat16x4(int b, int g, int r, int a)
    {
        return _mm_set_epi16(int16_t(a), int16_t(r), int16_t(g), int16_t(b), int16_t(a), int16_t(r),
                             int16_t(g), int16_t(b));
    }
    static Reg Zero() { return _mm_setzero_si128(); }
    static Reg Low(Reg v) { return _mm_unpacklo_epi8(v, Zero()); }
    static Reg High(Reg v) { return _mm_unpackhi_epi8(v, Zero()); }
    static Reg LowUp(Reg v) { return _mm_unpacklo_epi8(Zero(), v); }
    static Reg HighUp(Reg v) { return _mm_unpackhi_epi8(Zero(), v); }
    static Reg Broadcast3(Reg v)
    {
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
    }
    static Reg AlphaLow(Reg v) { return Broadcast3(Low(v)); }
    static Reg AlphaHigh(Reg v) { return Broadcast3(High(v)); }
    // Each pixel's alpha in the low byte of both of its 16-bit lanes.
    static Reg AlphaPairs(Reg v)
    {
        Reg a = _mm_srli_epi32(v, 24);
        return _mm_or_si128(a, _mm_slli_epi32(a, 16));
    }
    static Reg Pack(Reg lo, Reg hi) { return _mm_packus_epi16(lo, hi); }
    static Reg MulLo(Reg a, Reg b) { return _mm_mullo_epi16(a, b); }
    static Reg MulHi(Reg a, Reg b) { return _mm_mulhi_epu16(a, b); }
    static Reg Add(Reg a, Reg b) { return _mm_add_epi16(a, b); }
    static Reg Sub(Reg a, Reg b) { return _mm_sub_epi16(a, b); }
    template <int n> static Reg Shr16(Reg v) { return _mm_srli_epi16(v, n); }
    template <int n> static Reg Shl16(Reg v) { return _mm_slli_epi16(v, n); }
    static Reg And(Reg a, Reg b) { return _mm_and_si128(a, b); }
    static Reg Or(Reg a, Reg b) { return _mm_or_si128(a, b); }
    static Reg AddSat8(Reg a, Reg b) { return _mm_adds_epu8(a, b); }
    static Reg SubSat8(Reg a, Reg b) { return _mm_subs_epu8(a, b); }
    static Mask AlphaIs(Reg v, uint32_t alpha)
    {
        return _mm_cmpeq_epi32(_mm_and_si128(v, Splat(0xFF000000)), Splat(alpha << 24));
    }
    static Mask OpaqueLanes(Reg v) { return AlphaIs(v, 255); }
    static Mask ClearLanes(Reg v) { return AlphaIs(v, 0); }
    static bool All(Mask m) { return _mm_movemask_epi8(m) == 0xFFFF; }
    static Reg Select(Mask m, Reg ifSet, Reg ifClear)
    {
        return _mm_or_si128(_mm_and_si128(m, ifSet), _mm_andnot_si128(m, ifClear));
    }
    static Reg ZeroWhere(Mask m, Reg v) { return _mm_andnot_si128(m, v); }
    static Reg LoadPart(const uint32_t* p, int n, uint32_t pad)
    {
        return _mm_setr_epi32(int(p[0]), int(n > 1 ? p[1] : pad), int(n > 2 ? p[2] : pad), int(pad));
    }
    static void StorePart(uint32_t* p, Reg v, int n)
    {
        for (int i = 0; i < n; i++, v = _mm_srli_si128(v, 4))
            p[i] = uint32_t(_mm_cvtsi128_si32(v));
    }
    static constexpr bool kPermute = false; // no shuffle by lane numbers before SSSE3
    static Reg Gather(const uint32_t* s, const int32_t* i)
    {
        return _mm_setr_epi32(int(s[i[0]]), int(s[i[1]]), int(s[i[2]]), int(s[i[3]]));
    }
};

} // namespace

extern const Rows kRows;
const Rows kRows = RowsOf<Vec>();

} // namespace Lumo::Blitters::Sse2

#endif
