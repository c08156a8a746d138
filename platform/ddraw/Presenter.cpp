#include "ddraw/Presenter.h"
#include "ddraw/Lock.h"
#include "ddraw/Rects.h"
#include "ddraw/Renderers.h"
#include "ddraw/Surface.h"
#include "test/present.h"
#include "win32/host.h"
#include "win32/user32.h"
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
    SDL_Texture* texture = nullptr; // the streaming texture memory frames are converted into
    int textureWidth = 0, textureHeight = 0;
    int width = 0, height = 0; // the frame: the client area, or the whole primary in full screen
};

std::vector<DDraw::Surface*> gPrimaries; // under the layer lock
std::atomic<bool> gDirty{false};
std::atomic<int> gOffThread{0};
std::atomic<uint64_t> gPresents{0};

std::mutex gWantLock;
std::map<HWND, bool> gWanted; // full-screen changes not yet made
std::atomic<bool> gWantPending{false};

std::mutex gDisplayLock;
std::vector<std::weak_ptr<DDraw::DisplayState>> gDisplays;

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

// The part of the primary a window shows: the whole surface in full screen, else the part under
// its client area (which may reach past the surface). Layer lock held.
bool ShownArea(const DDraw::ShownSurface& shown, RECT* area)
{
    *area = RECT{0, 0, (LONG)shown.width, (LONG)shown.height};
    if (shown.fullScreen)
        return true;
    RECT client;
    POINT origin{0, 0};
    if (!GetClientRect(shown.window, &client) || !ClientToScreen(shown.window, &origin))
        return false;
    *area = RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    return !DDraw::Empty(*area);
}

RECT OnSurface(const DDraw::ShownSurface& shown, const RECT& area)
{
    return DDraw::Intersect(area, RECT{0, 0, (LONG)shown.width, (LONG)shown.height});
}

// The primary shown in a window, if any. Layer lock held.
DDraw::Surface* PrimaryIn(HWND hwnd, DDraw::ShownSurface* shown)
{
    for (DDraw::Surface* primary : gPrimaries)
    {
        *shown = primary->Showing();
        if (shown->window == hwnd && shown->format.Drawable())
            return primary;
    }
    return nullptr;
}

// Whether the window should show the primary's twin: the renderer drew what it shows.
bool ShowsTwin(const DDraw::ShownSurface& shown, const RECT& visible, SDL_Renderer* renderer)
{
    DDraw::Twin* twin = shown.surface->TwinOf();
    return twin && twin->Texture() && twin->Renderer() == renderer &&
           DDraw::Overlaps(twin->RendererNewer(), visible);
}

// Converts what the window shows of the primary into the output's streaming texture, in one
// pass (black where the client area leaves the surface). Layer lock held.
bool Convert(const DDraw::ShownSurface& shown, const RECT& area, SDL_Renderer* renderer, Output* out)
{
    if (!out->texture || out->textureWidth != out->width || out->textureHeight != out->height)
    {
        if (out->texture)
            SDL_DestroyTexture(out->texture);
        out->texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                         out->width, out->height);
        out->textureWidth = out->width;
        out->textureHeight = out->height;
        if (!out->texture)
            return false;
    }
    void* memory = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(out->texture, nullptr, &memory, &pitch) != 0)
        return false;
    RECT visible = OnSurface(shown, area);
    LONG left = visible.left - area.left, right = visible.right - area.left;
    DWORD bytes = shown.format.BytesPerPixel();
    for (LONG y = 0; y < out->height; y++)
    {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(memory) + (size_t)y * pitch);
        LONG sy = area.top + y;
        if (sy < visible.top || sy >= visible.bottom || DDraw::Empty(visible))
        {
            std::fill(row, row + out->width, kOpaque);
            continue;
        }
        std::fill(row, row + left, kOpaque);
        std::fill(row + right, row + out->width, kOpaque);
        const uint8_t* in = shown.pixels + (size_t)sy * shown.pitch + (size_t)visible.left * bytes;
        if (shown.format.bits == 32)
            std::memcpy(row + left, in, (size_t)(right - left) * 4); // the texture ignores the top byte
        else
            DDraw::RowToArgb(in, shown.format, row + left, right - left);
    }
    SDL_UnlockTexture(out->texture);
    return true;
}

