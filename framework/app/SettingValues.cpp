#include "app/SettingValues.h"

#include <algorithm>
#include <cmath>

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
    pos.x = std::max<int>(preferredX, workArea.left + margin);
    pos.y = std::max<int>(preferredY, workArea.top + margin);
    if (pos.x + frameWidth >= workArea.right - margin)
        pos.x = workArea.right - margin - frameWidth;
    if (pos.y + frameHeight >= workArea.bottom - margin)
        pos.y = workArea.bottom - margin - frameHeight;
    return pos;
}
} // namespace Lumo
