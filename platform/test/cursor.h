// Test interface: the cursor the layer shows.
#pragma once

#include "win32/types.h"

#include <vector>

namespace PlatformTest
{
// The cursor in effect, null when hidden (SetCursor(null) or a negative show count).
HCURSOR ShownCursor();
// The ARGB picture of a cursor made by CreateCursor; false for system cursors.
bool CursorPicture(HCURSOR cursor, int* width, int* height, int* hotX, int* hotY,
                   std::vector<uint32_t>* pixels);
} // namespace PlatformTest
