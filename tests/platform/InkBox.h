// The box of the pixels that text (or anything) changed in a 32-bit or 16-bit picture.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

struct InkBox
{
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    int count = 0;
    int exact = 0; // changed pixels that hold exactly the colour asked for
};

// Compares the colour bits only: a surface keeps no alpha.
inline InkBox InkOf(const std::vector<uint32_t>& pixels, int width, uint32_t background, uint32_t colour,
                    uint32_t colourBits = 0xFFFFFF)
{
    InkBox ink;
    for (size_t i = 0; i < pixels.size(); i++)
    {
        if ((pixels[i] & colourBits) == (background & colourBits))
            continue;
        int x = int(i % size_t(width)), y = int(i / size_t(width));
        ink.left = std::min(ink.left, x);
        ink.top = std::min(ink.top, y);
        ink.right = std::max(ink.right, x + 1);
        ink.bottom = std::max(ink.bottom, y + 1);
        ink.count++;
        ink.exact += (pixels[i] & colourBits) == (colour & colourBits);
    }
    return ink;
}
