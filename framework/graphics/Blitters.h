#pragma once

#include <cstdint>

// Row blitters of the software drawing. Each has a plain scalar version in
// Blitters::Reference, which defines the result, and a dispatching version
// that may use vector instructions and must give the same bits.
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

void FillRow(uint32_t* d, int n, uint32_t color);

#define LUMO_BLITTER_SET                                                                                     \
    void BlendFillRow(uint32_t* d, int n, uint32_t color, uint32_t alpha);                                   \
    void NormalRow(uint32_t* d, const uint32_t* s, int n);                                                   \
    void OverOpaqueRow(uint32_t* d, const uint32_t* s, int n);                                               \
    void TintedRow(uint32_t* d, const uint32_t* s, int n, const Tint& tint);                                 \
    void AddRow(uint32_t* d, const uint32_t* s, int n, AddMode mode, const Tint& scaled);

LUMO_BLITTER_SET

namespace Reference
{
LUMO_BLITTER_SET
}

#ifdef __SSE2__
namespace Sse2
{
LUMO_BLITTER_SET
}
#endif

#undef LUMO_BLITTER_SET

} // namespace Lumo::Blitters
