// Row blitters with AVX-512 (F, BW, VL), sixteen pixels at a time.
#include "graphics/Blend.h"
#include "graphics/Blitters.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if LUMO_CPU_X86
#include <immintrin.h>

LUMO_TARGET_BEGIN("avx512f,avx512bw,avx512vl")
#include "graphics/VectorAvx512.h"
#include "graphics/VectorRows.h"

namespace Lumo::Blitters::Avx512
{
const Rows kRows = RowsOf<Vector::Avx512>();
} // namespace Lumo::Blitters::Avx512

LUMO_TARGET_END
#endif
