#include "ddraw/Surface.h"
#include "core/desktop.h"
#include "core/faults.h"
#include "ddraw/Lock.h"
#include "ddraw/Objects.h"
#include "ddraw/Rects.h"
#include "ddraw/Records.h"
#include "win32/ComObject.h"
#include "win32/gdi32.h"
#include "win32/user32.h"
#include "win32/user32_internal.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace
{
std::atomic<uint64_t> gVideoBytes{0};

constexpr DWORD kMaxSide = 16384;

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

// The source pixel of each destination pixel along one direction, sampled at pixel centres:
// from + ((2i + 1) * size) / (2 * destSize) for the i-th, kept as a quotient and a remainder
// that step by whole numbers, so that only setting out divides.
struct NearestStep
{
    NearestStep(int64_t from, int64_t size, int64_t destSize, int64_t first) : span(2 * destSize)
    {
        int64_t numerator = (2 * first + 1) * size;
        at = from + numerator / span;
        rest = numerator % span;
        whole = 2 * size / span;
        part = 2 * size % span;
    }
    void Next()
    {
        at += whole;
        rest += part;
        if (rest >= span)
        {
            rest -= span;
            at++;
        }
    }

    int64_t span, at = 0, rest = 0, whole = 0, part = 0;
};

// The source columns of a stretched copy, kept per thread and grown as needed, so that a blit
// allocates nothing once warm.
std::vector<int64_t>& ColumnTable(size_t width)
{
    thread_local std::vector<int64_t> columns;
    if (columns.size() < width)
        columns.resize(width);
    return columns;
}

// Asks for the first lines of a destination row a few rows before it is written: the rows of a
// small copy lie a pitch apart, which the processor's own fetching does not follow, and on a
// surface larger than the cache every row would otherwise wait for its lines. Along a longer
// row the processor's fetching takes over; asking for all of it would only fill the queue.
constexpr LONG kRowsAhead = 3;
constexpr size_t kFetchedBytes = 256;

void FetchForWriting(const uint8_t* row, size_t bytes)
{
    bytes = std::min(bytes, kFetchedBytes);
    for (size_t at = 0; at < bytes; at += 64)
        __builtin_prefetch(row + at, 1);
    __builtin_prefetch(row + bytes - 1, 1);
}

// Copies `from` of the source onto `dest`, sampling the nearest source pixel (pixel centres) when the
// sizes differ; only the `visible` part of `dest` is written. Rows of the same width are copied whole;
// a row that takes the same source row as the one before, without a key, is a copy of that one.
template <typename T>
void CopyPixels(uint8_t* target, LONG targetPitch, const RECT& dest, const RECT& visible,
                const uint8_t* source, LONG sourcePitch, const RECT& from, const KeyTest& keyTest)
{
    // A copy of its own, which the pixels written cannot alias: the keyed rows then go in vectors.
    const KeyTest key = keyTest;
    LONG width = visible.right - visible.left;
    bool sameWidth = from.right - from.left == dest.right - dest.left;
    NearestStep row(from.top, from.bottom - from.top, dest.bottom - dest.top, visible.top - dest.top);
    NearestStep column(from.left, from.right - from.left, dest.right - dest.left, visible.left - dest.left);
    int64_t* columns = nullptr;
    if (!sameWidth)
    {
        columns = ColumnTable(size_t(width)).data();
        for (LONG i = 0; i < width; i++, column.Next())
            columns[i] = column.at;
    }
    const T* previous = nullptr;
    int64_t previousRow = -1;
    for (LONG y = visible.top; y < visible.bottom; y++, row.Next())
    {
        const T* in = reinterpret_cast<const T*>(source + row.at * sourcePitch);
        T* out = reinterpret_cast<T*>(target + (int64_t)y * targetPitch) + visible.left;
        if (y + kRowsAhead < visible.bottom)
            FetchForWriting(reinterpret_cast<const uint8_t*>(out) + kRowsAhead * int64_t(targetPitch),
                            (size_t)width * sizeof(T));
        if (!key.on && row.at == previousRow)
            std::memcpy(out, previous, (size_t)width * sizeof(T));
        else if (sameWidth && !key.on)
            std::memcpy(out, in + column.at, (size_t)width * sizeof(T));
        else if (sameWidth)
        {
            const T* run = in + column.at;
            for (LONG i = 0; i < width; i++)
                out[i] = key.Skips(run[i]) ? out[i] : run[i];
        }
        else
            for (LONG i = 0; i < width; i++)
            {
                T pixel = in[columns[i]];
                if (!key.on || !key.Skips(pixel))
                    out[i] = pixel;
            }
        previous = out;
        previousRow = row.at;
    }
}

// The `from` rows of a surface that is also the blit's target, apart from it, so that overlapping
// rectangles come out whole; `from` becomes the rectangle in the copy. The copy is kept per thread
// and only grows, so that a blit allocates nothing once warm.
const uint8_t* CopyApart(const uint8_t* pixels, LONG pitch, RECT& from, LONG bytesPerPixel, LONG& copyPitch)
{
    thread_local std::vector<uint8_t> apart;
    copyPitch = (from.right - from.left) * bytesPerPixel;
    size_t rows = size_t(from.bottom - from.top);
    if (apart.size() < size_t(copyPitch) * rows)
        apart.resize(size_t(copyPitch) * rows);
    for (size_t y = 0; y < rows; y++)
        std::memcpy(apart.data() + y * size_t(copyPitch),
                    pixels + (int64_t(from.top) + int64_t(y)) * pitch + int64_t(from.left) * bytesPerPixel,
                    size_t(copyPitch));
    from = RECT{0, 0, from.right - from.left, from.bottom - from.top};
    return apart.data();
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
    // The primary is the screen, as large as the desktop is: the limit is for surfaces asked for.
    const bool screen = request.primaries != nullptr;
    if (request.width > kMaxSide && !screen)
        return DDERR_TOOBIGWIDTH;
    if (request.height > kMaxSide && !screen)
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

ShownSurface Surface::Showing()
{
    ShownSurface shown{mPixels.data(), mPitch, mWidth, mHeight, mFormat, nullptr, false, this};
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
    // A surface the device may draw into has a target twin, which can be drawn with as well.
    if (mCaps & DDSCAPS_3DDEVICE)
        mTwin = std::make_unique<Twin>(this, Twin::Kind::Target);
    else if (mCaps & DDSCAPS_TEXTURE)
        mTwin = std::make_unique<Twin>(this, Twin::Kind::Texture);
}

Surface::~Surface()
{
    if (mShown || mTwin)
    {
        std::lock_guard<std::mutex> lock(LayerLock());
        if (mShown)
            Presenter::RemovePrimary(this);
        mTwin.reset();
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
    HRESULT result;
    if (flags & DDBLT_COLORFILL)
    {
        if (!fx)
            return DDERR_INVALIDPARAMS;
        if (Empty(visible))
            return DD_OK;
        if ((result = FillOnRenderer(visible, fx->dwFillColor)) == S_FALSE)
        {
            if ((result = BeforeCpu(visible, true)) != DD_OK)
                return result;
            (wide ? FillPixels<uint32_t> : FillPixels<uint16_t>)(mPixels.data(), mPitch, visible,
                                                                 fx->dwFillColor);
            Wrote(visible);
        }
        Changed();
        return result;
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
    if (!key.on && (result = CopyOnRenderer(dest, visible, source, from)) != S_FALSE)
    {
        Changed();
        return result;
    }
    if ((result = source->BeforeCpu(from, false)) != DD_OK || (result = BeforeCpu(visible, true)) != DD_OK)
        return result;
    const uint8_t* pixels = source->mPixels.data();
    LONG pitch = source->mPitch;
    if (source == this)
    {
        try
        {
            pixels = CopyApart(pixels, pitch, from, wide ? 4 : 2, pitch);
        }
        catch (const std::bad_alloc&)
        {
            return DDERR_OUTOFMEMORY;
        }
    }
    (wide ? CopyPixels<uint32_t> : CopyPixels<uint16_t>)(mPixels.data(), mPitch, dest, visible, pixels, pitch,
                                                         from, key);
    Wrote(visible);
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
    // Twins go with their pixels, through the same rotation.
    if (mTwin)
    {
        mTwin->Swap(*mBackBuffers.front()->mTwin);
        for (size_t i = 0; i + 1 < mBackBuffers.size(); i++)
            mBackBuffers[i]->mTwin->Swap(*mBackBuffers[i + 1]->mTwin);
    }
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

template <typename Desc> HRESULT Surface::LockAs(LPRECT rect, Desc* desc, DWORD flags)
{
    if (!ValidSize(desc))
        return DDERR_INVALIDPARAMS;
    std::lock_guard<std::mutex> lock(LayerLock());
    if (mLocked || Platform::ShouldFail("Lock"))
        return DDERR_SURFACEBUSY;
    RECT area = rect ? *rect : Bounds();
    if (Empty(area) || !Inside(area, Bounds()))
        return DDERR_INVALIDRECT;
    bool write = !(flags & DDLOCK_READONLY);
    if (HRESULT result = BeforeCpu(area, write); result != DD_OK)
        return result;
    // With a twin, what the lock changes is found at Unlock by comparing.
    mLockedArea = RECT{};
    if (write && mTwin && mTwin->Texture())
    {
        mLockedArea = area;
        size_t rowBytes = (size_t)(area.right - area.left) * mFormat.BytesPerPixel();
        mBeforeLock.resize(rowBytes * (area.bottom - area.top));
        for (LONG y = area.top; y < area.bottom; y++)
            std::memcpy(&mBeforeLock[(y - area.top) * rowBytes], At(area.left, y), rowBytes);
    }
    uint8_t* first = At(area.left, area.top);
    Describe(desc, first);
    mLocked = true;
    return DD_OK;
}

HRESULT WINAPI Surface::Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE)
{
    return LockAs(rect, desc, flags);
}

HRESULT WINAPI Surface::Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE)
{
    return LockAs(rect, desc, flags);
}

HRESULT Surface::UnlockAny()
{
    std::lock_guard<std::mutex> lock(LayerLock());
    // A device context holds its own lock, given back by ReleaseDC.
    if (!mLocked || mDC)
        return DDERR_NOTLOCKED;
    mLocked = false;
    if (!Empty(mLockedArea))
    {
        // The changed rows, and within them the changed columns.
        const RECT& area = mLockedArea;
        size_t bytes = mFormat.BytesPerPixel(), rowBytes = (size_t)(area.right - area.left) * bytes;
        RECT changed{};
        for (LONG y = area.top; y < area.bottom; y++)
        {
            const uint8_t* now = At(area.left, y);
            const uint8_t* was = &mBeforeLock[(y - area.top) * rowBytes];
            if (std::memcmp(now, was, rowBytes) == 0)
                continue;
            size_t first = 0, last = rowBytes;
            while (now[first] == was[first])
                first++;
            while (now[last - 1] == was[last - 1])
                last--;
            RECT row{area.left + (LONG)(first / bytes), y, area.left + (LONG)((last + bytes - 1) / bytes),
                     y + 1};
            changed = Bound(changed, row);
        }
        Wrote(changed);
        mLockedArea = RECT{};
    }
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
    // Text reaches the pixels only where it is drawn: what the renderer holds there comes back first.
    if (mTwin)
    {
        pixels.touch = &Surface::TouchFromDC;
        pixels.owner = this;
    }
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
    mPaletteVersion = 0; // the twin takes the new colours at its next use
    return DD_OK;
}

TwinSource Surface::TwinView()
{
    TwinSource view{mPixels.data(), mPitch, mWidth, mHeight, mFormat, nullptr};
    if (mFormat.bits != 8)
        return view;
    if (mPalette && PaletteColours(mPalette, mPaletteColours, &mPaletteVersion) && mTwin)
        mTwin->PaletteChanged(view);
    view.palette = mPaletteColours;
    return view;
}

HRESULT Surface::BeforeCpu(const RECT& area, bool write)
{
    return mTwin ? mTwin->BeforeCpu(TwinView(), area, write) : DD_OK;
}

void Surface::Wrote(const RECT& area)
{
    if (mTwin)
        mTwin->Wrote(TwinView(), area);
}

bool Surface::TouchFromDC(void* surface, const RECT& area)
{
    auto* self = static_cast<Surface*>(surface);
    std::lock_guard<std::mutex> lock(LayerLock());
    RECT part = Intersect(area, self->Bounds());
    if (Empty(part))
        return true;
    if (self->BeforeCpu(part, true) != DD_OK)
        return false;
    self->Wrote(part);
    return true;
}

HRESULT Surface::FillOnRenderer(const RECT& visible, DWORD fillValue)
{
    if (!mTwin || mTwin->kind() != Twin::Kind::Target || !Overlaps(mTwin->RendererNewer(), visible) ||
        !Platform::User::OnVideoThread())
        return S_FALSE;
    TwinSource view = TwinView();
    SDL_Renderer* renderer = mTwin->Renderer();
    HRESULT result = mTwin->Ready(renderer, view, &visible);
    if (result != DD_OK)
        return result;
    uint32_t colour;
    RowToArgb(reinterpret_cast<const uint8_t*>(&fillValue), mFormat, &colour, 1);
    bool filled;
    {
        RendererTargetScope target(renderer, mTwin->Texture());
        SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
        SDL_SetRenderDrawColor(renderer, colour >> 16 & 0xFF, colour >> 8 & 0xFF, colour & 0xFF,
                               colour >> 24);
        SDL_Rect rect = ToSdl(visible);
        filled = SDL_RenderFillRect(renderer, &rect) == 0;
    }
    if (!filled)
        return DDERR_SURFACELOST;
    mTwin->Drew(view, visible);
    return DD_OK;
}

HRESULT Surface::CopyOnRenderer(const RECT& dest, const RECT& visible, Surface* source, const RECT& from)
{
    // Same size only: a stretch keeps the memory road's exact sampling.
    // Only a target twin can be drawn into.
    if (!mTwin || mTwin->kind() != Twin::Kind::Target || source == this || !Platform::User::OnVideoThread() ||
        dest.right - dest.left != from.right - from.left || dest.bottom - dest.top != from.bottom - from.top)
        return S_FALSE;
    LONG dx = from.left - dest.left, dy = from.top - dest.top;
    RECT sourcePart{visible.left + dx, visible.top + dy, visible.right + dx, visible.bottom + dy};
    Twin* theirs = source->mTwin.get();
    bool sourceNewer = theirs && Overlaps(theirs->RendererNewer(), sourcePart);
    bool oursNewer = Overlaps(mTwin->RendererNewer(), visible);
    if (!sourceNewer && !oursNewer)
        return S_FALSE;
    SDL_Renderer* renderer = sourceNewer ? theirs->Renderer() : mTwin->Renderer();
    if (sourceNewer && oursNewer && theirs->Renderer() != mTwin->Renderer())
        return S_FALSE;
    TwinSource view = TwinView();
    HRESULT result;
    if (!sourceNewer)
    {
        // Memory onto what the renderer drew: straight into the twin.
        if ((result = mTwin->Ready(renderer, view, &visible)) != DD_OK)
            return result;
        return mTwin->Upload(source->TwinView(), sourcePart.left, sourcePart.top, visible);
    }
    if ((result = theirs->Ready(renderer, source->TwinView())) != DD_OK ||
        (result = mTwin->Ready(renderer, view, &visible)) != DD_OK)
        return result;
    bool copied;
    {
        RendererTargetScope target(renderer, mTwin->Texture());
        SDL_SetTextureBlendMode(theirs->Texture(), SDL_BLENDMODE_NONE);
        SDL_Rect from2 = ToSdl(sourcePart);
        SDL_Rect to{visible.left, visible.top, from2.w, from2.h};
        copied = SDL_RenderCopy(renderer, theirs->Texture(), &from2, &to) == 0;
    }
    if (!copied)
        return DDERR_SURFACELOST;
    mTwin->Drew(view, visible);
    return DD_OK;
}
} // namespace DDraw
