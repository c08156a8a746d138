#pragma once

// The AVX2 vector type of the rows: eight pixels a vector (see graphics/VectorSse2.h).
namespace Lumo::Vector
{
namespace
{

struct Avx2
{
    using Reg = __m256i;
    using Mask = __m256i;
    static constexpr int kPixels = 8;

    static Reg Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static Reg LoadBytes(const uint8_t* p)
    {
        return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
    }
    static void Store(uint32_t* p, Reg v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    // Lanes below n.
    static Reg PartMask(int n)
    {
        return _mm256_cmpgt_epi32(Splat(uint32_t(n)), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    }
    static Reg LoadPart(const uint32_t* p, int n, uint32_t pad)
    {
        Reg m = PartMask(n);
        return _mm256_blendv_epi8(Splat(pad), _mm256_maskload_epi32(reinterpret_cast<const int*>(p), m), m);
    }
    static void StorePart(uint32_t* p, Reg v, int n)
    {
        _mm256_maskstore_epi32(reinterpret_cast<int*>(p), PartMask(n), v);
    }
    static Reg Load16(const uint16_t* p)
    {
        return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    static void Store16(uint16_t* p, Reg v)
    {
        Reg packed = _mm256_packus_epi32(_mm256_and_si256(v, Splat(0xFFFF)), _mm256_setzero_si256());
        Reg ordered = _mm256_permute4x64_epi64(packed, _MM_SHUFFLE(3, 1, 2, 0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(ordered));
    }
    static Reg Splat(uint32_t x) { return _mm256_set1_epi32(int(x)); }
    static Reg Splat16(int x) { return _mm256_set1_epi16(int16_t(x)); }
    static Reg Splat16x4(int b, int g, int r, int a)
    {
        return _mm256_set1_epi64x(int64_t(uint64_t(uint16_t(a)) << 48 | uint64_t(uint16_t(r)) << 32 |
                                          uint64_t(uint16_t(g)) << 16 | uint16_t(b)));
    }
    static Reg Zero() { return _mm256_setzero_si256(); }
    static Reg And(Reg a, Reg b) { return _mm256_and_si256(a, b); }
    static Reg Or(Reg a, Reg b) { return _mm256_or_si256(a, b); }
    static Reg Xor(Reg a, Reg b) { return _mm256_xor_si256(a, b); }
    static Reg MulAdd16(Reg a, Reg b) { return _mm256_madd_epi16(a, b); }
    static Reg Interleave16Low(Reg a, Reg b) { return _mm256_unpacklo_epi16(a, b); }
    static Reg Interleave16High(Reg a, Reg b) { return _mm256_unpackhi_epi16(a, b); }
    static Reg PackSigned32(Reg lo, Reg hi) { return _mm256_packs_epi32(lo, hi); }
    static Reg Add16(Reg a, Reg b) { return _mm256_add_epi16(a, b); }
    static Reg Sub16(Reg a, Reg b) { return _mm256_sub_epi16(a, b); }
    static Reg MulLo16(Reg a, Reg b) { return _mm256_mullo_epi16(a, b); }
    static Reg MulHi16(Reg a, Reg b) { return _mm256_mulhi_epu16(a, b); }
    static Reg Min16(Reg a, Reg b) { return _mm256_min_epi16(a, b); }
    static Reg Add32(Reg a, Reg b) { return _mm256_add_epi32(a, b); }
    static Reg Sub32(Reg a, Reg b) { return _mm256_sub_epi32(a, b); }
    static Reg Quotient(Reg n, Reg d)
    {
        return _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(n), _mm256_cvtepi32_ps(d)));
    }
    static Reg AddSat8(Reg a, Reg b) { return _mm256_adds_epu8(a, b); }
    static Reg SubSat8(Reg a, Reg b) { return _mm256_subs_epu8(a, b); }
    template <int n> static Reg Shr16(Reg v) { return _mm256_srli_epi16(v, n); }
    template <int n> static Reg Shl16(Reg v) { return _mm256_slli_epi16(v, n); }
    template <int n> static Reg Shr32(Reg v) { return _mm256_srli_epi32(v, n); }
    template <int n> static Reg Sar32(Reg v) { return _mm256_srai_epi32(v, n); }
    template <int n> static Reg Shl32(Reg v) { return _mm256_slli_epi32(v, n); }
    static Reg Low(Reg v) { return _mm256_unpacklo_epi8(v, Zero()); }
    static Reg High(Reg v) { return _mm256_unpackhi_epi8(v, Zero()); }
    static Reg LowUp(Reg v) { return _mm256_unpacklo_epi8(Zero(), v); }
    static Reg HighUp(Reg v) { return _mm256_unpackhi_epi8(Zero(), v); }
    // Byte 3 (or 7, 11, 15) of each lane into the low byte of the pixel's four 16-bit lanes.
    static Reg AlphaLow(Reg v)
    {
        const Reg pick = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1, 3, -1, 3,
                                          -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1);
        return _mm256_shuffle_epi8(v, pick);
    }
    static Reg AlphaHigh(Reg v)
    {
        const Reg pick = _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1, 11,
                                          -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
        return _mm256_shuffle_epi8(v, pick);
    }
    static Reg AlphaPairs(Reg v)
    {
        const Reg pick = _mm256_setr_epi8(3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1, 3, -1,
                                          3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1);
        return _mm256_shuffle_epi8(v, pick);
    }
    static Reg Pack(Reg lo, Reg hi) { return _mm256_packus_epi16(lo, hi); }
    static Reg SpreadFirst(Reg v) { return _mm256_broadcastd_epi32(_mm256_castsi256_si128(v)); }
    static Reg Even(Reg a, Reg b)
    {
        // a0 a2 b0 b2 a4 a6 b4 b6, then the middle quarters swapped.
        __m256 pairs =
            _mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), _MM_SHUFFLE(2, 0, 2, 0));
        return _mm256_permute4x64_epi64(_mm256_castps_si256(pairs), _MM_SHUFFLE(3, 1, 2, 0));
    }
    static Mask Eq32(Reg a, Reg b) { return _mm256_cmpeq_epi32(a, b); }
    static Mask OpaqueLanes(Reg v) { return Eq32(And(v, Splat(0xFF000000)), Splat(0xFF000000)); }
    static Mask ClearLanes(Reg v) { return Eq32(And(v, Splat(0xFF000000)), Zero()); }
    static bool All(Mask m) { return _mm256_movemask_epi8(m) == -1; }
    static bool None(Mask m) { return _mm256_movemask_epi8(m) == 0; }
    static Reg Select(Mask m, Reg ifSet, Reg ifClear) { return _mm256_blendv_epi8(ifClear, ifSet, m); }
    static Reg ZeroWhere(Mask m, Reg v) { return _mm256_andnot_si256(m, v); }
    static Reg OnesWhere(Mask m, Reg v) { return _mm256_or_si256(m, v); }
    static Reg SubOneWhere(Mask m, Reg v) { return _mm256_add_epi32(v, m); }
    static Reg AddOneWhere(Mask m, Reg v) { return _mm256_sub_epi32(v, m); }
    static constexpr bool kGathers = true;
    static Reg Gather(const uint32_t* base, Reg indices)
    {
        return _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), indices, 4);
    }
    static Reg GatherAt(const uint32_t* base, const int32_t* at)
    {
        return Gather(base, Load(reinterpret_cast<const uint32_t*>(at)));
    }
    static Reg GatherBytes(const uint8_t* base, Reg indices)
    {
        return _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), indices, 1);
    }
    static void ZeroUpper() { _mm256_zeroupper(); }
    static constexpr bool kPairLoads = false;
    static constexpr bool kPermutePairs = false;
    // Select: two micro-operations.
    static constexpr bool kSelectInOne = false;
    static constexpr bool kPermute = true;
    static bool AllBelow(Reg v, int n)
    {
        Reg top = Splat(uint32_t(n - 1));
        return All(_mm256_cmpeq_epi32(_mm256_min_epu32(v, top), v));
    }
    static Reg Permute(Reg v, Reg lanes) { return _mm256_permutevar8x32_epi32(v, lanes); }
    // Eight pixels of three bytes each (24 of the 32 read), as words of alpha 0: the bytes
    // from 12 on moved to the upper 128-bit lane, then each pixel's three to its word.
    static Reg LoadPacked(const uint8_t* p)
    {
        const Reg halves = _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6);
        const Reg pick = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1,
                                          3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
        return _mm256_shuffle_epi8(Permute(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), halves),
                                   pick);
    }
};

} // namespace
} // namespace Lumo::Vector
