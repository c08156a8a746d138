// The Win32 services the system calls, as provided by our platform layer.
#pragma once

#include "win32/types.h"
#include "win32/kernel32.h"
#include "win32/user32.h"
#include "win32/gdi32.h"
#include "win32/advapi32.h"
#include "win32/winmm.h"
#include "win32/shell32.h"
#include "win32/version.h"
