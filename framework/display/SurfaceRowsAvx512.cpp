// The surface rows built for AVX-512 (F, BW, VL): sixteen pixels a vector.
#include "display/SurfaceRows.h"

#include <cstring>

#if LUMO_CPU_X86
#include <immintrin.h>

// g++ 12's own AVX-512 intrinsics start many results from an "undefined" register that
// it then reports as used uninitialised.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

LUMO_TARGET_BEGIN("avx512f,avx512bw,avx512vl")
#include "display/SurfaceRowsVector.h"

namespace Lumo::Surface::Avx512
{
namespace
{

struct Ops
{
    using V = __m512i;
    using M = __mmask16;
    static constexpr int kN = 16;
    static constexpr bool kGathers = true;
    static V Gather(const uint32_t* base, V index) { return _mm512_i32gather_epi32(index, base, 4); }
    static V GatherBytes(const uint8_t* base, V index) { return _mm512_i32gather_epi32(index, base, 1); }

    static V Set(uint32_t v) { return _mm512_set1_epi32(int(v)); }
    static V Load(const uint32_t* p) { return _mm512_loadu_si512(p); }
    static void Store(uint32_t* p, V v) { _mm512_storeu_si512(p, v); }
    // The first n (below kN) lanes.
    static void StoreFirst(uint32_t* p, V v, int n) { _mm512_mask_storeu_epi32(p, M((1u << n) - 1), v); }
    static V Load16(const uint16_t* p)
    {
        return _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
    }
    static void Store16(uint16_t* p, V v)
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm512_cvtepi32_epi16(v));
    }
    static V And(V a, V b) { return _mm512_and_si512(a, b); }
    static V Or(V a, V b) { return _mm512_or_si512(a, b); }
    static V Add32(V a, V b) { return _mm512_add_epi32(a, b); }
    static V Sub32(V a, V b) { return _mm512_sub_epi32(a, b); }
    static V Add16(V a, V b) { return _mm512_add_epi16(a, b); }
    static V Mullo16(V a, V b) { return _mm512_mullo_epi16(a, b); }
    static V Mulhi16u(V a, V b) { return _mm512_mulhi_epu16(a, b); }
    static V AddsU8(V a, V b) { return _mm512_adds_epu8(a, b); }
    static V Min16(V a, V b) { return _mm512_min_epi16(a, b); }
    template <int k> static V Srli16(V v) { return _mm512_srli_epi16(v, k); }
    template <int k> static V Srli32(V v) { return _mm512_srli_epi32(v, k); }
    template <int k> static V Slli32(V v) { return _mm512_slli_epi32(v, k); }
    static M CmpEq32(V a, V b) { return _mm512_cmpeq_epi32_mask(a, b); }
    static bool All(M m) { return m == 0xFFFF; }
    static bool None(M m) { return m == 0; }
    static V Select(M m, V a, V b) { return _mm512_mask_blend_epi32(m, b, a); }
    static V SubOneWhere(M m, V v) { return _mm512_mask_sub_epi32(v, m, v, Set(1)); }
};

} // namespace

const Rows kRgb888 = MakeRows<Ops, Layout888>();
const Rows kRgb565 = MakeRows<Ops, Layout565>();
const Rows kRgb555 = MakeRows<Ops, Layout555>();

} // namespace Lumo::Surface::Avx512

LUMO_TARGET_END
#endif
