// The surface rows built for SSE2, four pixels a vector: the x86-64 baseline, built
// without a target region.
#include "display/SurfaceRows.h"

#include <climits>
#include <cstdint>
#include <cstring>

#if LUMO_CPU_X86
#include <emmintrin.h>

#include "display/SurfaceRowsVector.h"
#include "graphics/VectorSse2.h"

namespace Lumo::Surface::Sse2
{
const Rows kRgb888 = MakeRows<Vector::Sse2, Layout888>();
const Rows kRgb565 = MakeRows<Vector::Sse2, Layout565>();
const Rows kRgb555 = MakeRows<Vector::Sse2, Layout555>();
} // namespace Lumo::Surface::Sse2

#endif
