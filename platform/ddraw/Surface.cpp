#include "ddraw/Surface.h"
#include "core/desktop.h"
#include "core/faults.h"
#include "ddraw/Lock.h"
#include "ddraw/Records.h"
#include "win32/ComObject.h"
#include "win32/gdi32.h"
#include "win32/user32.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace
{
std::atomic<uint64_t> gVideoBytes{0};

constexpr DWORD kMaxSide = 16384;

bool Empty(const RECT& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

bool Inside(const RECT& r, const RECT& bounds)
{
    return r.left >= bounds.left && r.top >= bounds.top && r.right <= bounds.right &&
           r.bottom <= bounds.bottom;
}

RECT Intersect(const RECT& a, const RECT& b)
{
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

// A source key as a range of colour values; the unused bits of a pixel take no part.
struct KeyTest
{
    KeyTest(bool enabled, DWORD colourMask, const DDCOLORKEY& key)
        : on(enabled), mask(colourMask), low(key.dwColorSpaceLowValue & colourMask),
          span((std::max(key.dwColorSpaceHighValue & colourMask, low)) - low)
    {
    }
    bool Skips(DWORD pixel) const { return ((pixel & mask) - low) <= span; }

    bool on;
    DWORD mask, low, span;
};

// Copies `from` of the source onto `dest`, sampling the nearest source pixel (pixel centres) when the
// sizes differ; only the `visible` part of `dest` is written.
template <typename T>
void CopyPixels(uint8_t* target, LONG targetPitch, const RECT& dest, const RECT& visible,
                const uint8_t* source, LONG sourcePitch, const RECT& from, const KeyTest& key)
{
    int64_t dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    int64_t sw = from.right - from.left, sh = from.bottom - from.top;
    LONG width = visible.right - visible.left;
    // The source column of every written column, worked out once for all rows.
    std::vector<int64_t> columns((size_t)width);
    for (LONG i = 0; i < width; i++)
        columns[i] = from.left + ((2 * (visible.left + i - dest.left) + 1) * sw) / (2 * dw);
    bool sameWidth = sw == dw;
    for (LONG y = visible.top; y < visible.bottom; y++)
    {
        int64_t sy = from.top + ((2 * (y - dest.top) + 1) * sh) / (2 * dh);
        const T* in = reinterpret_cast<const T*>(source + sy * sourcePitch);
        T* out = reinterpret_cast<T*>(target + (int64_t)y * targetPitch) + visible.left;
        if (sameWidth && !key.on)
            std::memcpy(out, in + columns[0], (size_t)width * sizeof(T));
        else if (sameWidth)
        {
            const T* row = in + columns[0];
            for (LONG i = 0; i < width; i++)
                out[i] = key.Skips(row[i]) ? out[i] : row[i];
        }
        else
            for (LONG i = 0; i < width; i++)
            {
                T pixel = in[columns[i]];
                if (!key.on || !key.Skips(pixel))
                    out[i] = pixel;
            }
    }
}

template <typename T> void FillPixels(uint8_t* target, LONG pitch, const RECT& area, DWORD value)
{
    for (LONG y = area.top; y < area.bottom; y++)
    {
        T* out = reinterpret_cast<T*>(target + (int64_t)y * pitch);
        std::fill(out + area.left, out + area.right, (T)value);
    }
}
} // namespace

namespace DDraw
{
std::mutex& LayerLock()
{
    static std::mutex lock;
    return lock;
}

uint64_t Surface::VideoMemoryInUse()
{
    return gVideoBytes.load();
}

HRESULT Surface::Make(const Request& request, Surface** surface)
{
    *surface = nullptr;
    if (request.width == 0 || request.height == 0)
        return DDERR_INVALIDPARAMS;
    if (request.width > kMaxSide)
        return DDERR_TOOBIGWIDTH;
    if (request.height > kMaxSide)
        return DDERR_TOOBIGHEIGHT;
    uint64_t pitch = request.format.Pitch(request.width);
    uint64_t bytes = pitch * request.height;
    bool video = (request.caps & DDSCAPS_VIDEOMEMORY) != 0;
    std::lock_guard<std::mutex> lock(LayerLock());
    if (request.primaries && *request.primaries > 0)
        return DDERR_PRIMARYSURFACEALREADYEXISTS;
    if (video && gVideoBytes + bytes * (1 + request.backBuffers) > Platform::Desktop().videoMemory)
        return DDERR_OUTOFVIDEOMEMORY;
    Surface* front = nullptr;
    try
    {
        front = new Surface(request, video ? bytes : 0);
        front->mBackBuffers.reserve(request.backBuffers);
        for (DWORD i = 0; i < request.backBuffers; i++)
        {
            Request back = request;
            back.caps = (request.caps & ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER)) | DDSCAPS_BACKBUFFER;
            back.backBuffers = 0;
            back.primaries = nullptr;
            front->mBackBuffers.push_back(new Surface(back, video ? bytes : 0));
        }
    }
    catch (const std::bad_alloc&)
    {
        delete front;
        return DDERR_OUTOFMEMORY;
    }
    if (front->IsPrimary())
    {
        front->mShown = true;
        Presenter::AddPrimary(front);
    }
    *surface = front;
    return DD_OK;
}

ShownSurface Surface::Showing() const
{
    ShownSurface shown{mPixels.data(), mPitch, mWidth, mHeight, mFormat, nullptr, false};
    shown.fullScreen = mDisplay && mDisplay->fullScreen;
    HWND clipperWindow = nullptr;
    if (mClipper)
        mClipper->GetHWnd(&clipperWindow);
    // Windowed, blits reach the screen through the clipper's window, so that is the one shown.
    shown.window = mDisplay ? mDisplay->window.load() : nullptr;
    if (!shown.fullScreen && clipperWindow)
        shown.window = clipperWindow;
    return shown;
}

Surface::Surface(const Request& request, uint64_t videoBytes)
    : mWidth(request.width), mHeight(request.height), mCaps(request.caps), mFormat(request.format),
      mPitch((LONG)request.format.Pitch(request.width)), mVideoBytes(videoBytes),
      mPrimaries(request.primaries), mDisplay(request.display), mPixels((size_t)mPitch * mHeight, 0)
{
    if (request.backBuffers > 0)
        mCaps |= DDSCAPS_FRONTBUFFER;
    gVideoBytes += mVideoBytes;
    if (mPrimaries)
        ++*mPrimaries;
}

Surface::~Surface()
{
    if (mShown)
    {
        std::lock_guard<std::mutex> lock(LayerLock());
        Presenter::RemovePrimary(this);
    }
    if (mDC)
        Platform::DropSurfaceDC(mDC);
    for (Surface* back : mBackBuffers)
        back->Release();
    if (mClipper)
        mClipper->Release();
    if (mPalette)
        mPalette->Release();
    gVideoBytes -= mVideoBytes;
    if (mPrimaries)
        --*mPrimaries;
}

bool Surface::ClipRegion(RECT* region) const
{
    if (!mClipper)
        return false;
    *region = Bounds();
    HWND window = nullptr;
    RECT client;
    if (mClipper->GetHWnd(&window) == DD_OK && window && GetClientRect(window, &client))
    {
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        RECT onScreen{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
        *region = Intersect(*region, onScreen);
    }
    return true;
}

HRESULT Surface::BltFrom(LPRECT destRect, Surface* source, LPRECT sourceRect, DWORD flags, LPDDBLTFX fx)
{
    if (fx && fx->dwSize != sizeof(DDBLTFX))
        return DDERR_INVALIDPARAMS;
    std::lock_guard<std::mutex> lock(LayerLock());
    if (Platform::ShouldFail("Blt"))
        return DDERR_SURFACELOST;
    if (mLocked || (source && source->mLocked))
        return DDERR_SURFACEBUSY;
    if (!mFormat.Drawable())
        return DDERR_UNSUPPORTEDFORMAT;
    RECT dest = destRect ? *destRect : Bounds();
    if (Empty(dest))
        return DDERR_INVALIDRECT;
    RECT region;
    if (!ClipRegion(&region))
    {
        if (!Inside(dest, Bounds()))
            return DDERR_INVALIDRECT;
        region = dest;
    }
    RECT visible = Intersect(dest, region);
    bool wide = mFormat.bits == 32;
    if (flags & DDBLT_COLORFILL)
    {
        if (!fx)
            return DDERR_INVALIDPARAMS;
        if (!Empty(visible))
            (wide ? FillPixels<uint32_t> : FillPixels<uint16_t>)(mPixels.data(), mPitch, visible,
                                                                 fx->dwFillColor);
        Changed();
        return DD_OK;
    }
    if (!source)
        return DDERR_INVALIDPARAMS;
    if (!(source->mFormat == mFormat))
        return DDERR_INVALIDPIXELFORMAT;
    RECT from = sourceRect ? *sourceRect : source->Bounds();
    if (Empty(from) || !Inside(from, source->Bounds()))
        return DDERR_INVALIDRECT;
    KeyTest key((flags & DDBLT_KEYSRC) != 0, mFormat.red | mFormat.green | mFormat.blue, source->mKey);
    if (key.on && !source->mHasKey)
        return DDERR_NOCOLORKEY;
    if (Empty(visible))
        return DD_OK;
    // A blit within one surface reads from a copy, so that overlapping rectangles come out whole.
    std::vector<uint8_t> copy;
    const uint8_t* pixels = source->mPixels.data();
    if (source == this)
    {
        copy = mPixels;
        pixels = copy.data();
    }
    (wide ? CopyPixels<uint32_t> : CopyPixels<uint16_t>)(mPixels.data(), mPitch, dest, visible, pixels,
                                                         source->mPitch, from, key);
    Changed();
    return DD_OK;
}

HRESULT WINAPI Surface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
                            LPDDBLTFX fx)
{
    return BltFrom(destRect, source ? From(source) : nullptr, sourceRect, flags, fx);
}

HRESULT WINAPI Surface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect, DWORD flags,
                            LPDDBLTFX fx)
{
    return BltFrom(destRect, source ? From(source) : nullptr, sourceRect, flags, fx);
}

HRESULT Surface::FlipChain()
{
    std::lock_guard<std::mutex> lock(LayerLock());
    if (mBackBuffers.empty())
        return DDERR_NOTFLIPPABLE;
    if (Platform::ShouldFail("Flip"))
        return DDERR_SURFACELOST;
    if (mLocked ||
        std::any_of(mBackBuffers.begin(), mBackBuffers.end(), [](Surface* s) { return s->mLocked; }))
        return DDERR_SURFACEBUSY;
    // The front takes the first back buffer's pixels; the old front goes to the end of the chain.
    std::vector<uint8_t> front = std::move(mPixels);
    mPixels = std::move(mBackBuffers.front()->mPixels);
    for (size_t i = 0; i + 1 < mBackBuffers.size(); i++)
        mBackBuffers[i]->mPixels = std::move(mBackBuffers[i + 1]->mPixels);
    mBackBuffers.back()->mPixels = std::move(front);
    Changed();
    return DD_OK;
}

template <typename Interface> HRESULT Surface::FlipTo(Interface* target)
{
    if (target && (mBackBuffers.empty() || From(target) != mBackBuffers.front()))
        return DDERR_INVALIDPARAMS;
    return FlipChain();
}

HRESULT WINAPI Surface::Flip(LPDIRECTDRAWSURFACE target, DWORD)
{
    return FlipTo(target);
}

HRESULT WINAPI Surface::Flip(LPDIRECTDRAWSURFACE7 target, DWORD)
{
    return FlipTo(target);
}

HRESULT Surface::Attached(DWORD caps, Surface** surface)
{
    if (!surface)
        return DDERR_INVALIDPARAMS;
    *surface = nullptr;
    if (Platform::ShouldFail("GetAttachedSurface"))
        return DDERR_NOTFOUND;
    for (Surface* back : mBackBuffers)
        if ((back->mCaps & caps) == caps)
        {
            back->AddRef();
            *surface = back;
            return DD_OK;
        }
    return DDERR_NOTFOUND;
}

template <typename Caps, typename Interface> HRESULT Surface::AttachedAs(Caps* caps, Interface** surface)
{
    if (!caps || !surface)
        return DDERR_INVALIDPARAMS;
    Surface* found = nullptr;
    HRESULT result = Attached(caps->dwCaps, &found);
    *surface = found;
    return result;
}

HRESULT WINAPI Surface::GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* surface)
{
    return AttachedAs(caps, surface);
}

