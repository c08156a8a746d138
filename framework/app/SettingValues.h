// Conversions between the application's settings and the integers kept in the registry.
#pragma once

#include "win32/types.h"

namespace Lumo
{
// A volume 0..1 as its stored percentage. A tiny epsilon keeps values such as 0.29, whose
// product with 100 falls just short of 29, from losing a point on every save.
int VolumeToSetting(double volume);
// A stored percentage back as a volume, clamped to 0..1.
double VolumeFromSetting(int setting);

// Top-left corner of the main window's frame: centred horizontally in the work area and 38.2 per
// cent down its free height when no position is saved (x == -1); otherwise the saved position
// pulled back inside the work area by a margin of 4 pixels.
POINT MainWindowPosition(const RECT& workArea, int frameWidth, int frameHeight, int preferredX,
                         int preferredY);
} // namespace Lumo
