// Row blitters with AVX2, eight pixels at a time.
#include "graphics/Blend.h"
#include "graphics/Blitters.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if LUMO_CPU_X86
#include <immintrin.h>

LUMO_TARGET_BEGIN("avx2")
#include "graphics/VectorAvx2.h"
#include "graphics/VectorRows.h"

namespace Lumo::Blitters::Avx2
{
const Rows kRows = RowsOf<Vector::Avx2>();
} // namespace Lumo::Blitters::Avx2

LUMO_TARGET_END
#endif
