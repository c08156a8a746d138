#include "ddraw/Presenter.h"
#include "ddraw/Lock.h"
#include "ddraw/Surface.h"
#include "test/present.h"
#include "win32/host.h"
#include "win32/user32_internal.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace
{
constexpr uint32_t kOpaque = 0xFF000000u;

// What one window shows. Main thread only.
struct Output
{
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int textureWidth = 0, textureHeight = 0;
    bool failed = false; // no renderer could be made: the frame is kept, not shown
    int width = 0, height = 0;
    std::vector<uint32_t> frame; // 0xFFRRGGBB, row by row
};

std::vector<DDraw::Surface*> gPrimaries; // under the layer lock
std::atomic<bool> gDirty{false};
std::atomic<int> gOffThread{0};
std::atomic<uint64_t> gPresents{0};

std::mutex gWantLock;
std::map<HWND, bool> gWanted; // full-screen changes not yet made
std::atomic<bool> gWantPending{false};

std::map<HWND, Output> gOutputs;
HWND gLastShown = nullptr;

// Every call into SDL here must come from the main thread.
bool OnMainThread()
{
    if (Platform::User::OnVideoThread())
        return true;
    ++gOffThread;
#ifdef LUMO_DEBUG
    std::fprintf(stderr, "DirectDraw: the screen was touched off the main thread\n");
    std::abort();
#endif
    return false;
}

// 0xFFRRGGBB of every 16-bit value; each channel's top bits repeat into its low bits, so that
// full intensity stays full.
std::vector<uint32_t> WideningTable(bool green6Bits)
{
    auto widen = [](uint32_t v, int bits) { return (v << (8 - bits)) | (v >> (2 * bits - 8)); };
    std::vector<uint32_t> table(65536);
    for (uint32_t v = 0; v < 65536; v++)
        table[v] =
            green6Bits
                ? kOpaque | widen(v >> 11, 5) << 16 | widen((v >> 5) & 63, 6) << 8 | widen(v & 31, 5)
                : kOpaque | widen((v >> 10) & 31, 5) << 16 | widen((v >> 5) & 31, 5) << 8 | widen(v & 31, 5);
    return table;
}

// One row of a surface as opaque 0xFFRRGGBB pixels.
void ConvertRow(const uint8_t* in, const DDraw::PixelFormat& format, uint32_t* out, int count)
{
    if (format.bits == 32)
    {
        const uint32_t* p = reinterpret_cast<const uint32_t*>(in);
        for (int i = 0; i < count; i++)
            out[i] = kOpaque | (p[i] & 0xFFFFFFu);
        return;
    }
    static const std::vector<uint32_t> k565 = WideningTable(true), k555 = WideningTable(false);
    const uint32_t* table = format.green == 0x07E0 ? k565.data() : k555.data();
    const uint16_t* p = reinterpret_cast<const uint16_t*>(in);
    for (int i = 0; i < count; i++)
        out[i] = table[p[i]];
}

// Copies what the window shows of the primary into its output's frame: the whole surface in full
// screen, else the part under the client area (black where the client area leaves the surface).
bool TakeFrame(const DDraw::ShownSurface& shown, Output* out)
{
    RECT from{0, 0, (LONG)shown.width, (LONG)shown.height};
    if (!shown.fullScreen)
    {
        RECT client;
        POINT origin{0, 0};
        if (!GetClientRect(shown.window, &client) || !ClientToScreen(shown.window, &origin))
            return false;
        from = RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    }
    int width = from.right - from.left, height = from.bottom - from.top;
    if (width <= 0 || height <= 0)
        return false;
    out->width = width;
    out->height = height;
    out->frame.resize((size_t)width * height);
    LONG left = std::max<LONG>(from.left, 0), right = std::min<LONG>(from.right, (LONG)shown.width);
    LONG top = std::max<LONG>(from.top, 0), bottom = std::min<LONG>(from.bottom, (LONG)shown.height);
    DWORD bytes = shown.format.BytesPerPixel();
    for (LONG y = from.top; y < from.bottom; y++)
    {
        uint32_t* row = &out->frame[(size_t)(y - from.top) * width];
        if (y < top || y >= bottom || left >= right)
        {
            std::fill(row, row + width, kOpaque);
            continue;
        }
        std::fill(row, row + (left - from.left), kOpaque);
        std::fill(row + (right - from.left), row + width, kOpaque);
        const uint8_t* in = shown.pixels + (size_t)y * shown.pitch + (size_t)left * bytes;
        ConvertRow(in, shown.format, row + (left - from.left), right - left);
    }
    return true;
}

void DropOutput(Output* out)
{
    if (out->texture)
        SDL_DestroyTexture(out->texture);
    if (out->renderer)
        SDL_DestroyRenderer(out->renderer);
    out->texture = nullptr;
    out->renderer = nullptr;
    out->window = nullptr;
    out->failed = false;
}

// Draws the output's frame into its renderer, scaled to fit with black bars when full screen.
bool Render(Output* out)
{
    if (!out->texture || out->textureWidth != out->width || out->textureHeight != out->height)
    {
        if (out->texture)
            SDL_DestroyTexture(out->texture);
        out->texture = SDL_CreateTexture(out->renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                         out->width, out->height);
        out->textureWidth = out->width;
        out->textureHeight = out->height;
        if (!out->texture)
            return false;
    }
    SDL_UpdateTexture(out->texture, nullptr, out->frame.data(), out->width * 4);
    SDL_RenderSetLogicalSize(out->renderer, out->width, out->height);
    // Only a scaled frame leaves bars to blacken.
    int outputWidth = 0, outputHeight = 0;
    SDL_GetRendererOutputSize(out->renderer, &outputWidth, &outputHeight);
    if (outputWidth != out->width || outputHeight != out->height)
    {
        SDL_SetRenderDrawColor(out->renderer, 0, 0, 0, 255);
        SDL_RenderClear(out->renderer);
    }
    return SDL_RenderCopy(out->renderer, out->texture, nullptr, nullptr) == 0;
}

void Show(HWND hwnd, Output* out)
{
    if (!OnMainThread())
        return;
    if (!Platform::HasHostWindow(hwnd) || !IsWindowVisible(hwnd) || IsIconic(hwnd))
        return;
    SDL_Window* window = Platform::HostWindow(hwnd);
    if (out->window != window)
    {
        DropOutput(out);
        out->window = window;
    }
    if (!out->renderer && !out->failed)
    {
        out->renderer = SDL_CreateRenderer(window, -1, 0);
        if (!out->renderer)
        {
            std::fprintf(stderr, "DirectDraw: no renderer for the window: %s\n", SDL_GetError());
            out->failed = true;
        }
    }
    if (out->renderer && Render(out))
    {
        SDL_RenderPresent(out->renderer);
        ++gPresents;
    }
}

void ApplyFullScreen()
{
    if (!gWantPending.exchange(false))
        return;
    std::lock_guard<std::mutex> lock(gWantLock);
    for (auto it = gWanted.begin(); it != gWanted.end();)
    {
        // A window not shown yet keeps its wish until it has an SDL window. A refusal of the host
        // is said once (SetHostFullScreen logs it) and the frame shown as the window stands.
        bool ready = Platform::HasHostWindow(it->first);
        if (ready && OnMainThread())
            Platform::SetHostFullScreen(it->first, it->second);
        if (ready || !IsWindow(it->first))
        {
            it = gWanted.erase(it);
            DDraw::Presenter::MarkDirty();
        }
        else
            ++it;
    }
    gWantPending = !gWanted.empty();
}

void Present()
{
    if (!Platform::User::OnVideoThread())
        return; // another thread looking at the queue: the main thread presents
    ApplyFullScreen();
    if (!gDirty.exchange(false))
        return;
    std::vector<HWND> shown;
    {
        std::lock_guard<std::mutex> lock(DDraw::LayerLock());
        for (DDraw::Surface* primary : gPrimaries)
        {
            DDraw::ShownSurface surface = primary->Showing();
            if (!surface.window || !surface.format.Drawable() || !IsWindow(surface.window) ||
                std::find(shown.begin(), shown.end(), surface.window) != shown.end())
                continue;
            if (TakeFrame(surface, &gOutputs[surface.window]))
                shown.push_back(surface.window);
        }
    }
    for (HWND hwnd : shown)
    {
        Show(hwnd, &gOutputs[hwnd]);
        gLastShown = hwnd;
    }
}

void WindowGone(HWND hwnd)
{
    auto it = gOutputs.find(hwnd);
    if (it == gOutputs.end() || !OnMainThread())
        return;
    DropOutput(&it->second);
    gOutputs.erase(it);
    if (gLastShown == hwnd)
        gLastShown = nullptr;
}
} // namespace

