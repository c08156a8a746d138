#pragma once

// Rows written once for every instruction-set level. A level's file includes
// this after LUMO_TARGET_BEGIN (see graphics/CpuDispatch.h): everything here
// is private to the file that includes it and built for that file's level.
#include <cstddef>
#include <cstdint>

namespace Lumo::Blitters
{
namespace
{

// row[i] = in[i] * weight (first) or row[i] += in[i] * weight.
[[maybe_unused]] void AccumulateRowOf(int32_t* row, const int32_t* in, size_t n, int32_t weight, bool first)
{
    if (first)
        for (size_t i = 0; i < n; i++)
            row[i] = in[i] * weight;
    else
        for (size_t i = 0; i < n; i++)
            row[i] += in[i] * weight;
}

} // namespace
} // namespace Lumo::Blitters
