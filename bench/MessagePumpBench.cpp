// Cost of host input through the window-message path: SDL event in, window procedure out.
#include "test/input.h"
#include "win32/windows.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{
LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    benchmark::DoNotOptimize(message);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND BenchWindow()
{
    static HWND hwnd = []
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = CountingProc;
        wc.lpszClassName = "BenchWindow";
        RegisterClassA(&wc);
        return CreateWindowExA(0, "BenchWindow", "Bench", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                               nullptr, nullptr, nullptr);
    }();
    return hwnd;
}

void Drain()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// One key press with its text and one click per iteration: six window messages.
void BM_KeyAndClickThroughPump(benchmark::State& state)
{
    HWND hwnd = BenchWindow();
    Drain();
    for (auto _ : state)
    {
        PlatformTest::InjectKey(hwnd, SDLK_a, SDL_SCANCODE_A, true);
        PlatformTest::InjectText(hwnd, "a");
        PlatformTest::InjectKey(hwnd, SDLK_a, SDL_SCANCODE_A, false);
        PlatformTest::InjectClick(hwnd, SDL_BUTTON_LEFT, 100, 100);
        Drain();
        PlatformTest::ResetInputState();
    }
    state.SetItemsProcessed(state.iterations() * 6);
}
BENCHMARK(BM_KeyAndClickThroughPump);

// An empty look at the queue: what the main loop pays every pass.
void BM_EmptyPeek(benchmark::State& state)
{
    BenchWindow();
    Drain();
    MSG msg;
    for (auto _ : state)
        benchmark::DoNotOptimize(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}
BENCHMARK(BM_EmptyPeek);
} // namespace
