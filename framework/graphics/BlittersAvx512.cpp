// Row blitters with AVX-512 (F, BW, VL), sixteen pixels at a time.
#include "graphics/Blend.h"
#include "graphics/Blitters.h"

#include <algorithm>
#include <cstring>

#if LUMO_CPU_X86
#include <immintrin.h>

LUMO_TARGET_BEGIN("avx2,avx512f,avx512bw,avx512vl")
#include "graphics/VectorRows.h"

namespace Lumo::Blitters::Avx512
{

namespace
{

struct Vec
{
    using Reg = __m512i;
    using Mask = __mmask16;
    static constexpr int kPixels = 16;

    static Reg Load(const uint32_t* p) { return _mm512_loadu_si512(p); }
    static void Store(uint32_t* p, Reg v) { _mm512_storeu_si512(p, v); }
    static Reg Splat(uint32_t x) { return _mm512_set1_epi32(int(x)); }
    static Reg Splat16(int x) { return _mm512_set1_epi16(int16_t(x)); }
    static Reg Splat16x4(int b, int g, int r, int a)
    {
        return _mm512_set1_epi64(int64_t(uint64_t(uint16_t(a)) << 48 | uint64_t(uint16_t(r)) << 32 |
                                         uint64_t(uint16_t(g)) << 16 | uint16_t(b)));
    }
    static Reg Zero() { return _mm512_setzero_si512(); }
    static Reg Low(Reg v) { return _mm512_unpacklo_epi8(v, Zero()); }
    static Reg High(Reg v) { return _mm512_unpackhi_epi8(v, Zero()); }
    static Reg LowUp(Reg v) { return _mm512_unpacklo_epi8(Zero(), v); }
    static Reg HighUp(Reg v) { return _mm512_unpackhi_epi8(Zero(), v); }
    // Byte 3 (or 7, 11, 15) of each lane into the low byte of the pixel's four 16-bit lanes
    // (0x80 picks zero).
    static Reg AlphaLow(Reg v)
    {
        return _mm512_shuffle_epi8(v, _mm512_set4_epi32(Pick(7), Pick(7), Pick(3), Pick(3)));
    }
    static Reg AlphaHigh(Reg v)
    {
        return _mm512_shuffle_epi8(v, _mm512_set4_epi32(Pick(15), Pick(15), Pick(11), Pick(11)));
    }
    static int Pick(int byte) { return int(0x80008000u | uint32_t(byte) << 16 | uint32_t(byte)); }
    // Each pixel's alpha in the low byte of both of its 16-bit lanes.
    static Reg AlphaPairs(Reg v)
    {
        return _mm512_shuffle_epi8(v, _mm512_set4_epi32(Pick(15), Pick(11), Pick(7), Pick(3)));
    }
    static Reg Pack(Reg lo, Reg hi) { return _mm512_packus_epi16(lo, hi); }
    static Reg MulLo(Reg a, Reg b) { return _mm512_mullo_epi16(a, b); }
    static Reg MulHi(Reg a, Reg b) { return _mm512_mulhi_epu16(a, b); }
    static Reg Add(Reg a, Reg b) { return _mm512_add_epi16(a, b); }
    static Reg Sub(Reg a, Reg b) { return _mm512_sub_epi16(a, b); }
    template <int n> static Reg Shr16(Reg v) { return _mm512_srli_epi16(v, n); }
    template <int n> static Reg Shl16(Reg v) { return _mm512_slli_epi16(v, n); }
    static Reg And(Reg a, Reg b) { return _mm512_and_si512(a, b); }
    static Reg Or(Reg a, Reg b) { return _mm512_or_si512(a, b); }
    static Reg AddSat8(Reg a, Reg b) { return _mm512_adds_epu8(a, b); }
    static Reg SubSat8(Reg a, Reg b) { return _mm512_subs_epu8(a, b); }
    static Mask OpaqueLanes(Reg v) { return _mm512_cmpge_epu32_mask(v, Splat(0xFF000000)); }
    static Mask ClearLanes(Reg v) { return _mm512_testn_epi32_mask(v, Splat(0xFF000000)); }
    static bool All(Mask m) { return m == 0xFFFF; }
    static Reg Select(Mask m, Reg ifSet, Reg ifClear) { return _mm512_mask_blend_epi32(m, ifClear, ifSet); }
    static Reg ZeroWhere(Mask m, Reg v) { return _mm512_maskz_mov_epi32(Mask(~m), v); }
    static Reg LoadPart(const uint32_t* p, int n, uint32_t pad)
    {
        return _mm512_mask_loadu_epi32(Splat(pad), Mask((1u << n) - 1), p);
    }
    static void StorePart(uint32_t* p, Reg v, int n) { _mm512_mask_storeu_epi32(p, Mask((1u << n) - 1), v); }
    static constexpr bool kPermute = true;
    static Reg Sub32(Reg a, Reg b) { return _mm512_sub_epi32(a, b); }
    static bool AllBelow(Reg v, int n) { return All(_mm512_cmplt_epu32_mask(v, Splat(uint32_t(n)))); }
    static Reg Permute(Reg v, Reg lanes) { return _mm512_mask_permutexvar_epi32(v, 0xFFFF, lanes, v); }
    static Reg Gather(const uint32_t* s, const int32_t* i)
    {
        return _mm512_mask_i32gather_epi32(Zero(), 0xFFFF, _mm512_loadu_si512(i), s, 4);
    }
};

} // namespace

extern const Rows kRows;
const Rows kRows = RowsOf<Vec>();

} // namespace Lumo::Blitters::Avx512

LUMO_TARGET_END
#endif
