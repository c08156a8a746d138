#include "d3d/Device.h"
#include "core/faults.h"
#include "d3d/DeviceCaps.h"
#include "ddraw/Lock.h"
#include "ddraw/Rects.h"
#include "ddraw/Renderers.h"
#include "ddraw/Surface.h"
#include "win32/user32_internal.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <mutex>

namespace
{
using DDraw::Surface;

Surface* Ours(LPDIRECTDRAWSURFACE7 surface)
{
    return surface ? Surface::From(surface) : nullptr;
}

SDL_BlendFactor Factor(DWORD blend)
{
    switch (blend)
    {
    case D3DBLEND_ZERO:
        return SDL_BLENDFACTOR_ZERO;
    case D3DBLEND_SRCCOLOR:
        return SDL_BLENDFACTOR_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return SDL_BLENDFACTOR_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
    case D3DBLEND_SRCALPHASAT:
        return SDL_BLENDFACTOR_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return SDL_BLENDFACTOR_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return SDL_BLENDFACTOR_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return SDL_BLENDFACTOR_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return SDL_BLENDFACTOR_ONE_MINUS_DST_COLOR;
    default:
        return SDL_BLENDFACTOR_ONE;
    }
}

// The standard mode nearest to a pair of factors, for renderers without custom blending (SDL's
// software renderer): the same result wherever the source is opaque.
SDL_BlendMode Nearest(DWORD source, DWORD dest)
{
    if (dest == D3DBLEND_ONE)
        return SDL_BLENDMODE_ADD;
    if (dest == D3DBLEND_ZERO)
        return source == D3DBLEND_DESTCOLOR ? SDL_BLENDMODE_MOD : SDL_BLENDMODE_NONE;
    if (source == D3DBLEND_ZERO && dest == D3DBLEND_SRCCOLOR)
        return SDL_BLENDMODE_MOD;
    return SDL_BLENDMODE_BLEND;
}

SDL_Color Colour(D3DCOLOR colour, bool opaqueColour, bool opaqueAlpha)
{
    if (opaqueColour)
        colour |= 0x00FFFFFF;
    if (opaqueAlpha)
        colour |= 0xFF000000;
    return SDL_Color{(Uint8)(colour >> 16), (Uint8)(colour >> 8), (Uint8)colour, (Uint8)(colour >> 24)};
}

void ApplyBlend(SDL_Renderer* renderer, SDL_Texture* texture, SDL_BlendMode mode, SDL_BlendMode fallback)
{
    bool set = texture ? SDL_SetTextureBlendMode(texture, mode) == 0
                       : SDL_SetRenderDrawBlendMode(renderer, mode) == 0;
    if (!set)
        texture ? SDL_SetTextureBlendMode(texture, fallback) : SDL_SetRenderDrawBlendMode(renderer, fallback);
}
} // namespace

