// The surface workers at 16 and 32 bits beside the memory drawing and SDL2's
// blitter doing the same jobs, and the cost of presenting one 800x600 frame.
#include "app/LumoAppBase.h"
#include "core/desktop.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "graphics/MemoryImage.h"
#include "win32/kernel32.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

using namespace Lumo;

namespace
{

// The application at 800x600, keeping no pictures.
class BenchHost : public LumoAppBase
{
public:
    NativeDisplay* mDisplay = nullptr;
    BenchHost()
    {
        mWidth = 800;
        mHeight = 600;
        mFullScreenBits = 32;
    }
    void AddMemoryImage(MemoryImage*) override {}
    void RemoveMemoryImage(MemoryImage*) override {}
    void ReleaseTextureData(MemoryImage*) override {}
    bool Is3DEnabled() override { return false; }
    NativeDisplay* GetNativeDisplay() override { return mDisplay; }
    bool CopyTextureToImage(MemoryImage*) override { return false; }
    void SharedImageUnreferenced() override {}
};

// A soft sprite: clear border, partial-alpha ramp, opaque core.
std::vector<uint32_t> Sprite(int w, int h)
{
    std::vector<uint32_t> pixels(size_t(w * h));
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
        {
            int edge = std::min(std::min(x, y), std::min(w - 1 - x, h - 1 - y));
            uint32_t a = edge < 2 ? 0 : edge < 10 ? uint32_t(edge * 25) : 255;
            pixels[size_t(y * w + x)] =
                a << 24 | (uint32_t(x * 7 + y * 3) & 0xFF) << 16 | uint32_t(x * 5 & 0xFF) << 8;
        }
    return pixels;
}

enum Job
{
    Fill,
    BlendFill,
    Blit,
    TintedBlit,
    AdditiveBlit,
    FastStretch
};

struct Display
{
    BenchHost host;
    std::unique_ptr<DDInterface> display;
    MemoryImage sprite;

    explicit Display(int bits)
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        PlatformTest::SetDesktop(Platform::DesktopInfo{1024, 768, bits, 60, 64u << 20});
        display = std::make_unique<DDInterface>(&host);
        host.mDisplay = display.get();
        display->Init(nullptr, true);
        std::vector<uint32_t> pixels = Sprite(64, 64);
        sprite.SetBits(pixels.data(), 64, 64, true);
    }
};

void Run(Image& dest, MemoryImage& sprite, Job job, benchmark::State& state)
{
    Rect all(0, 0, 64, 64);
    for (auto _ : state)
    {
        for (int i = 0; i < 16; i++)
        {
            int x = 40 * i, y = 30 * i;
            switch (job)
            {
            case Fill:
                dest.FillRect(Rect(x, y, 64, 64), Color(200, 100, 50), DRAWMODE_NORMAL);
                break;
            case BlendFill:
                dest.FillRect(Rect(x, y, 64, 64), Color(200, 100, 50, 128), DRAWMODE_NORMAL);
                break;
            case Blit:
                dest.Blt(&sprite, x, y, all, Color::White, DRAWMODE_NORMAL);
                break;
            case TintedBlit:
                dest.Blt(&sprite, x, y, all, Color(255, 128, 64, 200), DRAWMODE_NORMAL);
                break;
            case AdditiveBlit:
                dest.Blt(&sprite, x, y, all, Color::White, DRAWMODE_ADDITIVE);
                break;
            case FastStretch:
                dest.StretchBlt(&sprite, Rect(x, y, 128, 96), all, Rect(0, 0, 800, 600), Color::White,
                                DRAWMODE_NORMAL, true);
                break;
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 16);
}

void BM_SurfaceWorkers(benchmark::State& state)
{
    Display d(int(state.range(0)));
    DDImage* screen = d.display->GetDrawSurfaceImage();
    screen->LockSurface(); // as the window manager brackets a frame
    Run(*screen, d.sprite, Job(state.range(1)), state);
    screen->UnlockSurface();
}

void BM_MemoryDrawing(benchmark::State& state)
{
    MemoryImage dest;
    dest.Create(800, 600);
    dest.GetBits();
    std::vector<uint32_t> pixels = Sprite(64, 64);
    MemoryImage sprite;
    sprite.SetBits(pixels.data(), 64, 64, true);
    Run(dest, sprite, Job(state.range(1)), state);
}

void BM_Sdl(benchmark::State& state)
{
    Uint32 format = state.range(0) == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_XRGB8888;
    SDL_Surface* dest = SDL_CreateRGBSurfaceWithFormat(0, 800, 600, int(state.range(0)), format);
    std::vector<uint32_t> pixels = Sprite(64, 64);
    SDL_Surface* sprite =
        SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), 64, 64, 32, 64 * 4, SDL_PIXELFORMAT_ARGB8888);
    Job job = Job(state.range(1));
    SDL_SetSurfaceBlendMode(sprite, job == AdditiveBlit ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_BLEND);
    if (job == TintedBlit)
    {
        SDL_SetSurfaceColorMod(sprite, 255, 128, 64);
        SDL_SetSurfaceAlphaMod(sprite, 200);
    }
    SDL_Surface* half = SDL_CreateRGBSurfaceWithFormat(0, 64, 64, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(half, nullptr, 0x80C86432);
    SDL_SetSurfaceBlendMode(half, SDL_BLENDMODE_BLEND);
    for (auto _ : state)
    {
        for (int i = 0; i < 16; i++)
        {
            SDL_Rect r{40 * i, 30 * i, 64, 64};
            switch (job)
            {
            case Fill:
                SDL_FillRect(dest, &r, SDL_MapRGB(dest->format, 200, 100, 50));
                break;
            case BlendFill:
                SDL_BlitSurface(half, nullptr, dest, &r);
                break;
            case FastStretch:
                r.w = 128;
                r.h = 96;
                SDL_BlitScaled(sprite, nullptr, dest, &r);
                break;
            default:
                SDL_BlitSurface(sprite, nullptr, dest, &r);
                break;
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 16);
    SDL_FreeSurface(half);
    SDL_FreeSurface(sprite);
    SDL_FreeSurface(dest);
}

void BM_Present800x600(benchmark::State& state)
{
    Display d(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(d.display->Redraw(nullptr));
}

void Jobs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"bits", "job"});
    for (int bits : {16, 32})
        for (int job = Fill; job <= FastStretch; job++)
            b->Args({bits, job});
}

} // namespace

BENCHMARK(BM_SurfaceWorkers)->Apply(Jobs);
BENCHMARK(BM_MemoryDrawing)->Apply(Jobs);
BENCHMARK(BM_Sdl)->Apply(Jobs);
BENCHMARK(BM_Present800x600)->Arg(16)->Arg(32);
