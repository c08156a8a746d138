// A DirectDraw surface: pixels in memory, offered through the first and the seventh interface.
#pragma once

#include "ddraw/PixelFormat.h"
#include "ddraw/Presenter.h"
#include "ddraw/Twin.h"
#include "ddraw/ddraw.h"
#include "win32/ComObject.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace DDraw
{
class Surface final : public ComObject2<IDirectDrawSurface, IID_IDirectDrawSurface, IDirectDrawSurface7,
                                        IID_IDirectDrawSurface7>
{
public:
    // What CreateSurface asks for, once checked.
    struct Request
    {
        DWORD width = 0;
        DWORD height = 0;
        DWORD caps = 0; // with exactly one of DDSCAPS_SYSTEMMEMORY / DDSCAPS_VIDEOMEMORY
        PixelFormat format;
        DWORD backBuffers = 0; // primary flip chains only
        // A primary counts itself here while it lives: each DirectDraw object may have one.
        std::shared_ptr<std::atomic<int>> primaries;
        // The screen a primary shows: its DirectDraw object's window and level.
        std::shared_ptr<DisplayState> display;
    };
    // Makes the surface, and the back buffers of a flip chain. Fails when video memory runs out.
    static HRESULT Make(const Request& request, Surface** surface);

    static Surface* From(IDirectDrawSurface* surface) { return static_cast<Surface*>(surface); }
    static Surface* From(IDirectDrawSurface7* surface) { return static_cast<Surface*>(surface); }

    // Bytes of video memory held by all live surfaces.
    static uint64_t VideoMemoryInUse();
    // A primary's pixels and where they are shown. Called with the layer lock held.
    ShownSurface Showing();

    // The surface's side of its renderer twin (textures and 3-D render targets), layer lock held.
    DWORD SurfaceCaps() const { return mCaps; }
    const PixelFormat& Format() const { return mFormat; }
    Twin* TwinOf() { return mTwin.get(); }
    TwinSource TwinView();
    RECT Bounds() const { return RECT{0, 0, (LONG)mWidth, (LONG)mHeight}; }
    // Whether the CPU may touch the surface now (it is not locked).
    bool Busy() const { return mLocked; }

    HRESULT WINAPI Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
                       LPDDBLTFX fx) override;
    HRESULT WINAPI Blt(LPRECT destRect, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect, DWORD flags,
                       LPDDBLTFX fx) override;
    HRESULT WINAPI Flip(LPDIRECTDRAWSURFACE target, DWORD flags) override;
    HRESULT WINAPI Flip(LPDIRECTDRAWSURFACE7 target, DWORD flags) override;
    HRESULT WINAPI GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* surface) override;
    HRESULT WINAPI GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE7* surface) override;
    HRESULT WINAPI GetSurfaceDesc(LPDDSURFACEDESC desc) override;
    HRESULT WINAPI GetSurfaceDesc(LPDDSURFACEDESC2 desc) override;
    HRESULT WINAPI Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) override;
    HRESULT WINAPI Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) override;
    HRESULT WINAPI SetClipper(LPDIRECTDRAWCLIPPER clipper) override;
    HRESULT WINAPI SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT WINAPI SetPalette(LPDIRECTDRAWPALETTE palette) override;
    HRESULT WINAPI Unlock(LPVOID surfaceData) override;
    HRESULT WINAPI Unlock(LPRECT rect) override;
    HRESULT WINAPI GetDC(HDC* dc) override;
    HRESULT WINAPI ReleaseDC(HDC dc) override;

private:
    Surface(const Request& request, uint64_t videoBytes);
    ~Surface() override;

    HRESULT BltFrom(LPRECT destRect, Surface* source, LPRECT sourceRect, DWORD flags, LPDDBLTFX fx);
    // Blits the renderer can do between twins without the memory, when it holds the newer pixels.
    // S_FALSE: not such a blit; the memory road takes it.
    HRESULT FillOnRenderer(const RECT& visible, DWORD fillValue);
    HRESULT CopyOnRenderer(const RECT& dest, const RECT& visible, Surface* source, const RECT& from);
    // Brings the memory up to date for the CPU's coming access (write: it may change the area),
    // and afterwards notes what it changed.
    HRESULT BeforeCpu(const RECT& area, bool write);
    void Wrote(const RECT& area);
    // Text drawn through the device context is about to change `area`.
    static bool TouchFromDC(void* surface, const RECT& area);
    HRESULT FlipChain();
    HRESULT Attached(DWORD caps, Surface** surface);
    template <typename Caps, typename Interface> HRESULT AttachedAs(Caps* caps, Interface** surface);
    template <typename Interface> HRESULT FlipTo(Interface* target);
    template <typename Desc> HRESULT Describe(Desc* desc, uint8_t* pixels);
    template <typename Desc> HRESULT LockAs(LPRECT rect, Desc* desc, DWORD flags);
    HRESULT UnlockAny();
    bool IsPrimary() const { return (mCaps & DDSCAPS_PRIMARYSURFACE) != 0; }
    // The byte of pixel (x, y) in memory.
    uint8_t* At(LONG x, LONG y)
    {
        return mPixels.data() + (size_t)y * mPitch + (size_t)x * mFormat.BytesPerPixel();
    }
    // After the pixels changed: a primary is shown again at the main thread's next look at the queue.
    void Changed() const
    {
        if (mShown)
            Presenter::MarkDirty();
    }
    // The part of the surface a blit may write: the clipper's window, or the whole surface.
    bool ClipRegion(RECT* region) const;

    DWORD mWidth;
    DWORD mHeight;
    DWORD mCaps;
    PixelFormat mFormat;
    LONG mPitch;
    uint64_t mVideoBytes;
    std::shared_ptr<std::atomic<int>> mPrimaries;
    std::shared_ptr<DisplayState> mDisplay;
    bool mShown = false; // known to the presenter
    std::vector<uint8_t> mPixels;
    bool mLocked = false;
    // While a surface with a twin is locked for writing: the locked area as it was, so that
    // Unlock finds what changed.
    RECT mLockedArea{};
    std::vector<uint8_t> mBeforeLock;
    HDC mDC = nullptr; // handed out by GetDC; the surface is locked meanwhile
    bool mHasKey = false;
    DDCOLORKEY mKey{};
    IDirectDrawClipper* mClipper = nullptr;
    IDirectDrawPalette* mPalette = nullptr;
    std::vector<Surface*> mBackBuffers; // a flip chain's primary owns its back buffers
    std::unique_ptr<Twin> mTwin;        // textures and 3-D render targets
    uint32_t mPaletteColours[256] = {}; // a palette texture's colours, as its twin last took them
    uint64_t mPaletteVersion = 0;
};
} // namespace DDraw