// The output's textures die with their renderer.
void RendererGoing(SDL_Renderer* renderer)
{
    for (auto& [hwnd, out] : gOutputs)
        if (out.texture && DDraw::Renderers::Existing(hwnd) == renderer)
            out = Output{};
}

// Draws what the window shows into its renderer, scaled to fit with black bars when full screen.
// Nothing is presented yet.
bool Draw(HWND hwnd, Output* out, bool* fromTwin)
{
    SDL_Renderer* renderer = DDraw::Renderers::ForWindow(hwnd);
    if (!renderer)
        return false;
    SDL_Texture* texture = nullptr;
    SDL_Rect from{}, to{};
    {
        std::lock_guard<std::mutex> lock(DDraw::LayerLock());
        DDraw::ShownSurface shown;
        RECT area;
        if (!PrimaryIn(hwnd, &shown) || !ShownArea(shown, &area))
            return false;
        out->width = area.right - area.left;
        out->height = area.bottom - area.top;
        RECT visible = OnSurface(shown, area);
        *fromTwin = ShowsTwin(shown, visible, renderer);
        if (*fromTwin)
        {
            DDraw::Twin* twin = shown.surface->TwinOf();
            if (twin->Ready(renderer, shown.surface->TwinView()) != DD_OK)
                return false;
            texture = twin->Texture();
            from = DDraw::ToSdl(visible);
            to = SDL_Rect{visible.left - area.left, visible.top - area.top, from.w, from.h};
        }
        else
        {
            if (!Convert(shown, area, renderer, out))
                return false;
            texture = out->texture;
            from = to = SDL_Rect{0, 0, out->width, out->height};
        }
    }
    DDraw::SetRendererTarget(renderer, nullptr);
    SDL_RenderSetLogicalSize(renderer, out->width, out->height);
    // Black where the frame leaves bars or the surface leaves the client area.
    int outputWidth = 0, outputHeight = 0;
    SDL_GetRendererOutputSize(renderer, &outputWidth, &outputHeight);
    if (outputWidth != out->width || outputHeight != out->height || to.w != out->width || to.h != out->height)
    {
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
    }
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
    return SDL_RenderCopy(renderer, texture, &from, &to) == 0;
}

void Show(HWND hwnd, Output* out)
{
    if (!OnMainThread())
        return;
    if (!Platform::HasHostWindow(hwnd) || !IsWindowVisible(hwnd) || IsIconic(hwnd))
        return;
    bool fromTwin = false;
    if (!Draw(hwnd, out, &fromTwin))
        return;
    SDL_RenderPresent(DDraw::Renderers::Existing(hwnd));
    ++gPresents;
    if (fromTwin)
        ++DDraw::Counters().twinPresents;
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
    DDraw::ReleaseQueuedTwins();
    ApplyFullScreen();
    if (!gDirty.exchange(false))
        return;
    std::vector<HWND> shown;
    {
        std::lock_guard<std::mutex> lock(DDraw::LayerLock());
        for (DDraw::Surface* primary : gPrimaries)
        {
            DDraw::ShownSurface surface = primary->Showing();
            if (surface.window && surface.format.Drawable() && IsWindow(surface.window) &&
                std::find(shown.begin(), shown.end(), surface.window) == shown.end())
                shown.push_back(surface.window);
        }
    }
    for (HWND hwnd : shown)
    {
        Show(hwnd, &gOutputs[hwnd]);
        gLastShown = hwnd;
    }
}

