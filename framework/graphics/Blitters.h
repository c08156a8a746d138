#pragma once

#include "graphics/CpuDispatch.h"

#include <cstddef>
#include <cstdint>

// Row blitters of the software drawing, most of them over a block of rows (the fills
// ignore the source; OverOpaqueRows draws onto opaque destinations only; the run-length table of
// OpaqueRunsRows has the source's pitch, or is null: the pixels' kinds told a group at a time;
// WeightedRunsRows does the same from the source's weighted pixels, Blend::Weighted).
//
// The filtered stretch's two rows work on `stride` cells, a multiple of the level's
// FilterCells, each cell's four channel sums held as 16-bit halves of two words, less 32768
// (the top bit of each half flipped: signed numbers for the sums down): `even` blue and red,
// `odd` green and alpha. FilterAcross sums a source row: cell c is the sum over the `taps`
// slots t of pixels[lines[t * stride + c]] times the weight in both halves of
// weights[t * stride + c] (`paired`: two slots, the second's line always the first's + 1).
// FilterDown sums rows of cells, each times its weight, takes the high 16 bits of each
// channel's sum as a pixel and puts the first `width` of them onto `out` by the normal blend.
//
// Each has a plain scalar version in Blitters::Reference, which defines the result, and
// vector versions per instruction-set level that must give the same bits; Active() has the
// active level's.
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
    Amounts,     // the source's channels are the amounts, alpha 0 (Blend::AlphaWeighted); all added
};

// The kind of a pixel in the run-length tables of OpaqueRunsRows: 0 alpha 0, 1 alpha 255,
// 2 between.
inline int AlphaClass(uint32_t pixel)
{
    uint32_t a = pixel >> 24;
    return a == 0 ? 0 : a == 255 ? 1 : 2;
}

// A block of h rows of w pixels: destination rows dPitch pixels apart, source
// rows sPitch apart (0: one source row for every destination row; a fill's
// source is null; AddPackedRows reads its source from `amounts`, rows sPitch
// pixels apart).
struct Block
{
    uint32_t* d;
    int dPitch;
    const uint32_t* s;
    int sPitch;
    int w, h;
};

#define LUMO_BLITTER_SET(X)                                                                                  \
    X(FillRows, (const Block& b, uint32_t color))                                                            \
    X(CopyRows, (const Block& b))                                                                            \
    X(BlendFillRows, (const Block& b, uint32_t color, uint32_t alpha))                                       \
    X(NormalRows, (const Block& b))                                                                          \
    X(OverOpaqueRows, (const Block& b))                                                                      \
    X(OpaqueRunsRows, (const Block& b, const uint8_t* runs))                                                 \
    X(WeightedRunsRows, (const Block& b, const uint8_t* runs))                                               \
    X(TintedRows, (const Block& b, const Tint& tint))                                                        \
    X(AddRows, (const Block& b, AddMode mode, const Tint& scaled))                                           \
    X(AddPackedRows, (const Block& b, const uint8_t* amounts))                                               \
    X(GatherRow, (uint32_t * d, const uint32_t* s, int width, const int32_t* columns, int n))                \
    X(FilterAcross, (uint32_t * even, uint32_t * odd, const uint32_t* pixels, const int32_t* lines,          \
                     const uint32_t* weights, int taps, int stride, bool paired))                            \
    X(FilterDown, (uint32_t * out, int width, const uint32_t* const* even, const uint32_t* const* odd,       \
                   const int* weights, int taps))

#define LUMO_BLITTER_DECLARE(name, parameters) void name parameters;
#define LUMO_BLITTER_MEMBER(name, parameters) void(*name) parameters;

// One level's rows.
struct Rows
{
    LUMO_BLITTER_SET(LUMO_BLITTER_MEMBER)
    int FilterCells;   // the pixels of the level's vectors
    bool PacksAmounts; // AddPackedRows beats AddRows of the amounts (Amounts) where memory is slow
};

// The additive amounts of a pixel (see Blend::AlphaWeighted) in kPackedAmountBytes bytes,
// blue first, as AddPackedRows reads them: a quarter less to read than whole pixels, for
// draws that wait on memory. A table of them has kPackedAmountPad bytes more, which the
// vector rows may read past its last pixel.
constexpr int kPackedAmountBytes = 3;
constexpr int kPackedAmountPad = 64;

// The rows of `level` (the nearest lower level's where it has none of its own).
const Rows& RowsFor(Cpu::Level level);

inline const Rows& Active()
{
    return RowsFor(Cpu::Active());
}

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
