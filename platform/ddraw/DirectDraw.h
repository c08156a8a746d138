// The DirectDraw object: cooperative level, display modes and the making of surfaces,
// offered through the first and the seventh interface.
#pragma once

#include "ddraw/Presenter.h"
#include "ddraw/ddraw.h"
#include "win32/ComObject.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace DDraw
{
class DirectDraw final : public ComObject2<IDirectDraw, IID_IDirectDraw, IDirectDraw7, IID_IDirectDraw7>
{
public:
    DirectDraw() { Presenter::AddDisplay(mDisplay); }
    IDirectDraw* First() { return this; }
    IDirectDraw7* Seventh() { return this; }

    // Also answers IID_IDirect3D7: the Direct3D side of the object.
    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override;

    HRESULT WINAPI CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer) override;
    HRESULT WINAPI CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                 IUnknown* outer) override;
    HRESULT WINAPI CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface,
                                 IUnknown* outer) override;
    HRESULT WINAPI CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* surface,
                                 IUnknown* outer) override;
    HRESULT WINAPI FlipToGDISurface() override;
    HRESULT WINAPI GetDisplayMode(LPDDSURFACEDESC desc) override;
    HRESULT WINAPI GetDisplayMode(LPDDSURFACEDESC2 desc) override;
    HRESULT WINAPI GetMonitorFrequency(LPDWORD frequency) override;
    HRESULT WINAPI RestoreDisplayMode() override;
    HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT WINAPI SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) override;
    HRESULT WINAPI SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate,
                                  DWORD flags) override;
    HRESULT WINAPI GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free) override;
    HRESULT WINAPI GetDeviceIdentifier(LPDDDEVICEIDENTIFIER2 identifier, DWORD flags) override;

private:
    ~DirectDraw() override;
    template <typename Desc, typename Interface>
    HRESULT CreateAs(Desc* desc, Interface** surface, IUnknown* outer);
    template <typename Desc> HRESULT MakeSurface(Desc* desc, IUnknown* outer, class Surface** surface);
    template <typename Desc> HRESULT DescribeMode(Desc* desc);
    // Shows the primary in its window again, out of full screen.
    void LeaveFullScreen();

    std::mutex mMutex;
    DWORD mLevel = 0; // 0 until SetCooperativeLevel
    HWND mWindow = nullptr;
    std::shared_ptr<std::atomic<int>> mPrimaries = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<DisplayState> mDisplay = std::make_shared<DisplayState>();
};
} // namespace DDraw
