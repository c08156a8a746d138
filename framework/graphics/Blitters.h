#pragma once

#include "graphics/CpuDispatch.h"

#include <cstddef>
#include <cstdint>

// Row blitters of the software drawing. Each has a plain scalar version in
// Blitters::Reference, which defines the result, and vector versions per
// instruction-set level that must give the same bits; the free functions run
// the active level's.
namespace Lumo::Blitters
{

struct Tint
{
    int mRed, mGreen, mBlue, mAlpha;
};

enum class AddMode
{
    Plain,       // whole source channels; transparent pixels skipped
    Alpha,       // channels weighted by the source alpha
    Tinted,      // channels modulated by the alpha-scaled colour; transparent pixels skipped
    TintedAlpha, // modulated, then weighted by the source alpha
};

#define LUMO_BLITTER_SET(X)                                                                                  \
    X(void, FillRow, (uint32_t * d, int n, uint32_t color), (d, n, color))                                   \
    X(void, BlendFillRow, (uint32_t * d, int n, uint32_t color, uint32_t alpha), (d, n, color, alpha))       \
    X(void, NormalRow, (uint32_t * d, const uint32_t* s, int n), (d, s, n))                                  \
    X(void, OverOpaqueRow, (uint32_t * d, const uint32_t* s, int n), (d, s, n))                              \
    X(void, OpaqueRunsRow, (uint32_t * d, const uint32_t* s, const uint8_t* runs, int n), (d, s, runs, n))   \
    X(void, TintedRow, (uint32_t * d, const uint32_t* s, int n, const Tint& tint), (d, s, n, tint))          \
    X(void, AddRow, (uint32_t * d, const uint32_t* s, int n, AddMode mode, const Tint& scaled),              \
      (d, s, n, mode, scaled))                                                                               \
    X(void, GatherRow, (uint32_t * d, const uint32_t* s, const int32_t* columns, int n), (d, s, columns, n)) \
    X(void, AccumulateRow, (int32_t * row, const int32_t* in, size_t n, int32_t weight, bool first),         \
      (row, in, n, weight, first))

#define LUMO_BLITTER_DECLARE(result, name, parameters, arguments) result name parameters;
#define LUMO_BLITTER_MEMBER(result, name, parameters, arguments) result(*name) parameters;

// One level's rows.
struct Rows
{
    LUMO_BLITTER_SET(LUMO_BLITTER_MEMBER)
};

// The rows of `level` (the nearest lower level's where it has none of its own).
const Rows& RowsFor(Cpu::Level level);

inline const Rows& Active()
{
    return RowsFor(Cpu::Active());
}

LUMO_BLITTER_SET(LUMO_BLITTER_DECLARE)

namespace Reference
{
LUMO_BLITTER_SET(LUMO_BLITTER_DECLARE)
}

#if LUMO_CPU_X86
// Each level's rows (BlittersSse2.cpp, BlittersAvx2.cpp, BlittersAvx512.cpp).
namespace Sse2
{
extern const Rows kRows;
}
namespace Avx2
{
extern const Rows kRows;
}
namespace Avx512
{
extern const Rows kRows;
}
#endif

} // namespace Lumo::Blitters