namespace D3D
{
Device::Device(std::shared_ptr<DDraw::DisplayState> display, Surface* target)
    : mDisplay(std::move(display)), mTarget(target)
{
    mTarget->AddRef();
    ViewWholeTarget();
    // The documented starting states.
    mRenderStates[D3DRENDERSTATE_ZENABLE] = D3DZB_FALSE;
    mRenderStates[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
    mRenderStates[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
    mRenderStates[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
    mRenderStates[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
    mRenderStates[D3DRENDERSTATE_LIGHTING] = TRUE;
    mStageStates[D3DTSS_COLOROP] = D3DTOP_MODULATE;
    mStageStates[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    mStageStates[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    mStageStates[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    mStageStates[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    mStageStates[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    mStageStates[D3DTSS_ADDRESS] = mStageStates[D3DTSS_ADDRESSU] = mStageStates[D3DTSS_ADDRESSV] =
        D3DTADDRESS_WRAP;
    mStageStates[D3DTSS_MAGFILTER] = D3DTFG_POINT;
    mStageStates[D3DTSS_MINFILTER] = D3DTFN_POINT;
    mStageStates[D3DTSS_MIPFILTER] = D3DTFP_NONE;
}

Device::~Device()
{
    if (mTexture)
        mTexture->Release();
    mTarget->Release();
}

SDL_Renderer* Device::Renderer()
{
    if (!Platform::User::OnVideoThread())
        return nullptr;
    HWND window = mDisplay->window.load();
    return window ? DDraw::Renderers::ForWindow(window) : nullptr;
}

void Device::ViewWholeTarget()
{
    RECT whole = mTarget->Bounds();
    mViewport = D3DVIEWPORT7{0, 0, (DWORD)whole.right, (DWORD)whole.bottom, 0.0f, 1.0f};
}

RECT Device::ViewportRect() const
{
    return RECT{(LONG)mViewport.dwX, (LONG)mViewport.dwY, (LONG)(mViewport.dwX + mViewport.dwWidth),
                (LONG)(mViewport.dwY + mViewport.dwHeight)};
}

HRESULT Device::Aim(SDL_Renderer* renderer, const RECT* overwritten)
{
    if (mTarget->Busy())
        return DDERR_SURFACEBUSY;
    DDraw::Twin* twin = mTarget->TwinOf();
    HRESULT result = twin->Ready(renderer, mTarget->TwinView(), overwritten);
    if (result != DD_OK)
        return result;
    DDraw::SetRendererTarget(renderer, twin->Texture());
    RECT view = ViewportRect();
    SDL_Rect clip = DDraw::ToSdl(view);
    bool whole = DDraw::Inside(mTarget->Bounds(), view);
    SDL_RenderSetClipRect(renderer, whole ? nullptr : &clip);
    return DD_OK;
}

void Device::Settle(SDL_Renderer* renderer)
{
    if (!mInScene)
        DDraw::SetRendererTarget(renderer, nullptr);
}

HRESULT WINAPI Device::GetCaps(LPD3DDEVICEDESC7 desc)
{
    if (!desc)
        return DDERR_INVALIDPARAMS;
    if (Platform::ShouldFail("GetCaps"))
        return DDERR_GENERIC;
    SDL_Renderer* renderer = Renderer();
    if (!renderer)
        return D3DERR_INVALID_DEVICE;
    Describe(renderer, desc);
    return D3D_OK;
}

HRESULT WINAPI Device::EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context)
{
    if (!callback)
        return DDERR_INVALIDPARAMS;
    if (Platform::ShouldFail("EnumTextureFormats"))
        return DDERR_GENERIC;
    unsigned offered = OfferedFormats();
    for (unsigned format : {kA8R8G8B8, kA4R4G4B4, kR5G6B5, kPalette8})
    {
        if (!(offered & format))
            continue;
        DDPIXELFORMAT description = FormatLayout(format).Describe();
        if (callback(&description, context) == D3DENUMRET_CANCEL)
            break;
    }
    return D3D_OK;
}

HRESULT WINAPI Device::BeginScene()
{
    if (Platform::ShouldFail("BeginScene"))
        return D3DERR_SCENE_BEGIN_FAILED;
    if (mInScene)
        return D3DERR_SCENE_IN_SCENE;
    if (!Renderer())
        return D3DERR_SCENE_BEGIN_FAILED;
    mInScene = true;
    return D3D_OK;
}

HRESULT WINAPI Device::EndScene()
{
    if (Platform::ShouldFail("EndScene"))
        return D3DERR_SCENE_END_FAILED;
    if (!mInScene)
        return D3DERR_SCENE_NOT_IN_SCENE;
    mInScene = false;
    if (SDL_Renderer* renderer = Renderer())
        Settle(renderer);
    return D3D_OK;
}

HRESULT WINAPI Device::SetRenderTarget(LPDIRECTDRAWSURFACE7 target, DWORD)
{
    if (Platform::ShouldFail("SetRenderTarget"))
        return DDERR_SURFACELOST;
    Surface* surface = Ours(target);
    if (!surface || !(surface->SurfaceCaps() & DDSCAPS_3DDEVICE))
        return DDERR_INVALIDPARAMS;
    surface->AddRef();
    mTarget->Release();
    mTarget = surface;
    ViewWholeTarget();
    return D3D_OK;
}

HRESULT WINAPI Device::GetRenderTarget(LPDIRECTDRAWSURFACE7* target)
{
    if (!target)
        return DDERR_INVALIDPARAMS;
    mTarget->AddRef();
    *target = mTarget;
    return D3D_OK;
}

HRESULT WINAPI Device::Clear(DWORD count, LPD3DRECT rects, DWORD flags, D3DCOLOR color, D3DVALUE, DWORD)
{
    if (Platform::ShouldFail("Clear"))
        return DDERR_SURFACELOST;
    if (flags & D3DCLEAR_ZBUFFER)
        return D3DERR_ZBUFFER_NOTPRESENT;
    if (flags & D3DCLEAR_STENCIL)
        return D3DERR_STENCILBUFFER_NOTPRESENT;
    if (!(flags & D3DCLEAR_TARGET) || (count && !rects))
        return DDERR_INVALIDPARAMS;
    SDL_Renderer* renderer = Renderer();
    if (!renderer)
        return DDERR_SURFACELOST;
    RECT view = ViewportRect();
    std::vector<RECT> areas;
    if (count == 0)
        areas.push_back(view);
    for (DWORD i = 0; i < count; i++)
    {
        RECT area = DDraw::Intersect(RECT{rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2}, view);
        if (!DDraw::Empty(area))
            areas.push_back(area);
    }
    std::lock_guard<std::mutex> lock(DDraw::LayerLock());
    // One area cleared whole need not receive what the memory changed under it.
    HRESULT result = Aim(renderer, areas.size() == 1 ? &areas[0] : nullptr);
    if (result != DD_OK)
        return result;
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(renderer, (Uint8)(color >> 16), (Uint8)(color >> 8), (Uint8)color,
                           (Uint8)(color >> 24));
    DDraw::TwinSource view2 = mTarget->TwinView();
    for (const RECT& area : areas)
    {
        SDL_Rect rect = DDraw::ToSdl(area);
        if (SDL_RenderFillRect(renderer, &rect) != 0)
            result = DDERR_SURFACELOST;
        mTarget->TwinOf()->Drew(view2, area);
    }
    Settle(renderer);
    return result;
}

HRESULT WINAPI Device::SetViewport(LPD3DVIEWPORT7 viewport)
{
    if (!viewport)
        return DDERR_INVALIDPARAMS;
    if (Platform::ShouldFail("SetViewport"))
        return D3DERR_SETVIEWPORTDATA_FAILED;
    RECT whole = mTarget->Bounds();
    uint64_t right = (uint64_t)viewport->dwX + viewport->dwWidth;
    uint64_t bottom = (uint64_t)viewport->dwY + viewport->dwHeight;
    if (viewport->dwWidth == 0 || viewport->dwHeight == 0 || right > (uint64_t)whole.right ||
        bottom > (uint64_t)whole.bottom)
        return DDERR_INVALIDPARAMS;
    mViewport = *viewport;
    return D3D_OK;
}

HRESULT WINAPI Device::GetViewport(LPD3DVIEWPORT7 viewport)
{
    if (!viewport)
        return DDERR_INVALIDPARAMS;
    *viewport = mViewport;
    return D3D_OK;
}

HRESULT WINAPI Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    if (Platform::ShouldFail("SetRenderState"))
        return D3DERR_CONFLICTINGRENDERSTATE;
    if ((unsigned)state >= std::size(mRenderStates))
        return DDERR_INVALIDPARAMS;
    mRenderStates[state] = value;
    return D3D_OK;
}

HRESULT WINAPI Device::GetRenderState(D3DRENDERSTATETYPE state, LPDWORD value)
{
    if (!value || (unsigned)state >= std::size(mRenderStates))
        return DDERR_INVALIDPARAMS;
    *value = mRenderStates[state];
    return D3D_OK;
}

HRESULT WINAPI Device::SetTexture(DWORD stage, LPDIRECTDRAWSURFACE7 texture)
{
    if (Platform::ShouldFail("SetTexture"))
        return DDERR_SURFACELOST;
    Surface* surface = Ours(texture);
    // One texture stage: later stages take no texture.
    if (stage >= 8 || (stage > 0 && surface) || (surface && !(surface->SurfaceCaps() & DDSCAPS_TEXTURE)))
        return DDERR_INVALIDPARAMS;
    if (stage > 0)
        return D3D_OK;
    if (surface)
        surface->AddRef();
    if (mTexture)
        mTexture->Release();
    mTexture = surface;
    return D3D_OK;
}

HRESULT WINAPI Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value)
{
    if (Platform::ShouldFail("SetTextureStageState"))
        return D3DERR_UNSUPPORTEDTEXTUREFILTER;
    if (stage >= 8 || (unsigned)state >= std::size(mStageStates))
        return DDERR_INVALIDPARAMS;
    if (stage == 0)
        mStageStates[state] = value;
    return D3D_OK;
}

HRESULT WINAPI Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, LPDWORD value)
{
    if (!value || stage >= 8 || (unsigned)state >= std::size(mStageStates))
        return DDERR_INVALIDPARAMS;
    *value = stage == 0 ? mStageStates[state] : 0;
    return D3D_OK;
}

SDL_BlendMode Device::Blend() const
{
    if (!mRenderStates[D3DRENDERSTATE_ALPHABLENDENABLE])
        return SDL_BLENDMODE_NONE;
    DWORD source = mRenderStates[D3DRENDERSTATE_SRCBLEND], dest = mRenderStates[D3DRENDERSTATE_DESTBLEND];
    if (source == D3DBLEND_SRCALPHA && dest == D3DBLEND_INVSRCALPHA)
        return SDL_BLENDMODE_BLEND;
    if (source == D3DBLEND_SRCALPHA && dest == D3DBLEND_ONE)
        return SDL_BLENDMODE_ADD;
    if (source == D3DBLEND_ONE && dest == D3DBLEND_ZERO)
        return SDL_BLENDMODE_NONE;
    if (source == D3DBLEND_BOTHSRCALPHA)
        return SDL_BLENDMODE_BLEND;
    SDL_BlendFactor from = Factor(source), to = Factor(dest);
    if (source == D3DBLEND_BOTHINVSRCALPHA)
    {
        from = SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA;
        to = SDL_BLENDFACTOR_SRC_ALPHA;
    }
    return SDL_ComposeCustomBlendMode(from, to, SDL_BLENDOPERATION_ADD, from, to, SDL_BLENDOPERATION_ADD);
}

bool Device::Convert(D3DPRIMITIVETYPE type, const D3DTLVERTEX* vertices, DWORD count, bool textured,
                     RECT* bounds)
{
    // The texture stage: the texture's colour and alpha modulated by the vertex's, or taken alone.
    bool opaqueColour = textured && mStageStates[D3DTSS_COLOROP] == D3DTOP_SELECTARG1;
    bool opaqueAlpha = textured && mStageStates[D3DTSS_ALPHAOP] == D3DTOP_SELECTARG1;
    mVertices.resize(count);
    float left = vertices[0].sx, top = vertices[0].sy, right = left, bottom = top;
    for (DWORD i = 0; i < count; i++)
    {
        const D3DTLVERTEX& v = vertices[i];
        // Pixel centres lie on whole coordinates here and half-way in SDL's.
        mVertices[i].position = SDL_FPoint{v.sx + 0.5f, v.sy + 0.5f};
        mVertices[i].color = Colour(v.color, opaqueColour, opaqueAlpha);
        mVertices[i].tex_coord = SDL_FPoint{v.tu, v.tv};
        left = std::min(left, v.sx);
        right = std::max(right, v.sx);
        top = std::min(top, v.sy);
        bottom = std::max(bottom, v.sy);
    }
    if (!std::isfinite(left) || !std::isfinite(right) || !std::isfinite(top) || !std::isfinite(bottom))
        return false;
    // The pixels whose centres the shape may cover (a line's end points lie on pixel centres).
    auto clampToLong = [](float value) { return (LONG)std::clamp(value, -1.0e9f, 1.0e9f); };
    LONG extra = type == D3DPT_LINESTRIP ? 1 : 0;
    *bounds = RECT{clampToLong(std::floor(left)), clampToLong(std::floor(top)),
                   clampToLong(std::ceil(right)) + extra, clampToLong(std::ceil(bottom)) + extra};
    if (type == D3DPT_LINESTRIP)
        return true;
    DWORD cull = mRenderStates[D3DRENDERSTATE_CULLMODE];
    mIndices.clear();
    auto add = [&](int a, int b, int c)
    {
        const SDL_FPoint &p = mVertices[a].position, &q = mVertices[b].position, &r = mVertices[c].position;
        // Clockwise on the screen (y down) is a positive area: the front face.
        float area = (q.x - p.x) * (r.y - p.y) - (r.x - p.x) * (q.y - p.y);
        if ((cull == D3DCULL_CCW && area < 0) || (cull == D3DCULL_CW && area > 0))
            return;
        mIndices.insert(mIndices.end(), {a, b, c});
    };
    int n = (int)count;
    if (type == D3DPT_TRIANGLELIST)
        for (int i = 0; i + 2 < n; i += 3)
            add(i, i + 1, i + 2);
    else if (type == D3DPT_TRIANGLESTRIP)
        for (int i = 0; i + 2 < n; i++)
            i % 2 ? add(i + 1, i, i + 2) : add(i, i + 1, i + 2);
    else
        for (int i = 1; i + 1 < n; i++)
            add(0, i, i + 1);
    if (n == 4 && mIndices.size() == 6)
        SplitRectangle();
    return !mIndices.empty();
}

void Device::SplitRectangle()
{
    // SDL's software renderer draws two triangles as one exact blit only when they meet on the
    // top-left to bottom-right diagonal (else it samples the texture a texel off now and then): an
    // upright rectangle is split that way, which covers the same pixels.
    int corner[4] = {-1, -1, -1, -1}; // top left, top right, bottom right, bottom left
    float left = mVertices[0].position.x, top = mVertices[0].position.y, right = left, bottom = top;
    for (const SDL_Vertex& v : mVertices)
    {
        left = std::min(left, v.position.x), right = std::max(right, v.position.x);
        top = std::min(top, v.position.y), bottom = std::max(bottom, v.position.y);
    }
    for (int i = 0; i < 4; i++)
    {
        SDL_FPoint p = mVertices[i].position;
        bool atLeft = p.x == left, atRight = p.x == right, atTop = p.y == top, atBottom = p.y == bottom;
        if (!(atLeft || atRight) || !(atTop || atBottom) || left == right || top == bottom)
            return;
        int slot = atTop ? (atLeft ? 0 : 1) : (atLeft ? 3 : 2);
        if (corner[slot] >= 0)
            return;
        corner[slot] = i;
    }
    mIndices = {corner[0], corner[1], corner[2], corner[0], corner[2], corner[3]};
}

bool Device::Opaque(DDraw::Surface* texture) const
{
    for (const SDL_Vertex& v : mVertices)
        if (v.color.a != 255)
            return false;
    // A texture whose layout has no alpha (R5G6B5) is opaque; a palette's entries may not be.
    return !texture || (texture->Format().alpha == 0 && texture->Format().bits != 8);
}

HRESULT WINAPI Device::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD vertexFormat, LPVOID vertices, DWORD count,
                                     DWORD)
{
    if (Platform::ShouldFail("DrawPrimitive"))
        return DDERR_SURFACELOST;
    if (!mInScene)
        return D3DERR_SCENE_NOT_IN_SCENE;
    if (vertexFormat != D3DFVF_TLVERTEX)
        return D3DERR_INVALIDVERTEXFORMAT;
    DWORD least = type == D3DPT_LINESTRIP ? 2 : 3;
    if (type != D3DPT_TRIANGLELIST && type != D3DPT_TRIANGLESTRIP && type != D3DPT_TRIANGLEFAN &&
        type != D3DPT_LINESTRIP)
        return D3DERR_INVALIDPRIMITIVETYPE;
    if (!vertices || count < least || (type == D3DPT_TRIANGLELIST && count % 3))
        return DDERR_INVALIDPARAMS;
    SDL_Renderer* renderer = Renderer();
    if (!renderer)
        return DDERR_SURFACELOST;
    const auto* points = static_cast<const D3DTLVERTEX*>(vertices);
    bool textured = mTexture && type != D3DPT_LINESTRIP && mStageStates[D3DTSS_COLOROP] != D3DTOP_DISABLE;
    RECT bounds;
    if (!Convert(type, points, count, textured, &bounds))
        return D3D_OK;
    std::lock_guard<std::mutex> lock(DDraw::LayerLock());
    SDL_Texture* texture = nullptr;
    if (textured)
    {
        if (mTexture->Busy())
            return DDERR_SURFACEBUSY;
        DDraw::Twin* twin = mTexture->TwinOf();
        if (HRESULT result = twin->Ready(renderer, mTexture->TwinView()); result != DD_OK)
            return result;
        texture = twin->Texture();
        bool linear = mStageStates[D3DTSS_MAGFILTER] == D3DTFG_LINEAR ||
                      mStageStates[D3DTSS_MINFILTER] == D3DTFN_LINEAR;
        // The filter is the texture's own state in SDL, applied at once: what is queued with
        // the old one is drawn first.
        SDL_ScaleMode wanted = linear ? SDL_ScaleModeLinear : SDL_ScaleModeNearest, now = wanted;
        if (SDL_GetTextureScaleMode(texture, &now) != 0 || now != wanted)
        {
            SDL_RenderFlush(renderer);
            SDL_SetTextureScaleMode(texture, wanted);
        }
        SDL_SetTextureColorMod(texture, 255, 255, 255);
        SDL_SetTextureAlphaMod(texture, 255);
    }
    if (HRESULT result = Aim(renderer, nullptr); result != D3D_OK)
        return result;
    SDL_BlendMode blend = Blend();
    // Blending an opaque source gives the source: drawn as a copy, which SDL's software renderer
    // does many times faster (and exactly).
    if (blend == SDL_BLENDMODE_BLEND && Opaque(textured ? mTexture : nullptr))
        blend = SDL_BLENDMODE_NONE;
    ApplyBlend(renderer, texture, blend,
               Nearest(mRenderStates[D3DRENDERSTATE_SRCBLEND], mRenderStates[D3DRENDERSTATE_DESTBLEND]));
    int drawn;
    if (type == D3DPT_LINESTRIP)
    {
        // Lines take one colour, the first vertex's; their points lie on pixel centres in both.
        std::vector<SDL_FPoint> line(count);
        for (DWORD i = 0; i < count; i++)
            line[i] = SDL_FPoint{points[i].sx, points[i].sy};
        SDL_Color c = mVertices[0].color;
        SDL_SetRenderDrawColor(renderer, c.r, c.g, c.b, c.a);
        drawn = SDL_RenderDrawLinesF(renderer, line.data(), (int)count);
    }
    else
        drawn = SDL_RenderGeometry(renderer, texture, mVertices.data(), (int)mVertices.size(),
                                   mIndices.data(), (int)mIndices.size());
    if (drawn != 0)
        return DDERR_SURFACELOST;
    mTarget->TwinOf()->Drew(mTarget->TwinView(), DDraw::Intersect(bounds, ViewportRect()));
    ++DDraw::Counters().primitives;
    return D3D_OK;
}
} // namespace D3D
