// Row blitters with SSE2, four pixels at a time: the x86-64 baseline, built without a
// target region.
#include "graphics/Blend.h"
#include "graphics/Blitters.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if LUMO_CPU_X86
#include <emmintrin.h>

#include "graphics/VectorSse2.h"
#include "graphics/VectorRows.h"

namespace Lumo::Blitters::Sse2
{
const Rows kRows = RowsOf<Vector::Sse2>();
} // namespace Lumo::Blitters::Sse2

#endif