HRESULT WINAPI Surface::GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE7* surface)
{
    return AttachedAs(caps, surface);
}

template <typename Desc> HRESULT Surface::Describe(Desc* desc, uint8_t* pixels)
{
    if (!ValidSize(desc))
        return DDERR_INVALIDPARAMS;
    DWORD size = desc->dwSize;
    std::memset(desc, 0, sizeof(Desc));
    desc->dwSize = size;
    desc->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = mWidth;
    desc->dwHeight = mHeight;
    desc->lPitch = mPitch;
    desc->ddpfPixelFormat = mFormat.Describe();
    desc->ddsCaps.dwCaps = mCaps;
    if (!mBackBuffers.empty())
    {
        desc->dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc->dwBackBufferCount = (DWORD)mBackBuffers.size();
    }
    if (mHasKey)
    {
        desc->dwFlags |= DDSD_CKSRCBLT;
        desc->ddckCKSrcBlt = mKey;
    }
    if (pixels)
    {
        desc->dwFlags |= DDSD_LPSURFACE;
        desc->lpSurface = pixels;
    }
    return DD_OK;
}

HRESULT WINAPI Surface::GetSurfaceDesc(LPDDSURFACEDESC desc)
{
    std::lock_guard<std::mutex> lock(LayerLock());
    return Describe(desc, nullptr);
}

