// Presenting one 800x600 frame: the primary converted to 32 bits and handed to SDL's renderer
// (headless unless SDL_VIDEODRIVER names a real display). Arguments: depth, and full screen
// (scaled to the host's screen) or windowed (1:1).
#include "core/desktop.h"
#include "ddraw/ddraw.h"
#include "BenchWindow.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{
void PresentFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    PlatformTest::SetDesktop(Platform::DesktopInfo{800, 600, 32, 60, 64u << 20});
    HWND hwnd = BenchWindow::Make("PresentBench", 800, 600);
    void* made = nullptr;
    DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw7, nullptr);
    auto* dd = static_cast<IDirectDraw7*>(made);
    if (state.range(1))
    {
        dd->SetCooperativeLevel(hwnd, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
        dd->SetDisplayMode(800, 600, (DWORD)state.range(0), 0, 0);
    }
    else
    {
        PlatformTest::SetDesktop(Platform::DesktopInfo{800, 600, (int)state.range(0), 60, 64u << 20});
        dd->SetCooperativeLevel(hwnd, DDSCL_NORMAL);
    }
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface7* primary = nullptr;
    dd->CreateSurface(&desc, &primary, nullptr);
    BenchWindow::Pump();
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    RECT dot{0, 0, 1, 1};
    for (auto _ : state)
    {
        fx.dwFillColor++;
        primary->Blt(&dot, nullptr, nullptr, DDBLT_COLORFILL, &fx); // marks the screen changed
        BenchWindow::Pump();
    }
    state.SetItemsProcessed(state.iterations() * 800 * 600);
    primary->Release();
    dd->RestoreDisplayMode();
    dd->Release();
    BenchWindow::Pump();
    DestroyWindow(hwnd);
    PlatformTest::ResetDesktop();
}
BENCHMARK(PresentFrame)
    ->ArgNames({"bits", "fullscreen"})
    ->Args({16, 0})
    ->Args({32, 0})
    ->Args({16, 1})
    ->Args({32, 1})
    ->Unit(benchmark::kMicrosecond);
} // namespace
