#include "ddraw/Twin.h"
#include "ddraw/Lock.h"
#include "ddraw/Rects.h"
#include "ddraw/Renderers.h"
#include "ddraw/Surface.h"
#include "win32/user32_internal.h"

#include <SDL.h>

#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace
{
std::set<DDraw::Twin*> gTwins; // under the layer lock

std::mutex gQueueLock;
std::vector<std::pair<SDL_Renderer*, SDL_Texture*>> gQueue; // released off the main thread

// Rows of 0xAARRGGBB for surfaces whose layout the renderer does not take as it is.
std::vector<uint32_t> gScratch;

RECT Whole(const DDraw::TwinSource& source)
{
    return RECT{0, 0, (LONG)source.width, (LONG)source.height};
}

uint8_t* At(const DDraw::TwinSource& source, LONG x, LONG y)
{
    return source.pixels + (size_t)y * source.pitch + (size_t)x * source.format.BytesPerPixel();
}

// The renderer takes 32-bit memory as it is; other layouts go through 0xAARRGGBB rows.
bool Direct(const DDraw::PixelFormat& format)
{
    return format.bits == 32;
}

// Copies `area` of `source` into `target` (0xAARRGGBB, `targetPitch` bytes a row).
void ToArgb(const DDraw::TwinSource& source, LONG x, LONG y, LONG width, LONG height, uint8_t* target,
            int targetPitch)
{
    for (LONG row = 0; row < height; row++)
        DDraw::RowToArgb(At(source, x, y + row), source.format,
                         reinterpret_cast<uint32_t*>(target + (size_t)row * targetPitch), width,
                         source.palette);
}

// Fills `rect` of a target texture from `source` at (x, y), through 0xAARRGGBB rows where the
// renderer does not take the layout as it is. The pixels land at once, while draws into the target
// wait in the renderer's queue: those run first, so that what was drawn earlier stays under them.
int UpdateTarget(SDL_Renderer* renderer, SDL_Texture* texture, const SDL_Rect& rect,
                 const DDraw::TwinSource& source, LONG x, LONG y)
{
    if (SDL_RenderFlush(renderer) != 0)
        return -1;
    if (Direct(source.format))
        return SDL_UpdateTexture(texture, &rect, At(source, x, y), source.pitch);
    gScratch.resize((size_t)rect.w * rect.h);
    ToArgb(source, x, y, rect.w, rect.h, reinterpret_cast<uint8_t*>(gScratch.data()), rect.w * 4);
    return SDL_UpdateTexture(texture, &rect, gScratch.data(), rect.w * 4);
}

void Count(std::atomic<uint64_t>& calls, std::atomic<uint64_t>& bytes, const DDraw::TwinSource& source,
           const RECT& area)
{
    ++calls;
    bytes += DDraw::Area(area) * source.format.BytesPerPixel();
}

// A renderer goes: every twin in it saves what it holds, and queued textures die with it.
void DropTwinsOf(SDL_Renderer* renderer)
{
    {
        std::lock_guard<std::mutex> lock(DDraw::LayerLock());
        std::vector<DDraw::Twin*> going;
        for (DDraw::Twin* twin : gTwins)
            if (twin->Renderer() == renderer)
                going.push_back(twin);
        for (DDraw::Twin* twin : going)
            twin->Save(twin->Owner()->TwinView());
    }
    std::lock_guard<std::mutex> lock(gQueueLock);
    std::erase_if(gQueue, [renderer](const auto& queued) { return queued.first == renderer; });
}
} // namespace