HRESULT WINAPI Surface::GetSurfaceDesc(LPDDSURFACEDESC2 desc)
{
    std::lock_guard<std::mutex> lock(LayerLock());
    return Describe(desc, nullptr);
}

template <typename Desc> HRESULT Surface::LockAs(LPRECT rect, Desc* desc)
{
    if (!ValidSize(desc))
        return DDERR_INVALIDPARAMS;
    std::lock_guard<std::mutex> lock(LayerLock());
    if (mLocked || Platform::ShouldFail("Lock"))
        return DDERR_SURFACEBUSY;
    RECT area = rect ? *rect : Bounds();
    if (Empty(area) || !Inside(area, Bounds()))
        return DDERR_INVALIDRECT;
    uint8_t* first = mPixels.data() + (size_t)area.top * mPitch + (size_t)area.left * mFormat.BytesPerPixel();
    Describe(desc, first);
    mLocked = true;
    return DD_OK;
}

HRESULT WINAPI Surface::Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD, HANDLE)
{
    return LockAs(rect, desc);
}

HRESULT WINAPI Surface::Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD, HANDLE)
{
    return LockAs(rect, desc);
}

HRESULT Surface::UnlockAny()
{
    std::lock_guard<std::mutex> lock(LayerLock());
    // A device context holds its own lock, given back by ReleaseDC.
    if (!mLocked || mDC)
        return DDERR_NOTLOCKED;
    mLocked = false;
    Changed();
    return DD_OK;
}

