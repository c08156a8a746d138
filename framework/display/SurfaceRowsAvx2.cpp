// The surface rows built for AVX2: eight pixels a vector.
#include "display/SurfaceRows.h"

#include <climits>
#include <cstdint>
#include <cstring>

#if LUMO_CPU_X86
#include <immintrin.h>

LUMO_TARGET_BEGIN("avx2")
#include "display/SurfaceRowsVector.h"
#include "graphics/VectorAvx2.h"

namespace Lumo::Surface::Avx2
{
const Rows kRgb888 = MakeRows<Vector::Avx2, Layout888>();
const Rows kRgb565 = MakeRows<Vector::Avx2, Layout565>();
const Rows kRgb555 = MakeRows<Vector::Avx2, Layout555>();
} // namespace Lumo::Surface::Avx2

LUMO_TARGET_END
#endif
