// user32 services of the layer.
#pragma once

#include "win32/types.h"

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOW 5
#define SW_SHOWNOACTIVATE 4
