#pragma once

// The AVX-512 (F, BW, VL) vector type of the rows: sixteen pixels a vector (see
// graphics/VectorSse2.h).

// g++ 12's own AVX-512 shifts start their results from an "undefined" register that it
// then reports as used uninitialised.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace Lumo::Vector
{
namespace
{

struct Avx512
{
    using Reg = __m512i;
    using Mask = __mmask16;
    static constexpr int kPixels = 16;

    static Reg Load(const uint32_t* p) { return _mm512_loadu_si512(p); }
    static Reg LoadBytes(const uint8_t* p)
    {
        return _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    static void Store(uint32_t* p, Reg v) { _mm512_storeu_si512(p, v); }
    static Reg LoadPart(const uint32_t* p, int n, uint32_t pad)
    {
        return _mm512_mask_loadu_epi32(Splat(pad), Mask((1u << n) - 1), p);
    }
    static void StorePart(uint32_t* p, Reg v, int n) { _mm512_mask_storeu_epi32(p, Mask((1u << n) - 1), v); }
    static Reg Load16(const uint16_t* p)
    {
        return _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
    }
    static void Store16(uint16_t* p, Reg v)
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm512_cvtepi32_epi16(v));
    }
    static Reg Splat(uint32_t x) { return _mm512_set1_epi32(int(x)); }
    static Reg Splat16(int x) { return _mm512_set1_epi16(int16_t(x)); }
    static Reg Splat16x4(int b, int g, int r, int a)
    {
        return _mm512_set1_epi64(int64_t(uint64_t(uint16_t(a)) << 48 | uint64_t(uint16_t(r)) << 32 |
                                         uint64_t(uint16_t(g)) << 16 | uint16_t(b)));
    }
    static Reg Zero() { return _mm512_setzero_si512(); }
    static Reg And(Reg a, Reg b) { return _mm512_and_si512(a, b); }
    static Reg Or(Reg a, Reg b) { return _mm512_or_si512(a, b); }
    static Reg Xor(Reg a, Reg b) { return _mm512_xor_si512(a, b); }
    static Reg MulAdd16(Reg a, Reg b) { return _mm512_madd_epi16(a, b); }
    static Reg Interleave16Low(Reg a, Reg b) { return _mm512_unpacklo_epi16(a, b); }
    static Reg Interleave16High(Reg a, Reg b) { return _mm512_unpackhi_epi16(a, b); }
    static Reg PackSigned32(Reg lo, Reg hi) { return _mm512_packs_epi32(lo, hi); }
    static Reg Add16(Reg a, Reg b) { return _mm512_add_epi16(a, b); }
    static Reg Sub16(Reg a, Reg b) { return _mm512_sub_epi16(a, b); }
    static Reg MulLo16(Reg a, Reg b) { return _mm512_mullo_epi16(a, b); }
    static Reg MulHi16(Reg a, Reg b) { return _mm512_mulhi_epu16(a, b); }
    static Reg Min16(Reg a, Reg b) { return _mm512_min_epi16(a, b); }
    static Reg Add32(Reg a, Reg b) { return _mm512_add_epi32(a, b); }
    static Reg Sub32(Reg a, Reg b) { return _mm512_sub_epi32(a, b); }
    static Reg Quotient(Reg n, Reg d)
    {
        return _mm512_cvttps_epi32(_mm512_div_ps(_mm512_cvtepi32_ps(n), _mm512_cvtepi32_ps(d)));
    }
    static Reg AddSat8(Reg a, Reg b) { return _mm512_adds_epu8(a, b); }
    static Reg SubSat8(Reg a, Reg b) { return _mm512_subs_epu8(a, b); }
    template <int n> static Reg Shr16(Reg v) { return _mm512_srli_epi16(v, n); }
    template <int n> static Reg Shl16(Reg v) { return _mm512_slli_epi16(v, n); }
    template <int n> static Reg Shr32(Reg v) { return _mm512_srli_epi32(v, n); }
    template <int n> static Reg Sar32(Reg v) { return _mm512_srai_epi32(v, n); }
    template <int n> static Reg Shl32(Reg v) { return _mm512_slli_epi32(v, n); }
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
    static Reg AlphaPairs(Reg v)
    {
        return _mm512_shuffle_epi8(v, _mm512_set4_epi32(Pick(15), Pick(11), Pick(7), Pick(3)));
    }
    static Reg Pack(Reg lo, Reg hi) { return _mm512_packus_epi16(lo, hi); }
    static Reg SpreadFirst(Reg v) { return _mm512_broadcastd_epi32(_mm512_castsi512_si128(v)); }
    static Reg Even(Reg a, Reg b)
    {
        return _mm512_permutex2var_epi32(
            a, _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30), b);
    }
    static Mask Eq32(Reg a, Reg b) { return _mm512_cmpeq_epi32_mask(a, b); }
    static Mask OpaqueLanes(Reg v) { return _mm512_cmpge_epu32_mask(v, Splat(0xFF000000)); }
    static Mask ClearLanes(Reg v) { return _mm512_testn_epi32_mask(v, Splat(0xFF000000)); }
    static bool All(Mask m) { return m == 0xFFFF; }
    static bool None(Mask m) { return m == 0; }
    static Reg Select(Mask m, Reg ifSet, Reg ifClear) { return _mm512_mask_blend_epi32(m, ifClear, ifSet); }
    static Reg ZeroWhere(Mask m, Reg v) { return _mm512_maskz_mov_epi32(Mask(~m), v); }
    static Reg OnesWhere(Mask m, Reg v) { return _mm512_mask_mov_epi32(v, m, Splat(0xFFFFFFFF)); }
    static Reg SubOneWhere(Mask m, Reg v) { return _mm512_mask_sub_epi32(v, m, v, Splat(1)); }
    static Reg AddOneWhere(Mask m, Reg v) { return _mm512_mask_add_epi32(v, m, v, Splat(1)); }
    static constexpr bool kGathers = true;
    // Masked: g++ 12 warns of the unmasked gathers' undefined start.
    static Reg Gather(const uint32_t* base, Reg indices)
    {
        return _mm512_mask_i32gather_epi32(Zero(), 0xFFFF, indices, base, 4);
    }
    static Reg GatherAt(const uint32_t* base, const int32_t* at)
    {
        return Gather(base, Load(reinterpret_cast<const uint32_t*>(at)));
    }
    static Reg GatherBytes(const uint8_t* base, Reg indices)
    {
        return _mm512_mask_i32gather_epi32(Zero(), 0xFFFF, indices, base, 1);
    }
    static void ZeroUpper() { _mm256_zeroupper(); }
    static constexpr bool kPairLoads = false;
    // Select: one masked blend.
    static constexpr bool kSelectInOne = true;
    static constexpr bool kPermute = true;
    static bool AllBelow(Reg v, int n) { return All(_mm512_cmplt_epu32_mask(v, Splat(uint32_t(n)))); }
    static Reg Permute(Reg v, Reg lanes) { return _mm512_mask_permutexvar_epi32(v, 0xFFFF, lanes, v); }
    // Sixteen pixels of three bytes each (48 of the 64 read), as words of alpha 0: each
    // 128-bit lane given the twelve bytes of its four pixels, then each pixel's three to its word.
    static Reg LoadPacked(const uint8_t* p)
    {
        const Reg quarters = _mm512_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12);
        const Reg pick =
            _mm512_broadcast_i32x4(_mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1));
        return _mm512_shuffle_epi8(_mm512_permutexvar_epi32(quarters, _mm512_loadu_si512(p)), pick);
    }
    static constexpr bool kPermutePairs = true;
    static constexpr int kPermute2Bits = 5;
    static Reg Permute2(Reg a, Reg lanes, Reg b) { return _mm512_permutex2var_epi32(a, lanes, b); }
};

} // namespace
} // namespace Lumo::Vector
