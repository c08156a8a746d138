// The Direct3D layer: one textured quad, and an 800x600 frame of many quads presented, on SDL's
// software renderer (headless, the default) or on OpenGL (SDL_VIDEODRIVER=x11 under Xvfb, or a
// desktop). Each timed round waits for the renderer: a one-pixel read of the target.
#include "core/desktop.h"
#include "d3d/d3d.h"
#include "BenchWindow.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace
{
// The windowed 3-D screen of the display: a primary and an 800x600 target, a device on the target.
struct Screen
{
    HWND hwnd = nullptr;
    IDirectDraw7* dd = nullptr;
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
    IDirectDrawSurface7* primary = nullptr;
    IDirectDrawSurface7* target = nullptr;
    std::vector<IDirectDrawSurface7*> textures;

    Screen()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        hwnd = BenchWindow::Make("Direct3DBench", 800, 600);
        void* made = nullptr;
        DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw7, nullptr);
        dd = static_cast<IDirectDraw7*>(made);
        dd->SetCooperativeLevel(hwnd, DDSCL_NORMAL);
        dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&d3d));
        primary = Make(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE | DDSCAPS_3DDEVICE, 0, 0);
        target = Make(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT,
                      DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY, 800, 600);
        d3d->CreateDevice(IID_IDirect3DHALDevice, target, &device);
        // Eight 64x64 pictures with soft edges, as sprites have.
        for (uint32_t t = 0; t < 8; t++)
        {
            IDirectDrawSurface7* texture =
                Make(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT, DDSCAPS_TEXTURE, 64, 64);
            DDSURFACEDESC2 desc{};
            desc.dwSize = sizeof(desc);
            texture->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
            for (int y = 0; y < 64; y++)
                for (int x = 0; x < 64; x++)
                {
                    uint32_t alpha = (x < 4 || y < 4 || x > 59 || y > 59) ? 0x40 : 0xFF;
                    reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch)[x] =
                        alpha << 24 | (t * 30) << 16 | (uint32_t)(x * 4) << 8 | (uint32_t)(y * 4);
                }
            texture->Unlock(nullptr);
            textures.push_back(texture);
        }
        BenchWindow::Pump();
    }

    ~Screen()
    {
        for (IDirectDrawSurface7* texture : textures)
            texture->Release();
        device->Release();
        target->Release();
        primary->Release();
        d3d->Release();
        dd->Release();
        BenchWindow::Pump();
        DestroyWindow(hwnd);
        BenchWindow::Pump();
    }

    IDirectDrawSurface7* Make(DWORD flags, DWORD caps, DWORD width, DWORD height)
    {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = flags;
        desc.ddsCaps.dwCaps = caps;
        desc.dwWidth = width;
        desc.dwHeight = height;
        desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        desc.ddpfPixelFormat.dwFlags = DDPF_RGB | DDPF_ALPHAPIXELS;
        desc.ddpfPixelFormat.dwRGBBitCount = 32;
        desc.ddpfPixelFormat.dwRBitMask = 0xFF0000;
        desc.ddpfPixelFormat.dwGBitMask = 0xFF00;
        desc.ddpfPixelFormat.dwBBitMask = 0xFF;
        desc.ddpfPixelFormat.dwRGBAlphaBitMask = 0xFF000000;
        IDirectDrawSurface7* surface = nullptr;
        dd->CreateSurface(&desc, &surface, nullptr);
        return surface;
    }

    // The states the renderer sets at the start of a scene.
    void Begin()
    {
        device->BeginScene();
        device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    }

    void Quad(IDirectDrawSurface7* texture, float x, float y, D3DCOLOR colour)
    {
        D3DTLVERTEX v[4] = {{x - 0.5f, y - 0.5f, 0, 1, colour, 0, 0, 0},
                            {x + 63.5f, y - 0.5f, 0, 1, colour, 0, 1, 0},
                            {x - 0.5f, y + 63.5f, 0, 1, colour, 0, 0, 1},
                            {x + 63.5f, y + 63.5f, 0, 1, colour, 0, 1, 1}};
        device->SetTexture(0, texture);
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, v, 4, 0);
    }

    // Waits for the renderer: one pixel of the target comes back.
    void Finish(LONG x, LONG y)
    {
        RECT one{x, y, x + 1, y + 1};
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        if (target->Lock(&one, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) == DD_OK)
            target->Unlock(nullptr);
    }
};

void Counters(benchmark::State& state, const Platform::Direct3DStatistics& before, int64_t frames)
{
    Platform::Direct3DStatistics after = Platform::GetDirect3DStatistics();
    double rounds = (double)std::max<int64_t>(frames, 1);
    state.counters["uploads/round"] = (double)(after.uploads - before.uploads) / rounds;
    state.counters["readBacks/round"] = (double)(after.readBacks - before.readBacks) / rounds;
}

void OneTexturedQuad(benchmark::State& state)
{
    Screen screen;
    screen.Begin();
    screen.Quad(screen.textures[0], 100, 100, 0xFFFFFFFF);
    screen.device->EndScene();
    screen.Finish(120, 120);
    Platform::Direct3DStatistics before = Platform::GetDirect3DStatistics();
    float x = 0;
    for (auto _ : state)
    {
        x = x >= 700 ? 0 : x + 1;
        screen.Begin();
        screen.Quad(screen.textures[0], x, 100, 0xFFFFFFFF);
        screen.device->EndScene();
        screen.Finish((LONG)x + 32, 132);
    }
    Counters(state, before, state.iterations());
}
BENCHMARK(OneTexturedQuad)->Unit(benchmark::kMicrosecond);

// A frame as the renderer draws one: a clear, then `range` sprites of 64x64 blended over it
// (cycling through eight textures), then the frame blitted to the primary and presented.
void FrameOfQuads(benchmark::State& state)
{
    Screen screen;
    POINT origin{0, 0};
    ClientToScreen(screen.hwnd, &origin);
    RECT dest{origin.x, origin.y, origin.x + 800, origin.y + 600};
    int quads = (int)state.range(0);
    auto frame = [&]
    {
        screen.Begin();
        screen.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203040, 1.0f, 0);
        for (int i = 0; i < quads; i++)
            screen.Quad(screen.textures[i % 8], (float)(i * 37 % 736), (float)(i * 53 % 536), 0xFFFFFFFF);
        screen.device->EndScene();
        screen.primary->Blt(&dest, screen.target, nullptr, DDBLT_WAIT, nullptr);
        BenchWindow::Pump();
        screen.Finish(400, 300);
    };
    frame();
    Platform::Direct3DStatistics before = Platform::GetDirect3DStatistics();
    for (auto _ : state)
        frame();
    Counters(state, before, state.iterations());
    state.SetItemsProcessed(state.iterations() * quads);
}
BENCHMARK(FrameOfQuads)->Arg(100)->Arg(500)->Arg(2000)->Unit(benchmark::kMicrosecond);
} // namespace
