// The layer's blits at the display's size: the copy a windowed present makes, fills, keyed and
// stretched copies, and a flip; and the fixed cost of a call: a sprite-sized copy, and the clock
// read from several threads at once.
#include "core/desktop.h"
#include "ddraw/ddraw.h"
#include "test/directdraw.h"
#include "win32/kernel32.h"

#include <benchmark/benchmark.h>

namespace
{
struct Screen
{
    IDirectDraw7* dd = nullptr;
    IDirectDrawSurface7* primary = nullptr;
    IDirectDrawSurface7* draw = nullptr;

    explicit Screen(int bits, bool flipChain = false)
    {
        PlatformTest::SetDesktop(Platform::DesktopInfo{800, 600, bits, 60, 64u << 20});
        void* made = nullptr;
        DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw7, nullptr);
        dd = static_cast<IDirectDraw7*>(made);
        HWND window = reinterpret_cast<HWND>(uintptr_t(1));
        dd->SetCooperativeLevel(window, flipChain ? DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN : DDSCL_NORMAL);
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = flipChain ? DDSD_CAPS | DDSD_BACKBUFFERCOUNT : DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | (flipChain ? DDSCAPS_FLIP | DDSCAPS_COMPLEX : 0);
        desc.dwBackBufferCount = 1;
        dd->CreateSurface(&desc, &primary, nullptr);
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        desc.dwWidth = 800;
        desc.dwHeight = 600;
        dd->CreateSurface(&desc, &draw, nullptr);
    }
    ~Screen()
    {
        draw->Release();
        primary->Release();
        dd->Release();
        PlatformTest::ResetDesktop();
    }
};

void CopyFrame(benchmark::State& state)
{
    Screen screen((int)state.range(0));
    for (auto _ : state)
        screen.primary->Blt(nullptr, screen.draw, nullptr, DDBLT_WAIT, nullptr);
    state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(CopyFrame)->Arg(16)->Arg(32);

void FillFrame(benchmark::State& state)
{
    Screen screen((int)state.range(0));
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = 0x1234;
    for (auto _ : state)
        screen.draw->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(FillFrame)->Arg(16)->Arg(32);

void KeyedCopyFrame(benchmark::State& state)
{
    Screen screen((int)state.range(0));
    DDCOLORKEY key{0, 0};
    screen.draw->SetColorKey(DDCKEY_SRCBLT, &key);
    for (auto _ : state)
        screen.primary->Blt(nullptr, screen.draw, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr);
    state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(KeyedCopyFrame)->Arg(16)->Arg(32);

void StretchHalfToFrame(benchmark::State& state)
{
    Screen screen((int)state.range(0));
    RECT half{0, 0, 400, 300};
    for (auto _ : state)
        screen.primary->Blt(nullptr, screen.draw, &half, DDBLT_WAIT, nullptr);
    state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(StretchHalfToFrame)->Arg(16)->Arg(32);

void CopyAndFlip(benchmark::State& state)
{
    Screen screen((int)state.range(0), true);
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface7* back = nullptr;
    screen.primary->GetAttachedSurface(&caps, &back);
    for (auto _ : state)
    {
        back->Blt(nullptr, screen.draw, nullptr, DDBLT_WAIT, nullptr);
        screen.primary->Flip(nullptr, DDFLIP_WAIT);
    }
    back->Release();
}
BENCHMARK(CopyAndFlip)->Arg(16)->Arg(32);

// A 32 x 32 copy, as the game makes hundreds a frame.
void SpriteCopy(benchmark::State& state)
{
    Screen screen(32);
    RECT from{0, 0, 32, 32}, to{100, 100, 132, 132};
    for (auto _ : state)
        screen.draw->Blt(&to, screen.primary, &from, DDBLT_WAIT, nullptr);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(SpriteCopy);

// The clock the main loop, the cursor thread and the loading thread read: they share no lock.
void ClockRead(benchmark::State& state)
{
    LARGE_INTEGER count;
    for (auto _ : state)
    {
        QueryPerformanceCounter(&count);
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ClockRead)->ThreadRange(1, 4);
} // namespace
