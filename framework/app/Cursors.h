// The application's two drawn cursors and the numbered cursor table.
#pragma once

#include "win32/windows.h"

namespace Lumo
{
constexpr int CURSOR_COUNT = 13; // numbers 0 to 12

enum CursorNumber
{
    CURSOR_POINTER = 0,
    CURSOR_HAND = 1,
};

// A pointing hand (index finger raised, hot spot at its tip) and an open hand.
HCURSOR CreateHandCursor();
HCURSOR CreateDragCursor();
// The system cursor of a cursor number; null for 11 and 12 and for the two drawn cursors (1, 2).
LPCSTR SystemCursorName(int cursorNum);
} // namespace Lumo