namespace DDraw
{
TwinCounters& Counters()
{
    static TwinCounters counters;
    return counters;
}

void SetRendererTarget(SDL_Renderer* renderer, SDL_Texture* target)
{
    if (SDL_GetRenderTarget(renderer) != target)
        SDL_SetRenderTarget(renderer, target);
}

RendererTargetScope::RendererTargetScope(SDL_Renderer* renderer, SDL_Texture* target)
    : mRenderer(renderer), mPrevious(SDL_GetRenderTarget(renderer))
{
    SetRendererTarget(renderer, target);
}

RendererTargetScope::~RendererTargetScope()
{
    SetRendererTarget(mRenderer, mPrevious);
}

Twin::~Twin()
{
    gTwins.erase(this);
    if (!mTexture)
        return;
    if (Platform::User::OnVideoThread())
        SDL_DestroyTexture(mTexture);
    else
    {
        std::lock_guard<std::mutex> lock(gQueueLock);
        gQueue.emplace_back(mRenderer, mTexture);
    }
    Forget();
}

void Twin::Forget()
{
    if (mTexture)
    {
        --Counters().twins;
        Counters().twinBytes -= mBytes;
    }
    mTexture = nullptr;
    mRenderer = nullptr;
    mBytes = 0;
    mCpu = mGpu = RECT{};
}

HRESULT Twin::UploadArea(const TwinSource& source, const RECT& area)
{
    RECT part = Intersect(area, Whole(source));
    if (Empty(part))
        return DD_OK;
    SDL_Rect rect = ToSdl(part);
    int result;
    if (mKind == Kind::Texture)
    {
        void* pixels = nullptr;
        int pitch = 0;
        result = SDL_LockTexture(mTexture, &rect, &pixels, &pitch);
        if (result == 0)
        {
            ToArgb(source, part.left, part.top, rect.w, rect.h, static_cast<uint8_t*>(pixels), pitch);
            SDL_UnlockTexture(mTexture);
        }
    }
    else
        result = UpdateTarget(mRenderer, mTexture, rect, source, part.left, part.top);
    if (result != 0)
        return DDERR_SURFACELOST;
    Count(Counters().uploads, Counters().uploadedBytes, source, part);
    return DD_OK;
}

int Twin::ReadPixels(const SDL_Rect& rect, void* out, int pitch)
{
    RendererTargetScope target(mRenderer, mTexture);
    return SDL_RenderReadPixels(mRenderer, &rect, SDL_PIXELFORMAT_ARGB8888, out, pitch);
}

HRESULT Twin::ReadBack(const TwinSource& source, const RECT& area)
{
    RECT part = Intersect(area, Whole(source));
    if (Empty(part))
        return DD_OK;
    SDL_Rect rect = ToSdl(part);
    int result;
    if (Direct(source.format))
        result = ReadPixels(rect, At(source, part.left, part.top), source.pitch);
    else
    {
        gScratch.resize((size_t)rect.w * rect.h);
        result = ReadPixels(rect, gScratch.data(), rect.w * 4);
        if (result == 0)
            for (int row = 0; row < rect.h; row++)
                RowFromArgb(&gScratch[(size_t)row * rect.w], source.format,
                            At(source, part.left, part.top + row), rect.w);
    }
    if (result != 0)
        return DDERR_SURFACELOST;
    Count(Counters().readBacks, Counters().readBackBytes, source, part);
    return DD_OK;
}

HRESULT Twin::BeforeCpu(const TwinSource& source, const RECT& area, bool write)
{
    if (!mTexture)
        return DD_OK;
    bool main = Platform::User::OnVideoThread();
    // Growing the CPU's part over pixels the renderer drew would later send stale memory back:
    // what the CPU changed goes up first unless the new part holds it.
    bool grows = write && !Empty(mCpu) && !Inside(area, mCpu) && !Inside(mCpu, area) &&
                 Overlaps(mGpu, Bound(mCpu, area));
    RECT stale = Intersect(mGpu, area);
    if ((grows || !Empty(stale)) && !main)
        return DDERR_WASSTILLDRAWING;
    HRESULT result = DD_OK;
    if (grows || Overlaps(mCpu, stale))
    {
        if ((result = UploadArea(source, mCpu)) != DD_OK)
            return result;
        mCpu = RECT{};
    }
    if (!Empty(stale))
    {
        if ((result = ReadBack(source, stale)) != DD_OK)
            return result;
        mGpu = Remove(mGpu, stale);
    }
    return DD_OK;
}

void Twin::Wrote(const TwinSource& source, const RECT& area)
{
    if (mTexture)
        mCpu = Bound(mCpu, Intersect(area, Whole(source)));
}

HRESULT Twin::Ready(SDL_Renderer* renderer, const TwinSource& source, const RECT* overwritten)
{
    if (!renderer || !Platform::User::OnVideoThread())
        return DDERR_SURFACELOST;
    if (mTexture && mRenderer != renderer)
        Save(source);
    if (!mTexture)
    {
        int access = mKind == Kind::Texture ? SDL_TEXTUREACCESS_STREAMING : SDL_TEXTUREACCESS_TARGET;
        mTexture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, access, (int)source.width,
                                     (int)source.height);
        if (!mTexture)
            return DDERR_OUTOFVIDEOMEMORY;
        static const bool hooked = []
        {
            Renderers::OnDrop(&DropTwinsOf);
            return true;
        }();
        (void)hooked;
        gTwins.insert(this);
        mRenderer = renderer;
        mBytes = (uint64_t)source.width * source.height * 4;
        ++Counters().twins;
        Counters().twinBytes += mBytes;
        mCpu = Whole(source);
        mGpu = RECT{};
    }
    if (Empty(mCpu))
        return DD_OK;
    if (overwritten && Inside(mCpu, *overwritten))
    {
        mCpu = RECT{};
        return DD_OK;
    }
    HRESULT result = UploadArea(source, mCpu);
    if (result == DD_OK)
        mCpu = RECT{};
    return result;
}

