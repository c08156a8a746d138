// Row blitters built for AVX2.
#include "graphics/Blitters.h"

#if LUMO_CPU_X86
LUMO_TARGET_BEGIN("avx2")
#include "graphics/VectorRows.h"

namespace Lumo::Blitters::Avx2
{

namespace Sse2 = Blitters::Sse2;

namespace
{
void AccumulateRow(int32_t* row, const int32_t* in, size_t n, int32_t weight, bool first)
{
    AccumulateRowOf(row, in, n, weight, first);
}
} // namespace

const Rows kRows = {&Sse2::FillRow,   &Sse2::BlendFillRow, &Sse2::NormalRow, &Sse2::OverOpaqueRow,
                    &Sse2::TintedRow, &Sse2::AddRow,       &AccumulateRow};

} // namespace Lumo::Blitters::Avx2

LUMO_TARGET_END
#endif
