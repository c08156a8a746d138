// shell32 services of the layer.
#pragma once

#include "win32/types.h"

#define SE_ERR_FNF 2
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31

// "open" (or a null operation) hands the file or address to the desktop's opener
// (xdg-open) without waiting. Greater than 32 on success, as Windows reports it.
HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                               int showCmd);