HRESULT WINAPI Surface::Unlock(LPVOID)
{
    return UnlockAny();
}

HRESULT WINAPI Surface::Unlock(LPRECT)
{
    return UnlockAny();
}

HRESULT WINAPI Surface::GetDC(HDC* dc)
{
    if (!dc)
        return DDERR_INVALIDPARAMS;
    *dc = nullptr;
    std::lock_guard<std::mutex> lock(LayerLock());
    if (mDC)
        return DDERR_DCALREADYCREATED;
    if (mLocked)
        return DDERR_SURFACEBUSY;
    if (!mFormat.Drawable() || Platform::ShouldFail("GetDC"))
        return DDERR_CANTCREATEDC;
    Platform::DCPixels pixels;
    pixels.bits = mPixels.data();
    pixels.pitch = mPitch;
    pixels.width = (int)mWidth;
    pixels.height = (int)mHeight;
    pixels.bitsPerPixel = (int)mFormat.bits;
    pixels.red = mFormat.red;
    pixels.green = mFormat.green;
    pixels.blue = mFormat.blue;
    *dc = mDC = Platform::MakeSurfaceDC(pixels);
    mLocked = true;
    return DD_OK;
}

HRESULT WINAPI Surface::ReleaseDC(HDC dc)
{
    std::lock_guard<std::mutex> lock(LayerLock());
    if (!mDC || dc != mDC)
        return DDERR_NODC;
    Platform::DropSurfaceDC(mDC);
    mDC = nullptr;
    mLocked = false;
    Changed();
    return DD_OK;
}

HRESULT WINAPI Surface::SetClipper(LPDIRECTDRAWCLIPPER clipper)
{
    std::lock_guard<std::mutex> lock(LayerLock());
    if (clipper)
        clipper->AddRef();
    if (mClipper)
        mClipper->Release();
    mClipper = clipper;
    return DD_OK;
}

HRESULT WINAPI Surface::SetColorKey(DWORD flags, LPDDCOLORKEY key)
{
    // Only source keys for blits are offered.
    if (!(flags & DDCKEY_SRCBLT))
        return DDERR_UNSUPPORTED;
    std::lock_guard<std::mutex> lock(LayerLock());
    mHasKey = key != nullptr;
    mKey = key ? *key : DDCOLORKEY{};
    return DD_OK;
}

HRESULT WINAPI Surface::SetPalette(LPDIRECTDRAWPALETTE palette)
{
    std::lock_guard<std::mutex> lock(LayerLock());
    if (mFormat.bits != 8)
        return DDERR_NOTPALETTIZED;
    if (palette)
        palette->AddRef();
    if (mPalette)
        mPalette->Release();
    mPalette = palette;
    return DD_OK;
}
} // namespace DDraw
