// Row workers of the surface drawing: each writes one row of a locked surface in
// its own pixel format. The reference rows read the target's masks and tables and
// define the results; the pixel forms below have vector rows per instruction-set
// level that give the very same bits.
#pragma once

#include "display/SurfaceTarget.h"
#include "graphics/CpuDispatch.h"

#include <cstdint>

namespace Lumo::Surface
{

// The layouts with rows of their own; any other layout draws through the reference rows.
enum class Form
{
    Other,
    Rgb888,
    Rgb565,
    Rgb555,
};

Form FormOf(const Target& t);

// What a row reads besides its pixels (each row its own fields).
struct RowParams
{
    uint32_t mValue = 0;      // Fill: the pixel; BlendFill: the colour term added to every pixel
    uint32_t mInv = 0;        // BlendFill: 256 - the colour's alpha
    uint32_t mAmount[3] = {}; // AddFill: the amount per channel, in the channel's bits, red first
    uint32_t mMod[3] = {};    // Tint, AddTint: the modulated colour, red first
    uint32_t mAlpha = 0;      // Tint: the colour's alpha
    long mSourcePitch = 0;    // source pixels from one row to the next (0: the same row again)
    bool mSkipBlack = false;  // Add, AddTint: pixels under a source without colour stay as they are
};

// Draws `rows` rows of n pixels from `d`, a pixel of the target's surface (rows the
// target's pitch apart), out of `s`, premultiplied native pixels (null for the fills).
using Row = void (*)(const Target& t, void* d, const uint32_t* s, int n, int rows, const RowParams& p);

//   Fill       every pixel = value
//   BlendFill  each channel ((d AND m) * inv + k) >> 8 AND m, k = m at 16 bits and 0 at 32, plus value
//   AddFill    each channel through the saturation table: channel + amount
//   Copy       s AND the colour mask; KeyCopy the same where s's alpha is not 0
//   Over       the blend of s by its own alpha where that is not 0 (BlendNative, white)
//   Tint       the same modulated by mod and the colour's alpha (BlendNative, modulated)
//   Add        the saturating add of s (AddNative, white); AddTint modulated by mod
#define LUMO_SURFACE_ROWS(X)                                                                                 \
    X(Fill) X(BlendFill) X(AddFill) X(Copy) X(KeyCopy) X(Over) X(Tint) X(Add) X(AddTint)

// out[k] = native[columns[k]], or native[indices[columns[k]]] through a palette: the source
// pixels of a stretched row. `padded`: a 4-byte read at any of the columns' indices stays
// inside the picture's indices.
using Gather = void (*)(uint32_t* out, const uint32_t* native, const uint8_t* indices, const int* columns,
                        int n, bool padded);

// Where the pixels of a stretched picture come from: its native pixels, or the native table of
// a palette picture (256 entries, the first tableSize used) and its indices; `size` pixels or
// indices in all (whole vectors may read past the last one taken, up to there).
struct PickSource
{
    const uint32_t* mNative = nullptr;
    const uint8_t* mIndices = nullptr;
    int mTableSize = 0;
    size_t mSize = 0;
};

// Row r of `out` (rows n pixels apart) = every step-th pixel of the source from the
// starts[r]-th on, n of them: rows drawn at the same size (step 1, a palette's) or shrunk by a
// whole factor.
using Pick = void (*)(uint32_t* out, const PickSource& from, const size_t* starts, int rows, int step, int n);

#define LUMO_SURFACE_ROW_MEMBER(name) Row m##name;
struct Rows
{
    LUMO_SURFACE_ROWS(LUMO_SURFACE_ROW_MEMBER)
    Gather mGather;
    Pick mPick;
};
#undef LUMO_SURFACE_ROW_MEMBER

// The rows of `form` at `level` (the nearest lower level's where it has none of its own).
const Rows& RowsFor(Form form, Cpu::Level level);

inline const Rows& ActiveRows(const Target& t)
{
    return RowsFor(FormOf(t), Cpu::Active());
}

namespace Reference
{
extern const Rows kRows;
}

#if LUMO_CPU_X86
#define LUMO_SURFACE_LEVEL_TABLES extern const Rows kRgb888, kRgb565, kRgb555;
namespace Sse2
{
LUMO_SURFACE_LEVEL_TABLES
}
namespace Avx2
{
LUMO_SURFACE_LEVEL_TABLES
}
namespace Avx512
{
LUMO_SURFACE_LEVEL_TABLES
}
#undef LUMO_SURFACE_LEVEL_TABLES
#endif

} // namespace Lumo::Surface
