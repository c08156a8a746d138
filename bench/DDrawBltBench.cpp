// The layer's blits at the display's size: the copy a windowed present makes, fills, keyed and
// stretched copies, and a flip; the kitchen's floor of tiles against pixman and a plain copy; and
// the fixed cost of a call: a sprite-sized copy, and the clock read from several threads at once.
#include "core/desktop.h"
#include "ddraw/ddraw.h"
#include "test/directdraw.h"
#include "win32/kernel32.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <vector>

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

// The kitchen's floor: 15 x 10 tiles of 50 x 50 copied from one tile surface onto the 800 x 600
// drawing surface, one blit a tile; beside it pixman's SRC copy of the same tiles, and the same
// bytes copied row by row.
constexpr int kTile = 50, kColumns = 15, kRows = 10;

void FloorTiles(benchmark::State& state)
{
    Screen screen((int)state.range(0));
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    desc.dwWidth = desc.dwHeight = kTile;
    IDirectDrawSurface7* tile = nullptr;
    screen.dd->CreateSurface(&desc, &tile, nullptr);
    RECT from{0, 0, kTile, kTile};
    for (auto _ : state)
        for (int c = 0; c < kColumns; c++)
            for (int r = 0; r < kRows; r++)
            {
                RECT to{25 + c * kTile, 25 + r * kTile, 25 + (c + 1) * kTile, 25 + (r + 1) * kTile};
                screen.draw->Blt(&to, tile, &from, DDBLT_WAIT, nullptr);
            }
    tile->Release();
    state.SetItemsProcessed(state.iterations() * kColumns * kRows * kTile * kTile);
}
BENCHMARK(FloorTiles)->Arg(16)->Arg(32);

void FloorTilesPixman(benchmark::State& state)
{
    int bytes = (int)state.range(0) / 8;
    pixman_format_code_t format = bytes == 2 ? PIXMAN_r5g6b5 : PIXMAN_x8r8g8b8;
    std::vector<uint32_t> screenBits(size_t(800 * 600 * bytes / 4)),
        tileBits(size_t(kTile * kTile * bytes / 4));
    pixman_image_t* screen = pixman_image_create_bits(format, 800, 600, screenBits.data(), 800 * bytes);
    pixman_image_t* tile = pixman_image_create_bits(format, kTile, kTile, tileBits.data(), kTile * bytes);
    for (auto _ : state)
        for (int c = 0; c < kColumns; c++)
            for (int r = 0; r < kRows; r++)
                pixman_image_composite32(PIXMAN_OP_SRC, tile, nullptr, screen, 0, 0, 0, 0, 25 + c * kTile,
                                         25 + r * kTile, kTile, kTile);
    pixman_image_unref(tile);
    pixman_image_unref(screen);
    state.SetItemsProcessed(state.iterations() * kColumns * kRows * kTile * kTile);
}
BENCHMARK(FloorTilesPixman)->Arg(16)->Arg(32);

void FloorTilesMemcpy(benchmark::State& state)
{
    size_t bytes = size_t(state.range(0) / 8), row = kTile * bytes;
    std::vector<uint8_t> screen(800 * 600 * bytes), tile(kTile * row);
    for (auto _ : state)
    {
        for (int c = 0; c < kColumns; c++)
            for (int r = 0; r < kRows; r++)
                for (int y = 0; y < kTile; y++)
                    std::memcpy(&screen[(size_t(25 + r * kTile + y) * 800 + size_t(25 + c * kTile)) * bytes],
                                &tile[size_t(y) * row], row);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kColumns * kRows * kTile * kTile);
}
BENCHMARK(FloorTilesMemcpy)->Arg(16)->Arg(32);

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
