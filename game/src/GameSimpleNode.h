// A cell of the kitchen grid: column then row, also handled as one 32-bit value
// with the column in the low half.
#pragma once

#include <cstdint>

namespace Lumo
{

struct GameSimpleNode
{
    int16_t mColumn = 0;
    int16_t mRow = 0;

    constexpr uint32_t ToValue() const
    {
        return uint32_t(uint16_t(mColumn)) | (uint32_t(uint16_t(mRow)) << 16);
    }
    static constexpr GameSimpleNode FromValue(uint32_t value)
    {
        return GameSimpleNode{int16_t(uint16_t(value & 0xFFFF)), int16_t(uint16_t(value >> 16))};
    }
    constexpr bool operator==(const GameSimpleNode& other) const = default;
};

static_assert(sizeof(GameSimpleNode) == 4, "a grid cell is one 32-bit value");

// The top-left pixel of a tile on the screen.
struct GamePoint
{
    int mX = 0;
    int mY = 0;
    constexpr bool operator==(const GamePoint& other) const = default;
};

} // namespace Lumo
