#include "app/SettingValues.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Lumo
{
int VolumeToSetting(double volume)
{
    if (!(volume > 0.0)) // also NaN
        return 0;
    return std::min(100, (int)std::floor(volume * 100.0 + 1e-6));
}

double VolumeFromSetting(int setting)
{
    return std::clamp(setting / 100.0, 0.0, 1.0);
}

POINT MainWindowPosition(const RECT& workArea, int frameWidth, int frameHeight, int preferredX,
                         int preferredY)
{
    const int margin = 4;
    POINT pos;
    if (preferredX == -1)
    {
        pos.x = workArea.left + (workArea.right - workArea.left - frameWidth) / 2;
        pos.y = workArea.top + (int)(0.382 * (workArea.bottom - workArea.top - frameHeight));
        return pos;
    }
    // In 64 bits: a damaged saved position (INT_MAX) must not wrap round past the checks.
    auto place = [](int64_t preferred, int64_t low, int64_t high, int64_t size)
    {
        int64_t at = std::max(preferred, low + margin);
        if (at + size >= high - margin)
            at = high - margin - size;
        return (LONG)at;
    };
    pos.x = place(preferredX, workArea.left, workArea.right, frameWidth);
    pos.y = place(preferredY, workArea.top, workArea.bottom, frameHeight);
    return pos;
}
} // namespace Lumo