// The window's DirectDraw objects lose their exclusive level with it.
void LeaveExclusive(HWND hwnd)
{
    std::lock_guard<std::mutex> lock(gDisplayLock);
    std::erase_if(gDisplays, [](const auto& display) { return display.expired(); });
    for (const auto& weak : gDisplays)
        if (auto display = weak.lock(); display && display->window == hwnd)
        {
            display->fullScreen = false;
            if (display->modeSet.exchange(false))
                ChangeDisplaySettingsA(nullptr, 0);
        }
}

void WindowGone(HWND hwnd)
{
    if (!OnMainThread())
        return;
    LeaveExclusive(hwnd);
    DDraw::Renderers::Drop(hwnd);
    gOutputs.erase(hwnd);
    if (gLastShown == hwnd)
        gLastShown = nullptr;
}
} // namespace

namespace DDraw::Presenter
{
void Hook()
{
    static const bool hooked = []
    {
        Platform::SetHostPresenter(Platform::HostPresenter{&Present, &WindowGone, &MarkDirty});
        Renderers::OnDrop(&RendererGoing);
        return true;
    }();
    (void)hooked;
}

void AddPrimary(Surface* primary)
{
    Hook();
    gPrimaries.push_back(primary);
    MarkDirty();
}

void RemovePrimary(Surface* primary)
{
    gPrimaries.erase(std::remove(gPrimaries.begin(), gPrimaries.end(), primary), gPrimaries.end());
}

void AddDisplay(const std::shared_ptr<DisplayState>& display)
{
    Hook();
    std::lock_guard<std::mutex> lock(gDisplayLock);
    gDisplays.push_back(display);
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
    HWND hwnd = window ? window : gLastShown;
    std::lock_guard<std::mutex> lock(DDraw::LayerLock());
    DDraw::ShownSurface shown;
    RECT area;
    if (!hwnd || !PrimaryIn(hwnd, &shown) || !ShownArea(shown, &area))
        return false;
    *width = area.right - area.left;
    *height = area.bottom - area.top;
    pixels->assign((size_t)*width * *height, kOpaque);
    RECT visible = OnSurface(shown, area);
    if (DDraw::Empty(visible))
        return true;
    // What the renderer holds newer comes from the twin, the rest from memory.
    LONG w = visible.right - visible.left;
    std::vector<uint32_t> twin((size_t)w * (visible.bottom - visible.top));
    DDraw::Twin* twinOf = shown.surface->TwinOf();
    RECT drawn = twinOf ? DDraw::Intersect(twinOf->RendererNewer(), visible) : RECT{};
    RECT memory = twinOf ? twinOf->MemoryNewer() : RECT{};
    bool peeked = !DDraw::Empty(drawn) && twinOf->Peek(visible, twin.data());
    for (LONG y = visible.top; y < visible.bottom; y++)
    {
        uint32_t* row = &(*pixels)[(size_t)(y - area.top) * *width + (visible.left - area.left)];
        DDraw::RowToArgb(shown.pixels + (size_t)y * shown.pitch +
                             (size_t)visible.left * shown.format.BytesPerPixel(),
                         shown.format, row, w);
        if (!peeked)
            continue;
        for (LONG x = visible.left; x < visible.right; x++)
        {
            bool fromTwin = x >= drawn.left && x < drawn.right && y >= drawn.top && y < drawn.bottom &&
                            !(x >= memory.left && x < memory.right && y >= memory.top && y < memory.bottom);
            if (fromTwin)
                row[x - visible.left] = kOpaque | twin[(size_t)(y - visible.top) * w + (x - visible.left)];
        }
    }
    return true;
}

bool ReadHostFrame(HWND window, int* width, int* height, std::vector<uint32_t>* pixels)
{
    auto it = gOutputs.find(window);
    bool fromTwin = false;
    if (it == gOutputs.end() || !OnMainThread() || !Draw(window, &it->second, &fromTwin))
        return false;
    SDL_Renderer* renderer = DDraw::Renderers::Existing(window);
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
