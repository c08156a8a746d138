// The HAL device: DrawPrimitive and its states on the SDL renderer of the DirectDraw object's
// window, drawing into the render target's twin. Every call but the state reads on the main thread.
#pragma once

#include "d3d/d3d.h"
#include "ddraw/Presenter.h"
#include "win32/ComObject.h"

#include <SDL.h>

#include <memory>
#include <vector>

namespace DDraw
{
class Surface;
}

namespace D3D
{
class Device final : public ComObject<IDirect3DDevice7, IID_IDirect3DDevice7>
{
public:
    Device(std::shared_ptr<DDraw::DisplayState> display, DDraw::Surface* target);

    HRESULT WINAPI GetCaps(LPD3DDEVICEDESC7 desc) override;
    HRESULT WINAPI EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) override;
    HRESULT WINAPI BeginScene() override;
    HRESULT WINAPI EndScene() override;
    HRESULT WINAPI SetRenderTarget(LPDIRECTDRAWSURFACE7 target, DWORD flags) override;
    HRESULT WINAPI GetRenderTarget(LPDIRECTDRAWSURFACE7* target) override;
    HRESULT WINAPI Clear(DWORD count, LPD3DRECT rects, DWORD flags, D3DCOLOR color, D3DVALUE z,
                         DWORD stencil) override;
    HRESULT WINAPI SetViewport(LPD3DVIEWPORT7 viewport) override;
    HRESULT WINAPI GetViewport(LPD3DVIEWPORT7 viewport) override;
    HRESULT WINAPI SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT WINAPI GetRenderState(D3DRENDERSTATETYPE state, LPDWORD value) override;
    HRESULT WINAPI SetTexture(DWORD stage, LPDIRECTDRAWSURFACE7 texture) override;
    HRESULT WINAPI SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) override;
    HRESULT WINAPI GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, LPDWORD value) override;
    HRESULT WINAPI DrawPrimitive(D3DPRIMITIVETYPE type, DWORD vertexFormat, LPVOID vertices, DWORD count,
                                 DWORD flags) override;

private:
    ~Device() override;
    // The renderer of the window, or null (off the main thread, no window, no renderer).
    SDL_Renderer* Renderer();
    RECT ViewportRect() const;
    void ViewWholeTarget();
    // Makes the target the renderer's target, clipped to the viewport. Layer lock held.
    HRESULT Aim(SDL_Renderer* renderer, const RECT* overwritten);
    // Puts the window's own target back outside a scene.
    void Settle(SDL_Renderer* renderer);
    SDL_BlendMode Blend() const;
    // Vertices and triangle indices in SDL's form; false when the primitive is not drawn at all.
    bool Convert(D3DPRIMITIVETYPE type, const D3DTLVERTEX* vertices, DWORD count, bool textured,
                 RECT* bounds);
    void SplitRectangle();
    // Whether every pixel the primitive draws has full alpha (layer lock held).
    bool Opaque(DDraw::Surface* texture) const;

    std::shared_ptr<DDraw::DisplayState> mDisplay;
    DDraw::Surface* mTarget;            // referenced
    DDraw::Surface* mTexture = nullptr; // referenced
    D3DVIEWPORT7 mViewport{};
    bool mInScene = false;
    DWORD mRenderStates[256] = {};
    DWORD mStageStates[32] = {}; // stage 0; later stages are accepted and forgotten
    std::vector<SDL_Vertex> mVertices;
    std::vector<int> mIndices;
};
} // namespace D3D
