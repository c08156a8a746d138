// The surface rows built for AVX2: eight pixels a vector.
#include "display/SurfaceRows.h"

#include <cstring>

#if LUMO_CPU_X86
#include <immintrin.h>

LUMO_TARGET_BEGIN("avx2")
#include "display/SurfaceRowsVector.h"

namespace Lumo::Surface::Avx2
{
namespace
{

struct Ops
{
    using V = __m256i;
    using M = __m256i;
    static constexpr int kN = 8;
    static constexpr bool kGathers = true;
    static V Gather(const uint32_t* base, V index)
    {
        return _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), index, 4);
    }
    static V GatherBytes(const uint8_t* base, V index)
    {
        return _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), index, 1);
    }

    static V Set(uint32_t v) { return _mm256_set1_epi32(int(v)); }
    static V Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }
    static void Store(uint32_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<V*>(p), v); }
    // The first n (below kN) lanes.
    static void StoreFirst(uint32_t* p, V v, int n)
    {
        V first = _mm256_cmpgt_epi32(_mm256_set1_epi32(n), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        _mm256_maskstore_epi32(reinterpret_cast<int*>(p), first, v);
    }
    static V Load16(const uint16_t* p)
    {
        return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    static void Store16(uint16_t* p, V v)
    {
        V packed = _mm256_packus_epi32(_mm256_and_si256(v, Set(0xFFFF)), _mm256_setzero_si256());
        V ordered = _mm256_permute4x64_epi64(packed, _MM_SHUFFLE(3, 1, 2, 0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(ordered));
    }
    static V And(V a, V b) { return _mm256_and_si256(a, b); }
    static V Or(V a, V b) { return _mm256_or_si256(a, b); }
    static V Add32(V a, V b) { return _mm256_add_epi32(a, b); }
    static V Sub32(V a, V b) { return _mm256_sub_epi32(a, b); }
    static V Add16(V a, V b) { return _mm256_add_epi16(a, b); }
    static V Mullo16(V a, V b) { return _mm256_mullo_epi16(a, b); }
    static V Mulhi16u(V a, V b) { return _mm256_mulhi_epu16(a, b); }
    static V AddsU8(V a, V b) { return _mm256_adds_epu8(a, b); }
    static V Min16(V a, V b) { return _mm256_min_epi16(a, b); }
    template <int k> static V Srli16(V v) { return _mm256_srli_epi16(v, k); }
    template <int k> static V Srli32(V v) { return _mm256_srli_epi32(v, k); }
    template <int k> static V Slli32(V v) { return _mm256_slli_epi32(v, k); }
    static M CmpEq32(V a, V b) { return _mm256_cmpeq_epi32(a, b); }
    static bool All(M m) { return _mm256_movemask_epi8(m) == -1; }
    static bool None(M m) { return _mm256_movemask_epi8(m) == 0; }
    static V Select(M m, V a, V b) { return _mm256_blendv_epi8(b, a, m); }
    static V SubOneWhere(M m, V v) { return _mm256_add_epi32(v, m); }
};

} // namespace

const Rows kRgb888 = MakeRows<Ops, Layout888>();
const Rows kRgb565 = MakeRows<Ops, Layout565>();
const Rows kRgb555 = MakeRows<Ops, Layout555>();

} // namespace Lumo::Surface::Avx2

LUMO_TARGET_END
#endif
