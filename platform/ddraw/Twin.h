// A surface's twin in an SDL renderer: a texture the renderer draws with (a Direct3D texture) or
// into (a 3-D render target). One rule says which copy is current: the CPU side reads the twin
// back only where the renderer drew since the last read, and the renderer gets only what the CPU
// changed since the last upload. Every call is made with the layer lock held.
#pragma once

#include "ddraw/PixelFormat.h"
#include "win32/types.h"

#include <atomic>
#include <cstdint>

struct SDL_Rect;
struct SDL_Renderer;
struct SDL_Texture;

namespace DDraw
{
// What a twin copies from and to: its surface's memory.
struct TwinSource
{
    uint8_t* pixels;
    LONG pitch;
    DWORD width, height;
    PixelFormat format;
    const uint32_t* palette; // 256 colours 0xAARRGGBB for palette textures, else null
};

// The layer's traffic between memory and renderers (Platform::GetDirect3DStatistics).
struct TwinCounters
{
    std::atomic<uint64_t> uploads{0}, uploadedBytes{0}, readBacks{0}, readBackBytes{0};
    std::atomic<uint64_t> primitives{0}, twinPresents{0}, twins{0}, twinBytes{0};
};
TwinCounters& Counters();

class Surface;

class Twin
{
public:
    enum class Kind
    {
        Texture, // drawn with: a streaming texture the CPU writes
        Target,  // drawn into: a target texture
    };
    Twin(Surface* owner, Kind kind) : mOwner(owner), mKind(kind) {}
    // Off the main thread the texture waits in a queue for the main thread to destroy it.
    ~Twin();
    Twin(const Twin&) = delete;
    Twin& operator=(const Twin&) = delete;

    Kind kind() const { return mKind; }
    Surface* Owner() const { return mOwner; }
    SDL_Texture* Texture() const { return mTexture; }
    SDL_Renderer* Renderer() const { return mRenderer; }
    // Where the renderer drew since the memory last got it back (empty: nowhere).
    const RECT& RendererNewer() const { return mGpu; }
    // Where the memory changed since the twin last got it (empty: nowhere).
    const RECT& MemoryNewer() const { return mCpu; }

    // The CPU is about to read `area` of the surface, and perhaps write it when `write`: what the
    // renderer drew there is read back first. DDERR_WASSTILLDRAWING when that needs the main thread
    // and this is another.
    HRESULT BeforeCpu(const TwinSource& source, const RECT& area, bool write);
    // The CPU changed `area` (inside an area BeforeCpu prepared for writing).
    void Wrote(const TwinSource& source, const RECT& area);
    // The renderer is about to use the twin: it is made in `renderer` (moved there from another
    // one) and given what the CPU changed. `overwritten`: a part the coming draw covers whole,
    // which need not be uploaded. Main thread.
    HRESULT Ready(SDL_Renderer* renderer, const TwinSource& source, const RECT* overwritten = nullptr);
    // The renderer drew `area` into the twin.
    void Drew(const TwinSource& source, const RECT& area);
    // Copies part of another surface's memory (same size, the twin's format) straight into the
    // twin at `at`, which the renderer then holds newer, over what the renderer drew before (its
    // queued draws go first). Main thread, after Ready.
    HRESULT Upload(const TwinSource& from, LONG fromX, LONG fromY, const RECT& at);
    // The palette of a palette texture changed: every pixel is to be uploaded again.
    void PaletteChanged(const TwinSource& source);
    // Flip: the two surfaces exchange their pixels, so their twins go with them.
    void Swap(Twin& other);
    // Reads `area` of the twin without changing which copy is current (what a window shows).
    bool Peek(const RECT& area, uint32_t* out);

    // Saves what the renderer holds newer into memory and lets the texture go (its renderer goes).
    void Save(const TwinSource& source);

private:
    HRESULT UploadArea(const TwinSource& source, const RECT& area);
    HRESULT ReadBack(const TwinSource& source, const RECT& area);
    // The twin's pixels in `rect` as 0xAARRGGBB rows `pitch` bytes apart; SDL's result.
    int ReadPixels(const SDL_Rect& rect, void* out, int pitch);
    void Forget();

    Surface* mOwner;
    Kind mKind;
    SDL_Renderer* mRenderer = nullptr;
    SDL_Texture* mTexture = nullptr;
    uint64_t mBytes = 0;
    RECT mCpu{}; // the memory holds newer pixels here
    RECT mGpu{}; // the renderer holds newer pixels here (outside mCpu)
};

// Destroys textures released off the main thread. Main thread, layer lock not held.
void ReleaseQueuedTwins();
int QueuedTwinReleases();
// Renderer target changes go through here so that the window's own target comes back after.
void SetRendererTarget(SDL_Renderer* renderer, SDL_Texture* target);
// The renderer draws into `target` while this lives, and into what it drew into before after.
class RendererTargetScope
{
public:
    RendererTargetScope(SDL_Renderer* renderer, SDL_Texture* target);
    ~RendererTargetScope();
    RendererTargetScope(const RendererTargetScope&) = delete;
    RendererTargetScope& operator=(const RendererTargetScope&) = delete;

private:
    SDL_Renderer* mRenderer;
    SDL_Texture* mPrevious;
};
} // namespace DDraw
