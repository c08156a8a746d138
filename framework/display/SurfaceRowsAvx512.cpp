// The surface rows built for AVX-512 (F, BW, VL): sixteen pixels a vector.
#include "display/SurfaceRows.h"

#include <climits>
#include <cstdint>
#include <cstring>

#if LUMO_CPU_X86
#include <immintrin.h>

LUMO_TARGET_BEGIN("avx512f,avx512bw,avx512vl")
#include "display/SurfaceRowsVector.h"
#include "graphics/VectorAvx512.h"

namespace Lumo::Surface::Avx512
{
const Rows kRgb888 = MakeRows<Vector::Avx512, Layout888>();
const Rows kRgb565 = MakeRows<Vector::Avx512, Layout565>();
const Rows kRgb555 = MakeRows<Vector::Avx512, Layout555>();
} // namespace Lumo::Surface::Avx512

LUMO_TARGET_END
#endif
