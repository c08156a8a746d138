#pragma once

// The vector types of the rows (graphics/VectorRows.h, display/SurfaceRowsVector.h), one
// per instruction-set level: this file, VectorAvx2.h and VectorAvx512.h. A level's file
// includes <cstdint>, <cstring> and the intrinsics header, then its vector type after
// LUMO_TARGET_BEGIN (see graphics/CpuDispatch.h): the type is private to that file and
// built for its level, and includes nothing that could be built for it too.
//
// A vector type holds kPixels 32-bit pixels in a Reg and gives:
//   Load, Store; LoadPart(p, n, pad), StorePart(p, v, n): the first n lanes (n below
//   kPixels; the other lanes of a load are pad); Load16, Store16: 16-bit pixels, one a lane;
//   Splat (32-bit), Splat16, Splat16x4(blue, green, red, alpha lanes of every pixel), Zero;
//   And, Or, Xor; Add16, Sub16, MulLo16, MulHi16 (unsigned), Min16 (signed), Add32, Sub32,
//   AddSat8, SubSat8; Quotient(n, d): n / d per 32-bit lane for n below 2^16 and d of at
//   least 1 (exact in single precision); Shr16<n>, Shl16<n>, Shr32<n>, Shl32<n>, Sar32<n> (signed); MulAdd16
//   (signed 16-bit products, each pair's two added in a 32-bit lane); Interleave16Low, Interleave16High
//   (the 16-bit lanes of each 128-bit lane's low or high half of a and b, alternately);
//   PackSigned32 (32-bit lanes to 16, saturating, back in the order Interleave16 took them);
//   Low, High: the pixels of each 128-bit lane's low or high half, bytes widened to 16-bit
//   lanes; LowUp, HighUp: the same with each byte in the upper half of its lane (x << 8);
//   AlphaLow, AlphaHigh: each pixel's alpha in the four lanes of that pixel (as Low, High);
//   AlphaPairs: each pixel's alpha in both 16-bit lanes of its 32 bits; Pack: 16-bit lanes
//   back to bytes, saturating; SpreadFirst: the first 32-bit lane in every lane;
//   Even(a, b): the even-numbered pixels of a, then those of b; LoadBytes: kPixels bytes,
//   one a lane;
//   a Mask of 32-bit lanes from Eq32, OpaqueLanes, ClearLanes (alpha 255, alpha 0), tested
//   by All and None and used by Select(mask, ifSet, ifClear), ZeroWhere(mask, v),
//   OnesWhere(mask, v), SubOneWhere(mask, v) and AddOneWhere(mask, v);
//   Gather(base, indices): base[index] per 32-bit lane, in hardware where kGathers;
//   GatherAt(base, at): the same for the V::kPixels indices at `at`; where kPairLoads,
//   GatherPairs(base, at, first, second): base[at[i]] and base[at[i] + 1]; where kGathers
//   there GatherBytes, the 4 bytes at base + index; kPermute, and where it is true
//   AllBelow(v, n) (every 32-bit lane below n, unsigned) and Permute(v, lanes); ZeroUpper
//   clears the upper halves of the wider registers (nothing at SSE2); kPermutePairs, and where
//   it is true Permute2(a, lanes, b): the lanes of a then b (2 * kPixels) by the low
//   kPermute2Bits bits of each lane's number.
//   kSelectInOne: Select takes one instruction, no more than testing the mask would.
namespace Lumo::Vector
{
namespace
{

// Four pixels a vector: the x86-64 baseline.
struct Sse2
{
    using Reg = __m128i;
    using Mask = __m128i;
    static constexpr int kPixels = 4;