void Twin::Drew(const TwinSource& source, const RECT& area)
{
    mGpu = Bound(mGpu, Intersect(area, Whole(source)));
}

HRESULT Twin::Upload(const TwinSource& from, LONG fromX, LONG fromY, const RECT& at)
{
    if (UpdateTarget(mRenderer, mTexture, ToSdl(at), from, fromX, fromY) != 0)
        return DDERR_SURFACELOST;
    Count(Counters().uploads, Counters().uploadedBytes, from, at);
    mGpu = Bound(mGpu, at);
    return DD_OK;
}

void Twin::PaletteChanged(const TwinSource& source)
{
    if (mTexture)
        mCpu = Whole(source);
}

void Twin::Swap(Twin& other)
{
    std::swap(mRenderer, other.mRenderer);
    std::swap(mTexture, other.mTexture);
    std::swap(mBytes, other.mBytes);
    std::swap(mCpu, other.mCpu);
    std::swap(mGpu, other.mGpu);
    // The registry knows twins by their place, which each keeps: only whether they hold a texture moves.
    for (Twin* twin : {this, &other})
        if (twin->mTexture)
            gTwins.insert(twin);
        else
            gTwins.erase(twin);
}

bool Twin::Peek(const RECT& area, uint32_t* out)
{
    if (!mTexture || Empty(area))
        return false;
    SDL_Rect rect = ToSdl(area);
    return ReadPixels(rect, out, rect.w * 4) == 0;
}

void Twin::Save(const TwinSource& source)
{
    if (!mTexture)
        return;
    if (!Empty(mGpu) && Platform::User::OnVideoThread())
    {
        if (Overlaps(mCpu, mGpu))
            UploadArea(source, mCpu);
        ReadBack(source, mGpu);
    }
    SDL_DestroyTexture(mTexture);
    gTwins.erase(this);
    Forget();
}

void ReleaseQueuedTwins()
{
    std::vector<std::pair<SDL_Renderer*, SDL_Texture*>> queued;
    {
        std::lock_guard<std::mutex> lock(gQueueLock);
        queued.swap(gQueue);
    }
    for (auto& [renderer, texture] : queued)
        SDL_DestroyTexture(texture);
}

int QueuedTwinReleases()
{
    std::lock_guard<std::mutex> lock(gQueueLock);
    return (int)gQueue.size();
}
} // namespace DDraw
