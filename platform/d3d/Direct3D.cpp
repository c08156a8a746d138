#include "d3d/Direct3D.h"
#include "core/faults.h"
#include "d3d/Device.h"
#include "ddraw/Renderers.h"
#include "ddraw/Surface.h"
#include "win32/ComObject.h"

#include <new>

namespace
{
class Direct3D final : public ComObject<IDirect3D7, IID_IDirect3D7>
{
public:
    Direct3D(IUnknown* directDraw, std::shared_ptr<DDraw::DisplayState> display)
        : mDirectDraw(directDraw), mDisplay(std::move(display))
    {
        mDirectDraw->AddRef();
    }

    HRESULT WINAPI CreateDevice(REFIID deviceId, LPDIRECTDRAWSURFACE7 target,
                                LPDIRECT3DDEVICE7* device) override
    {
        if (!device)
            return DDERR_INVALIDPARAMS;
        *device = nullptr;
        if (!target || !IsEqualGUID(deviceId, IID_IDirect3DHALDevice))
            return DDERR_INVALIDPARAMS;
        DDraw::Surface* surface = DDraw::Surface::From(target);
        if (!(surface->SurfaceCaps() & DDSCAPS_3DDEVICE))
            return DDERR_INVALIDCAPS;
        if (Platform::ShouldFail("CreateDevice"))
            return D3DERR_INITFAILED;
        // The device draws with the renderer of the window the DirectDraw object shows in.
        HWND window = mDisplay->window.load();
        if (!window || !DDraw::Renderers::ForWindow(window))
            return D3DERR_INITFAILED;
        *device = new (std::nothrow) D3D::Device(mDisplay, surface);
        return *device ? D3D_OK : DDERR_OUTOFMEMORY;
    }

private:
    ~Direct3D() override { mDirectDraw->Release(); }

    IUnknown* mDirectDraw;
    std::shared_ptr<DDraw::DisplayState> mDisplay;
};
} // namespace

namespace D3D
{
HRESULT MakeDirect3D(IUnknown* directDraw, std::shared_ptr<DDraw::DisplayState> display, void** made)
{
    *made = nullptr;
    if (Platform::ShouldFail("Direct3D7"))
        return E_NOINTERFACE;
    Direct3D* direct3D = new (std::nothrow) Direct3D(directDraw, std::move(display));
    if (!direct3D)
        return E_OUTOFMEMORY;
    *made = static_cast<IDirect3D7*>(direct3D);
    return S_OK;
}
} // namespace D3D
