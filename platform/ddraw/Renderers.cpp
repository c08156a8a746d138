#include "ddraw/Renderers.h"
#include "audio/SdlHints.h"
#include "ddraw/Presenter.h"
#include "win32/host.h"
#include "win32/user32_internal.h"
#include "win32/x11_window_loss.h"

#include <SDL.h>

#include <cstdio>
#include <map>
#include <vector>

namespace
{
struct Entry
{
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    bool failed = false; // said once; tried again only for a new SDL window
};

std::map<HWND, Entry> gRenderers;
std::vector<void (*)(SDL_Renderer*)> gDropHooks;

void Destroy(Entry* entry)
{
    if (entry->renderer)
    {
        for (auto hook : gDropHooks)
            hook(entry->renderer);
        SDL_DestroyRenderer(entry->renderer);
    }
    *entry = Entry{};
}
} // namespace

namespace DDraw::Renderers
{
SDL_Renderer* ForWindow(HWND hwnd)
{
    // The host window first: it brings the video up when nothing has yet (a device made before
    // the window is first shown).
    SDL_Window* window = Platform::HostWindow(hwnd);
    if (!window || !Platform::User::OnVideoThread())
        return nullptr;
    Presenter::Hook();
    Entry& entry = gRenderers[hwnd];
    if (entry.window != window)
    {
        Destroy(&entry);
        entry.window = window;
    }
    if (!entry.renderer && !entry.failed)
    {
        // It gathers the many small draws of a frame (batching, among the process's SDL hints).
        const Uint32 software = Platform::AddressSpaceLimited() ? SDL_RENDERER_SOFTWARE : 0;
        entry.renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_TARGETTEXTURE | software);
        if (!entry.renderer)
            entry.renderer = SDL_CreateRenderer(window, -1, software);
        Platform::User::RewatchHostWindow(window);
        if (!entry.renderer)
        {
            std::fprintf(stderr, "DirectDraw: no renderer for the window: %s\n", SDL_GetError());
            entry.failed = true;
        }
    }
    return entry.renderer;
}

SDL_Renderer* Existing(HWND hwnd)
{
    auto it = gRenderers.find(hwnd);
    return it == gRenderers.end() ? nullptr : it->second.renderer;
}

SDL_Renderer* Any()
{
    for (auto& [hwnd, entry] : gRenderers)
        if (entry.renderer)
            return entry.renderer;
    return nullptr;
}

void Drop(HWND hwnd)
{
    auto it = gRenderers.find(hwnd);
    if (it == gRenderers.end() || !Platform::User::OnVideoThread())
        return;
    Destroy(&it->second);
    gRenderers.erase(it);
}

void OnDrop(void (*hook)(SDL_Renderer* renderer))
{
    for (auto known : gDropHooks)
        if (known == hook)
            return;
    gDropHooks.push_back(hook);
}

const char* Name(SDL_Renderer* renderer)
{
    SDL_RendererInfo info;
    return renderer && SDL_GetRendererInfo(renderer, &info) == 0 ? info.name : "";
}

} // namespace DDraw::Renderers
