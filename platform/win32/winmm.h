// winmm services of the layer.
#pragma once

#include "win32/types.h"

typedef UINT MMRESULT;
#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97

// Milliseconds on the layer's clock, as GetTickCount.
DWORD WINAPI timeGetTime();
// The layer's timers already have 1 ms resolution; these only check their argument.
MMRESULT WINAPI timeBeginPeriod(UINT period);
MMRESULT WINAPI timeEndPeriod(UINT period);
