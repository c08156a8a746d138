// The reference surface rows, on any masks, and the choice of rows per form and level.
#include "display/SurfaceRows.h"

#include <algorithm>

namespace Lumo::Surface
{

Form FormOf(const Target& t)
{
    const uint32_t* m = t.mMask;
    if (t.mDepth == 32 && m[0] == 0xFF0000 && m[1] == 0xFF00 && m[2] == 0xFF)
        return Form::Rgb888;
    if (t.mDepth == 16 && m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F)
        return Form::Rgb565;
    if (t.mDepth == 16 && m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F)
        return Form::Rgb555;
    return Form::Other;
}

namespace Reference
{
namespace
{

template <typename P> void FillOf(const Target&, P* d, const uint32_t*, int n, const RowParams& p)
{
    std::fill(d, d + n, P(p.mValue));
}

template <typename P> void BlendFillOf(const Target& t, P* d, const uint32_t*, int n, const RowParams& p)
{
    uint64_t inv = p.mInv;
    for (int i = 0; i < n; i++)
    {
        uint32_t out = p.mValue;
        for (int c = 0; c < 3; c++)
        {
            uint32_t m = t.mMask[c];
            out += uint32_t(((d[i] & m) * inv + (sizeof(P) == 2 ? m : 0)) >> 8) & m;
        }
        d[i] = P(out);
    }
}

template <typename P> void AddFillOf(const Target& t, P* d, const uint32_t*, int n, const RowParams& p)
{
    for (int i = 0; i < n; i++)
    {
        uint32_t out = 0;
        for (int c = 0; c < 3; c++)
            out |= uint32_t(t.mAdd[c][((d[i] & t.mMask[c]) >> t.mShift[c]) + p.mAmount[c]]) << t.mShift[c];
        d[i] = P(out);
    }
}

template <typename P> void CopyOf(const Target& t, P* d, const uint32_t* s, int n, const RowParams&)
{
    for (int i = 0; i < n; i++)
        d[i] = P(s[i] & t.ColorMask());
}

template <typename P> void KeyCopyOf(const Target& t, P* d, const uint32_t* s, int n, const RowParams&)
{
    for (int i = 0; i < n; i++)
        if ((s[i] >> 24) != 0)
            d[i] = P(s[i] & t.ColorMask());
}

template <typename P> void OverOf(const Target& t, P* d, const uint32_t* s, int n, const RowParams&)
{
    for (int i = 0; i < n; i++)
        if ((s[i] >> 24) != 0)
            d[i] = P(BlendNative(t, d[i], s[i], s[i] >> 24, nullptr, 0));
}

template <typename P> void TintOf(const Target& t, P* d, const uint32_t* s, int n, const RowParams& p)
{
    for (int i = 0; i < n; i++)
        if ((s[i] >> 24) != 0)
            d[i] = P(BlendNative(t, d[i], s[i], s[i] >> 24, p.mMod, p.mAlpha));
}

template <typename P> void AddOf(const Target& t, P* d, const uint32_t* s, int n, const RowParams& p)
{
    for (int i = 0; i < n; i++)
        if (!p.mSkipBlack || (s[i] & 0xFFFFFF) != 0)
            d[i] = P(AddNative(t, d[i], s[i], nullptr));
}

template <typename P> void AddTintOf(const Target& t, P* d, const uint32_t* s, int n, const RowParams& p)
{
    for (int i = 0; i < n; i++)
        if (!p.mSkipBlack || (s[i] & 0xFFFFFF) != 0)
            d[i] = P(AddNative(t, d[i], s[i], p.mMod));
}

// Each row at the target's depth; other depths draw nothing.
#define LUMO_SURFACE_REFERENCE_ROW(name)                                                                     \
    void name(const Target& t, void* d, const uint32_t* s, int n, int rows, const RowParams& p)              \
    {                                                                                                        \
        for (int j = 0; j < rows; j++)                                                                       \
        {                                                                                                    \
            void* row = static_cast<uint8_t*>(d) + j * t.mPitch;                                             \
            const uint32_t* from = s != nullptr ? s + j * p.mSourcePitch : nullptr;                          \
            if (t.mDepth == 16)                                                                              \
                name##Of(t, static_cast<uint16_t*>(row), from, n, p);                                        \
            else if (t.mDepth == 32)                                                                         \
                name##Of(t, static_cast<uint32_t*>(row), from, n, p);                                        \
        }                                                                                                    \
    }
LUMO_SURFACE_ROWS(LUMO_SURFACE_REFERENCE_ROW)
#undef LUMO_SURFACE_REFERENCE_ROW

void GatherColumns(uint32_t* out, const uint32_t* native, const uint8_t* indices, const int* columns, int n,
                   bool)
{
    for (int k = 0; k < n; k++)
        out[k] = native[indices != nullptr ? indices[columns[k]] : columns[k]];
}

void PickColumns(uint32_t* out, const PickSource& from, const size_t* starts, int rows, int step, int n)
{
    for (int r = 0; r < rows; r++, out += n)
        for (int k = 0; k < n; k++)
        {
            size_t at = starts[r] + size_t(k) * size_t(step);
            out[k] = from.mNative[from.mIndices != nullptr ? from.mIndices[at] : at];
        }
}

} // namespace

#define LUMO_SURFACE_ROW_ENTRY(name) &name,
const Rows kRows = {LUMO_SURFACE_ROWS(LUMO_SURFACE_ROW_ENTRY) & GatherColumns, &PickColumns};
#undef LUMO_SURFACE_ROW_ENTRY

} // namespace Reference

const Rows& RowsFor(Form form, Cpu::Level level)
{
#if LUMO_CPU_X86
    static const Rows* const kRgb888[Cpu::kLevels] = {&Reference::kRows, &Sse2::kRgb888, &Avx2::kRgb888,
                                                      &Avx512::kRgb888};
    static const Rows* const kRgb565[Cpu::kLevels] = {&Reference::kRows, &Sse2::kRgb565, &Avx2::kRgb565,
                                                      &Avx512::kRgb565};
    static const Rows* const kRgb555[Cpu::kLevels] = {&Reference::kRows, &Sse2::kRgb555, &Avx2::kRgb555,
                                                      &Avx512::kRgb555};
    switch (form)
    {
    case Form::Rgb888:
        return Cpu::Pick(kRgb888, level);
    case Form::Rgb565:
        return Cpu::Pick(kRgb565, level);
    case Form::Rgb555:
        return Cpu::Pick(kRgb555, level);
    case Form::Other:
        break;
    }
#endif
    return Reference::kRows;
}

} // namespace Lumo::Surface
