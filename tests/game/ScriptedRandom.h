// Random values given in advance, in order; 0 once they run out.
#pragma once

#include <cstdint>
#include <deque>

inline uint32_t NextScripted(std::deque<uint32_t>& values)
{
    if (values.empty())
        return 0;
    const uint32_t value = values.front();
    values.pop_front();
    return value;
}
