// A plain window for the benchmarks that show frames, and the message pump that presents them.
#pragma once

#include "win32/windows.h"

namespace BenchWindow
{
inline LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

inline void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// A shown popup window of the class `name` (registered on first use).
inline HWND Make(const char* name, int width, int height)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
    HWND hwnd =
        CreateWindowExA(0, name, name, WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}
} // namespace BenchWindow