    static Reg Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void Store(uint32_t* p, Reg v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static Reg LoadPart(const uint32_t* p, int n, uint32_t pad)
    {
        return _mm_setr_epi32(int(p[0]), int(n > 1 ? p[1] : pad), int(n > 2 ? p[2] : pad), int(pad));
    }
    // p may be a row of 16-bit pixels taken two at a time: no alignment is assumed.
    static void StorePart(uint32_t* p, Reg v, int n)
    {
        for (int i = 0; i < n; i++, v = _mm_srli_si128(v, 4))
        {
            int lane = _mm_cvtsi128_si32(v);
            std::memcpy(p + i, &lane, sizeof(lane));
        }
    }
    static Reg LoadBytes(const uint8_t* p)
    {
        int bytes;
        std::memcpy(&bytes, p, sizeof(bytes));
        return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), Zero()), Zero());
    }
    static Reg Load16(const uint16_t* p)
    {
        return _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
    }
    static void Store16(uint16_t* p, Reg v)
    {
        Reg low = _mm_srai_epi32(_mm_slli_epi32(v, 16), 16); // the low halves, packed without saturating
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packs_epi32(low, low));
    }
    static Reg Splat(uint32_t x) { return _mm_set1_epi32(int(x)); }
    static Reg Splat16(int x) { return _mm_set1_epi16(int16_t(x)); }
    static Reg Splat16x4(int b, int g, int r, int a)
    {
        return _mm_set_epi16(int16_t(a), int16_t(r), int16_t(g), int16_t(b), int16_t(a), int16_t(r),
                             int16_t(g), int16_t(b));
    }
    static Reg Zero() { return _mm_setzero_si128(); }
    static Reg And(Reg a, Reg b) { return _mm_and_si128(a, b); }
    static Reg Or(Reg a, Reg b) { return _mm_or_si128(a, b); }
    static Reg Xor(Reg a, Reg b) { return _mm_xor_si128(a, b); }
    static Reg MulAdd16(Reg a, Reg b) { return _mm_madd_epi16(a, b); }
    static Reg Interleave16Low(Reg a, Reg b) { return _mm_unpacklo_epi16(a, b); }
    static Reg Interleave16High(Reg a, Reg b) { return _mm_unpackhi_epi16(a, b); }
    static Reg PackSigned32(Reg lo, Reg hi) { return _mm_packs_epi32(lo, hi); }
    static Reg Add16(Reg a, Reg b) { return _mm_add_epi16(a, b); }
    static Reg Sub16(Reg a, Reg b) { return _mm_sub_epi16(a, b); }
    static Reg MulLo16(Reg a, Reg b) { return _mm_mullo_epi16(a, b); }
    static Reg MulHi16(Reg a, Reg b) { return _mm_mulhi_epu16(a, b); }
    static Reg Min16(Reg a, Reg b) { return _mm_min_epi16(a, b); }
    static Reg Add32(Reg a, Reg b) { return _mm_add_epi32(a, b); }
    static Reg Sub32(Reg a, Reg b) { return _mm_sub_epi32(a, b); }
    static Reg Quotient(Reg n, Reg d)
    {
        return _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(n), _mm_cvtepi32_ps(d)));
    }
    static Reg AddSat8(Reg a, Reg b) { return _mm_adds_epu8(a, b); }
    static Reg SubSat8(Reg a, Reg b) { return _mm_subs_epu8(a, b); }
    template <int n> static Reg Shr16(Reg v) { return _mm_srli_epi16(v, n); }
    template <int n> static Reg Shl16(Reg v) { return _mm_slli_epi16(v, n); }
    template <int n> static Reg Shr32(Reg v) { return _mm_srli_epi32(v, n); }
    template <int n> static Reg Sar32(Reg v) { return _mm_srai_epi32(v, n); }
    template <int n> static Reg Shl32(Reg v) { return _mm_slli_epi32(v, n); }
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
    static Reg AlphaPairs(Reg v)
    {
        Reg a = _mm_srli_epi32(v, 24);
        return _mm_or_si128(a, _mm_slli_epi32(a, 16));
    }
    static Reg Pack(Reg lo, Reg hi) { return _mm_packus_epi16(lo, hi); }
    static Reg SpreadFirst(Reg v) { return _mm_shuffle_epi32(v, 0); }
    static Reg Even(Reg a, Reg b)
    {
        return _mm_castps_si128(
            _mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
    }
    static Mask Eq32(Reg a, Reg b) { return _mm_cmpeq_epi32(a, b); }
    static Mask OpaqueLanes(Reg v) { return Eq32(And(v, Splat(0xFF000000)), Splat(0xFF000000)); }
    static Mask ClearLanes(Reg v) { return Eq32(And(v, Splat(0xFF000000)), Zero()); }
    static bool All(Mask m) { return _mm_movemask_epi8(m) == 0xFFFF; }
    static bool None(Mask m) { return _mm_movemask_epi8(m) == 0; }
    static Reg Select(Mask m, Reg ifSet, Reg ifClear)
    {
        return _mm_or_si128(_mm_and_si128(m, ifSet), _mm_andnot_si128(m, ifClear));
    }
    static Reg ZeroWhere(Mask m, Reg v) { return _mm_andnot_si128(m, v); }
    static Reg OnesWhere(Mask m, Reg v) { return _mm_or_si128(m, v); }
    static Reg SubOneWhere(Mask m, Reg v) { return _mm_add_epi32(v, m); }
    static Reg AddOneWhere(Mask m, Reg v) { return _mm_sub_epi32(v, m); }
    static constexpr bool kGathers = false;
    static Reg Gather(const uint32_t* base, Reg indices)
    {
        alignas(16) int32_t i[kPixels];
        _mm_store_si128(reinterpret_cast<__m128i*>(i), indices);
        return _mm_setr_epi32(int(base[i[0]]), int(base[i[1]]), int(base[i[2]]), int(base[i[3]]));
    }
    static Reg GatherAt(const uint32_t* base, const int32_t* at)
    {
        return _mm_setr_epi32(int(base[at[0]]), int(base[at[1]]), int(base[at[2]]), int(base[at[3]]));
    }
    static void ZeroUpper() {}
    static constexpr bool kPairLoads = true;
    // base[at[i]] in `first` and base[at[i] + 1] in `second`, each pair in one load.
    static void GatherPairs(const uint32_t* base, const int32_t* at, Reg& first, Reg& second)
    {
        auto pair = [&](int i) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + at[i])); };
        __m128 low = _mm_castsi128_ps(_mm_unpacklo_epi64(pair(0), pair(1)));
        __m128 high = _mm_castsi128_ps(_mm_unpacklo_epi64(pair(2), pair(3)));
        first = _mm_castps_si128(_mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0)));
        second = _mm_castps_si128(_mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1)));
    }
    static constexpr bool kPermutePairs = false;
    // Select: three instructions.
    static constexpr bool kSelectInOne = false;
    static constexpr bool kPermute = false; // no shuffle by lane numbers before SSSE3
};

} // namespace
} // namespace Lumo::Vector