namespace DDraw::Presenter
{
void AddPrimary(Surface* primary)
{
    static const bool hooked = []
    {
        Platform::SetHostPresenter(Platform::HostPresenter{&Present, &WindowGone, &MarkDirty});
        return true;
    }();
    (void)hooked;
    gPrimaries.push_back(primary);
    MarkDirty();
}

void RemovePrimary(Surface* primary)
{
    gPrimaries.erase(std::remove(gPrimaries.begin(), gPrimaries.end(), primary), gPrimaries.end());
}

void MarkDirty()
{
    gDirty.store(true, std::memory_order_release);
}

void WantFullScreen(HWND window, bool fullScreen)
{
    if (!window)
        return;
    std::lock_guard<std::mutex> lock(gWantLock);
    gWanted[window] = fullScreen;
    gWantPending = true;
}
} // namespace DDraw::Presenter

namespace PlatformTest
{
bool ReadPresentedFrame(HWND window, int* width, int* height, std::vector<uint32_t>* pixels)
{
    if (!Platform::User::OnVideoThread())
        return false;
    auto it = gOutputs.find(window ? window : gLastShown);
    if (it == gOutputs.end() || it->second.frame.empty())
        return false;
    *width = it->second.width;
    *height = it->second.height;
    *pixels = it->second.frame;
    return true;
}

bool ReadHostFrame(HWND window, int* width, int* height, std::vector<uint32_t>* pixels)
{
    auto it = gOutputs.find(window);
    if (it == gOutputs.end() || !OnMainThread() || !it->second.renderer || !Render(&it->second))
        return false;
    SDL_Renderer* renderer = it->second.renderer;
    // The whole window, bars and all, at its own pixels.
    SDL_RenderSetLogicalSize(renderer, 0, 0);
    SDL_RenderSetScale(renderer, 1.0f, 1.0f);
    SDL_RenderSetViewport(renderer, nullptr);
    if (SDL_GetRendererOutputSize(renderer, width, height) != 0 || *width <= 0 || *height <= 0)
        return false;
    SDL_Rect all{0, 0, *width, *height};
    pixels->assign((size_t)*width * *height, 0);
    bool read =
        SDL_RenderReadPixels(renderer, &all, SDL_PIXELFORMAT_ARGB8888, pixels->data(), *width * 4) == 0;
    SDL_RenderPresent(renderer);
    return read;
}

int ScreenCallsOffMainThread()
{
    return gOffThread.load();
}

uint64_t HostPresentCount()
{
    return gPresents.load();
}

bool ShownFullScreen(HWND window)
{
    if (!Platform::User::OnVideoThread() || !Platform::HasHostWindow(window))
        return false;
    auto w = Platform::User::Find(window);
    std::lock_guard<std::recursive_mutex> lock(Platform::User::TableLock());
    return w && w->fullScreen && (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
}
} // namespace PlatformTest
