// The surface rows built for SSE2: four pixels a vector.
#include "display/SurfaceRows.h"

#include <cstring>

#if LUMO_CPU_X86
#include <emmintrin.h>

LUMO_TARGET_BEGIN("sse2")
#include "display/SurfaceRowsVector.h"

namespace Lumo::Surface::Sse2
{
namespace
{

struct Ops
{
    using V = __m128i;
    using M = __m128i;
    static constexpr int kN = 4;
    static constexpr bool kGathers = false;
    static V Gather(const uint32_t*, V) { return V(); }
    static V GatherBytes(const uint8_t*, V) { return V(); }

    static V Set(uint32_t v) { return _mm_set1_epi32(int(v)); }
    static V Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
    static void Store(uint32_t* p, V v) { _mm_storeu_si128(reinterpret_cast<V*>(p), v); }
    // The first n (below kN) lanes.
    static void StoreFirst(uint32_t* p, V v, int n)
    {
        uint32_t lanes[kN];
        Store(lanes, v);
        std::memcpy(p, lanes, size_t(n) * sizeof(uint32_t));
    }
    static V Load16(const uint16_t* p)
    {
        return _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const V*>(p)), _mm_setzero_si128());
    }
    static void Store16(uint16_t* p, V v)
    {
        V low = _mm_srai_epi32(_mm_slli_epi32(v, 16), 16); // the low halves, packed without saturating
        _mm_storel_epi64(reinterpret_cast<V*>(p), _mm_packs_epi32(low, low));
    }
    static V And(V a, V b) { return _mm_and_si128(a, b); }
    static V Or(V a, V b) { return _mm_or_si128(a, b); }
    static V Add32(V a, V b) { return _mm_add_epi32(a, b); }
    static V Sub32(V a, V b) { return _mm_sub_epi32(a, b); }
    static V Add16(V a, V b) { return _mm_add_epi16(a, b); }
    static V Mullo16(V a, V b) { return _mm_mullo_epi16(a, b); }
    static V Mulhi16u(V a, V b) { return _mm_mulhi_epu16(a, b); }
    static V AddsU8(V a, V b) { return _mm_adds_epu8(a, b); }
    static V Min16(V a, V b) { return _mm_min_epi16(a, b); }
    template <int k> static V Srli16(V v) { return _mm_srli_epi16(v, k); }
    template <int k> static V Srli32(V v) { return _mm_srli_epi32(v, k); }
    template <int k> static V Slli32(V v) { return _mm_slli_epi32(v, k); }
    static M CmpEq32(V a, V b) { return _mm_cmpeq_epi32(a, b); }
    static bool All(M m) { return _mm_movemask_epi8(m) == 0xFFFF; }
    static bool None(M m) { return _mm_movemask_epi8(m) == 0; }
    static V Select(M m, V a, V b) { return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b)); }
    static V SubOneWhere(M m, V v) { return _mm_add_epi32(v, m); }
};

} // namespace

const Rows kRgb888 = MakeRows<Ops, Layout888>();
const Rows kRgb565 = MakeRows<Ops, Layout565>();
const Rows kRgb555 = MakeRows<Ops, Layout555>();

} // namespace Lumo::Surface::Sse2

LUMO_TARGET_END
#endif
