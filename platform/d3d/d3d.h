// Our Direct3D 7: a HAL device on SDL2's renderer, reached through the DirectDraw object.
#pragma once

#include "ddraw/ddraw.h"

#include <cstdint>

// ---- results ----------------------------------------------------------------------------------
#define D3D_OK DD_OK
#define D3DERR_BADMAJORVERSION LUMO_DDHRESULT(700)
#define D3DERR_BADMINORVERSION LUMO_DDHRESULT(701)
#define D3DERR_INVALID_DEVICE LUMO_DDHRESULT(705)
#define D3DERR_INITFAILED LUMO_DDHRESULT(706)
#define D3DERR_DEVICEAGGREGATED LUMO_DDHRESULT(707)
#define D3DERR_TEXTURE_NO_SUPPORT LUMO_DDHRESULT(720)
#define D3DERR_TEXTURE_CREATE_FAILED LUMO_DDHRESULT(721)
#define D3DERR_TEXTURE_DESTROY_FAILED LUMO_DDHRESULT(722)
#define D3DERR_TEXTURE_LOCK_FAILED LUMO_DDHRESULT(723)
#define D3DERR_TEXTURE_UNLOCK_FAILED LUMO_DDHRESULT(724)
#define D3DERR_TEXTURE_LOAD_FAILED LUMO_DDHRESULT(725)
#define D3DERR_TEXTURE_SWAP_FAILED LUMO_DDHRESULT(726)
#define D3DERR_TEXTURE_LOCKED LUMO_DDHRESULT(727)
#define D3DERR_TEXTURE_NOT_LOCKED LUMO_DDHRESULT(728)
#define D3DERR_TEXTURE_GETSURF_FAILED LUMO_DDHRESULT(729)
#define D3DERR_MATRIX_CREATE_FAILED LUMO_DDHRESULT(730)
#define D3DERR_MATRIX_DESTROY_FAILED LUMO_DDHRESULT(731)
#define D3DERR_MATRIX_SETDATA_FAILED LUMO_DDHRESULT(732)
#define D3DERR_MATRIX_GETDATA_FAILED LUMO_DDHRESULT(733)
#define D3DERR_SETVIEWPORTDATA_FAILED LUMO_DDHRESULT(734)
#define D3DERR_INVALIDCURRENTVIEWPORT LUMO_DDHRESULT(735)
#define D3DERR_INVALIDPRIMITIVETYPE LUMO_DDHRESULT(736)
#define D3DERR_INVALIDVERTEXTYPE LUMO_DDHRESULT(737)
#define D3DERR_TEXTURE_BADSIZE LUMO_DDHRESULT(738)
#define D3DERR_INVALIDRAMPTEXTURE LUMO_DDHRESULT(739)
#define D3DERR_MATERIAL_CREATE_FAILED LUMO_DDHRESULT(740)
#define D3DERR_MATERIAL_DESTROY_FAILED LUMO_DDHRESULT(741)
#define D3DERR_MATERIAL_SETDATA_FAILED LUMO_DDHRESULT(742)
#define D3DERR_MATERIAL_GETDATA_FAILED LUMO_DDHRESULT(743)
#define D3DERR_INVALIDPALETTE LUMO_DDHRESULT(744)
#define D3DERR_ZBUFF_NEEDS_SYSTEMMEMORY LUMO_DDHRESULT(745)
#define D3DERR_ZBUFF_NEEDS_VIDEOMEMORY LUMO_DDHRESULT(746)
#define D3DERR_SURFACENOTINVIDMEM LUMO_DDHRESULT(747)
#define D3DERR_LIGHT_SET_FAILED LUMO_DDHRESULT(750)
#define D3DERR_LIGHTHASVIEWPORT LUMO_DDHRESULT(751)
#define D3DERR_LIGHTNOTINTHISVIEWPORT LUMO_DDHRESULT(752)
#define D3DERR_SCENE_IN_SCENE LUMO_DDHRESULT(760)
#define D3DERR_SCENE_NOT_IN_SCENE LUMO_DDHRESULT(761)
#define D3DERR_SCENE_BEGIN_FAILED LUMO_DDHRESULT(762)
#define D3DERR_SCENE_END_FAILED LUMO_DDHRESULT(763)
#define D3DERR_INBEGIN LUMO_DDHRESULT(770)
#define D3DERR_NOTINBEGIN LUMO_DDHRESULT(771)
#define D3DERR_NOVIEWPORTS LUMO_DDHRESULT(772)
#define D3DERR_VIEWPORTDATANOTSET LUMO_DDHRESULT(773)
#define D3DERR_VIEWPORTHASNODEVICE LUMO_DDHRESULT(774)
#define D3DERR_NOCURRENTVIEWPORT LUMO_DDHRESULT(775)
#define D3DERR_INVALIDVERTEXFORMAT LUMO_DDHRESULT(2048)
#define D3DERR_COLORKEYATTACHED LUMO_DDHRESULT(2050)
#define D3DERR_VERTEXBUFFEROPTIMIZED LUMO_DDHRESULT(2060)
#define D3DERR_VBUF_CREATE_FAILED LUMO_DDHRESULT(2061)
#define D3DERR_VERTEXBUFFERLOCKED LUMO_DDHRESULT(2062)
#define D3DERR_VERTEXBUFFERUNLOCKFAILED LUMO_DDHRESULT(2063)
#define D3DERR_ZBUFFER_NOTPRESENT LUMO_DDHRESULT(2070)
#define D3DERR_STENCILBUFFER_NOTPRESENT LUMO_DDHRESULT(2071)
#define D3DERR_WRONGTEXTUREFORMAT LUMO_DDHRESULT(2072)
#define D3DERR_UNSUPPORTEDCOLOROPERATION LUMO_DDHRESULT(2073)
#define D3DERR_UNSUPPORTEDCOLORARG LUMO_DDHRESULT(2074)
#define D3DERR_UNSUPPORTEDALPHAOPERATION LUMO_DDHRESULT(2075)
#define D3DERR_UNSUPPORTEDALPHAARG LUMO_DDHRESULT(2076)
#define D3DERR_TOOMANYOPERATIONS LUMO_DDHRESULT(2077)
#define D3DERR_CONFLICTINGTEXTUREFILTER LUMO_DDHRESULT(2078)
#define D3DERR_UNSUPPORTEDFACTORVALUE LUMO_DDHRESULT(2079)
#define D3DERR_CONFLICTINGRENDERSTATE LUMO_DDHRESULT(2081)
#define D3DERR_UNSUPPORTEDTEXTUREFILTER LUMO_DDHRESULT(2082)
#define D3DERR_TOOMANYPRIMITIVES LUMO_DDHRESULT(2083)
#define D3DERR_INVALIDMATRIX LUMO_DDHRESULT(2084)
#define D3DERR_CONFLICTINGTEXTUREPALETTE LUMO_DDHRESULT(2086)
#define D3DERR_INVALIDSTATEBLOCK LUMO_DDHRESULT(2100)
#define D3DERR_INBEGINSTATEBLOCK LUMO_DDHRESULT(2101)
#define D3DERR_NOTINBEGINSTATEBLOCK LUMO_DDHRESULT(2102)

// ---- basic types ------------------------------------------------------------------------------
typedef float D3DVALUE;
typedef DWORD D3DCOLOR; // 0xAARRGGBB

typedef struct _D3DRECT
{
    LONG x1;
    LONG y1;
    LONG x2;
    LONG y2;
} D3DRECT, *LPD3DRECT;

// A transformed and lit vertex: the layout of D3DFVF_TLVERTEX (32 bytes).
typedef struct _D3DTLVERTEX
{
    D3DVALUE sx;
    D3DVALUE sy;
    D3DVALUE sz;
    D3DVALUE rhw;
    D3DCOLOR color;
    D3DCOLOR specular;
    D3DVALUE tu;
    D3DVALUE tv;
} D3DTLVERTEX, *LPD3DTLVERTEX;

// ---- flexible vertex formats --------------------------------------------------------------------
#define D3DFVF_XYZRHW 0x004
#define D3DFVF_DIFFUSE 0x040
#define D3DFVF_SPECULAR 0x080
#define D3DFVF_TEX1 0x100
#define D3DFVF_TLVERTEX (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1)

// ---- primitives -------------------------------------------------------------------------------
typedef enum _D3DPRIMITIVETYPE
{
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST = 2,
    D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
    D3DPT_TRIANGLEFAN = 6,
} D3DPRIMITIVETYPE;

// ---- render states ----------------------------------------------------------------------------
typedef enum _D3DRENDERSTATETYPE
{
    D3DRENDERSTATE_ZENABLE = 7,
    D3DRENDERSTATE_ZWRITEENABLE = 14,
    D3DRENDERSTATE_SRCBLEND = 19,
    D3DRENDERSTATE_DESTBLEND = 20,
    D3DRENDERSTATE_CULLMODE = 22,
    D3DRENDERSTATE_DITHERENABLE = 26,
    D3DRENDERSTATE_ALPHABLENDENABLE = 27,
    D3DRENDERSTATE_SPECULARENABLE = 29,
    D3DRENDERSTATE_LIGHTING = 137,
} D3DRENDERSTATETYPE;

typedef enum _D3DZBUFFERTYPE
{
    D3DZB_FALSE = 0,
    D3DZB_TRUE = 1,
    D3DZB_USEW = 2,
} D3DZBUFFERTYPE;

typedef enum _D3DBLEND
{
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCCOLOR = 3,
    D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
    D3DBLEND_DESTALPHA = 7,
    D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9,
    D3DBLEND_INVDESTCOLOR = 10,
    D3DBLEND_SRCALPHASAT = 11,
    D3DBLEND_BOTHSRCALPHA = 12,
    D3DBLEND_BOTHINVSRCALPHA = 13,
} D3DBLEND;

typedef enum _D3DCULL
{
    D3DCULL_NONE = 1,
    D3DCULL_CW = 2,
    D3DCULL_CCW = 3,
} D3DCULL;

// ---- texture stage states ---------------------------------------------------------------------
typedef enum _D3DTEXTURESTAGESTATETYPE
{
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_ALPHAARG1 = 5,
    D3DTSS_ALPHAARG2 = 6,
    D3DTSS_ADDRESS = 12,
    D3DTSS_ADDRESSU = 13,
    D3DTSS_ADDRESSV = 14,
    D3DTSS_MAGFILTER = 16,
    D3DTSS_MINFILTER = 17,
    D3DTSS_MIPFILTER = 18,
} D3DTEXTURESTAGESTATETYPE;

typedef enum _D3DTEXTUREOP
{
    D3DTOP_DISABLE = 1,
    D3DTOP_SELECTARG1 = 2,
    D3DTOP_SELECTARG2 = 3,
    D3DTOP_MODULATE = 4,
    D3DTOP_MODULATE2X = 5,
    D3DTOP_MODULATE4X = 6,
    D3DTOP_ADD = 7,
} D3DTEXTUREOP;

// Texture stage arguments.
#define D3DTA_DIFFUSE 0x00000000
#define D3DTA_CURRENT 0x00000001
#define D3DTA_TEXTURE 0x00000002

typedef enum _D3DTEXTUREADDRESS
{
    D3DTADDRESS_WRAP = 1,
    D3DTADDRESS_MIRROR = 2,
    D3DTADDRESS_CLAMP = 3,
    D3DTADDRESS_BORDER = 4,
} D3DTEXTUREADDRESS;

// Filters of the seventh version, one enumeration per stage state.
typedef enum _D3DTEXTUREMAGFILTER
{
    D3DTFG_POINT = 1,
    D3DTFG_LINEAR = 2,
} D3DTEXTUREMAGFILTER;

typedef enum _D3DTEXTUREMINFILTER
{
    D3DTFN_POINT = 1,
    D3DTFN_LINEAR = 2,
} D3DTEXTUREMINFILTER;

typedef enum _D3DTEXTUREMIPFILTER
{
    D3DTFP_NONE = 1,
    D3DTFP_POINT = 2,
    D3DTFP_LINEAR = 3,
} D3DTEXTUREMIPFILTER;

// The later single filter enumeration; the device takes these values for MAGFILTER and MINFILTER
// too (they agree with the ones above) and D3DTEXF_NONE as "no mipmaps".
typedef enum _D3DTEXTUREFILTERTYPE
{
    D3DTEXF_NONE = 0,
    D3DTEXF_POINT = 1,
    D3DTEXF_LINEAR = 2,
} D3DTEXTUREFILTERTYPE;

// ---- clearing ---------------------------------------------------------------------------------
#define D3DCLEAR_TARGET 0x00000001
#define D3DCLEAR_ZBUFFER 0x00000002
#define D3DCLEAR_STENCIL 0x00000004

// ---- viewport ---------------------------------------------------------------------------------
typedef struct _D3DVIEWPORT7
{
    DWORD dwX;
    DWORD dwY;
    DWORD dwWidth;
    DWORD dwHeight;
    D3DVALUE dvMinZ;
    D3DVALUE dvMaxZ;
} D3DVIEWPORT7, *LPD3DVIEWPORT7;

// ---- device description -----------------------------------------------------------------------
typedef struct _D3DPrimCaps
{
    DWORD dwSize;
    DWORD dwMiscCaps;
    DWORD dwRasterCaps;
    DWORD dwZCmpCaps;
    DWORD dwSrcBlendCaps;
    DWORD dwDestBlendCaps;
    DWORD dwAlphaCmpCaps;
    DWORD dwShadeCaps;
    DWORD dwTextureCaps;
    DWORD dwTextureFilterCaps;
    DWORD dwTextureBlendCaps;
    DWORD dwTextureAddressCaps;
    DWORD dwStippleWidth;
    DWORD dwStippleHeight;
} D3DPRIMCAPS, *LPD3DPRIMCAPS;

// dwTextureCaps
#define D3DPTEXTURECAPS_PERSPECTIVE 0x00000001
#define D3DPTEXTURECAPS_POW2 0x00000002
#define D3DPTEXTURECAPS_ALPHA 0x00000004
#define D3DPTEXTURECAPS_SQUAREONLY 0x00000020
#define D3DPTEXTURECAPS_ALPHAPALETTE 0x00000080
#define D3DPTEXTURECAPS_NONPOW2CONDITIONAL 0x00000100

// dwSrcBlendCaps / dwDestBlendCaps
#define D3DPBLENDCAPS_ZERO 0x00000001
#define D3DPBLENDCAPS_ONE 0x00000002
#define D3DPBLENDCAPS_SRCCOLOR 0x00000004
#define D3DPBLENDCAPS_INVSRCCOLOR 0x00000008
#define D3DPBLENDCAPS_SRCALPHA 0x00000010
#define D3DPBLENDCAPS_INVSRCALPHA 0x00000020
#define D3DPBLENDCAPS_DESTCOLOR 0x00000100

// dwTextureFilterCaps
#define D3DPTFILTERCAPS_NEAREST 0x00000001
#define D3DPTFILTERCAPS_LINEAR 0x00000002

// dwDevCaps
#define D3DDEVCAPS_FLOATTLVERTEX 0x00000001
#define D3DDEVCAPS_TLVERTEXSYSTEMMEMORY 0x00000040
#define D3DDEVCAPS_TEXTUREVIDEOMEMORY 0x00000200
#define D3DDEVCAPS_DRAWPRIMTLVERTEX 0x00000400
#define D3DDEVCAPS_HWRASTERIZATION 0x00080000

typedef struct _D3DDeviceDesc7
{
    DWORD dwDevCaps;
    D3DPRIMCAPS dpcLineCaps;
    D3DPRIMCAPS dpcTriCaps;
    DWORD dwDeviceRenderBitDepth;
    DWORD dwDeviceZBufferBitDepth;
    DWORD dwMinTextureWidth;
    DWORD dwMinTextureHeight;
    DWORD dwMaxTextureWidth;
    DWORD dwMaxTextureHeight;
    DWORD dwMaxTextureRepeat;
    DWORD dwMaxTextureAspectRatio;
    DWORD dwMaxAnisotropy;
    D3DVALUE dvGuardBandLeft;
    D3DVALUE dvGuardBandTop;
    D3DVALUE dvGuardBandRight;
    D3DVALUE dvGuardBandBottom;
    D3DVALUE dvExtentsAdjust;
    DWORD dwStencilCaps;
    DWORD dwFVFCaps;
    DWORD dwTextureOpCaps;
    WORD wMaxTextureBlendStages;
    WORD wMaxSimultaneousTextures;
    DWORD dwMaxActiveLights;
    D3DVALUE dvMaxVertexW;
    GUID deviceGUID;
    WORD wMaxUserClipPlanes;
    WORD wMaxVertexBlendMatrices;
    DWORD dwVertexProcessingCaps;
    DWORD dwReserved1;
    DWORD dwReserved2;
    DWORD dwReserved3;
    DWORD dwReserved4;
} D3DDEVICEDESC7, *LPD3DDEVICEDESC7;

// ---- texture format enumeration ---------------------------------------------------------------
#define D3DENUMRET_CANCEL 0
#define D3DENUMRET_OK 1
typedef HRESULT(CALLBACK* LPD3DENUMPIXELFORMATSCALLBACK)(LPDDPIXELFORMAT format, LPVOID context);

// ---- interface identifiers --------------------------------------------------------------------
inline constexpr GUID IID_IDirect3D7 = {
    0xF5049E77, 0x4861, 0x11D2, {0xA4, 0x07, 0x00, 0xA0, 0xC9, 0x06, 0x29, 0xA8}};
inline constexpr GUID IID_IDirect3DDevice7 = {
    0xF5049E79, 0x4861, 0x11D2, {0xA4, 0x07, 0x00, 0xA0, 0xC9, 0x06, 0x29, 0xA8}};
inline constexpr GUID IID_IDirect3DHALDevice = {
    0x84E63DE0, 0x46AA, 0x11CF, {0x81, 0x6F, 0x00, 0x00, 0xC0, 0x20, 0x15, 0x6E}};

// ---- interfaces -------------------------------------------------------------------------------
struct IDirect3DDevice7;
typedef IDirect3DDevice7* LPDIRECT3DDEVICE7;

struct IDirect3D7 : IUnknown
{
    // Only the HAL device is offered, and only on a surface made with DDSCAPS_3DDEVICE.
    virtual HRESULT WINAPI CreateDevice(REFIID deviceId, LPDIRECTDRAWSURFACE7 target,
                                        LPDIRECT3DDEVICE7* device) = 0;

protected:
    ~IDirect3D7() = default;
};
typedef IDirect3D7* LPDIRECT3D7;

// Every call runs on the main thread: the device draws through SDL.
struct IDirect3DDevice7 : IUnknown
{
    virtual HRESULT WINAPI GetCaps(LPD3DDEVICEDESC7 desc) = 0;
    virtual HRESULT WINAPI EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) = 0;
    virtual HRESULT WINAPI BeginScene() = 0;
    virtual HRESULT WINAPI EndScene() = 0;
    virtual HRESULT WINAPI SetRenderTarget(LPDIRECTDRAWSURFACE7 target, DWORD flags) = 0;
    virtual HRESULT WINAPI GetRenderTarget(LPDIRECTDRAWSURFACE7* target) = 0;
    virtual HRESULT WINAPI Clear(DWORD count, LPD3DRECT rects, DWORD flags, D3DCOLOR color, D3DVALUE z,
                                 DWORD stencil) = 0;
    virtual HRESULT WINAPI SetViewport(LPD3DVIEWPORT7 viewport) = 0;
    virtual HRESULT WINAPI GetViewport(LPD3DVIEWPORT7 viewport) = 0;
    virtual HRESULT WINAPI SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT WINAPI GetRenderState(D3DRENDERSTATETYPE state, LPDWORD value) = 0;
    virtual HRESULT WINAPI SetTexture(DWORD stage, LPDIRECTDRAWSURFACE7 texture) = 0;
    virtual HRESULT WINAPI SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) = 0;
    virtual HRESULT WINAPI GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state,
                                                LPDWORD value) = 0;
    virtual HRESULT WINAPI DrawPrimitive(D3DPRIMITIVETYPE type, DWORD vertexFormat, LPVOID vertices,
                                         DWORD count, DWORD flags) = 0;

protected:
    ~IDirect3DDevice7() = default;
};

namespace Platform
{
// What the layer moved between memory and the renderer, and what it drew, since the start
// (or the last reset by a test). Any thread.
struct Direct3DStatistics
{
    uint64_t uploads = 0;       // surface parts copied into their renderer twins
    uint64_t uploadedBytes = 0; // bytes of surface pixels those copies covered
    uint64_t readBacks = 0;     // twin parts read back into surface memory
    uint64_t readBackBytes = 0; // bytes of surface pixels those read-backs covered
    uint64_t primitives = 0;    // DrawPrimitive calls that drew
    uint64_t twinPresents = 0;  // frames shown straight from a renderer twin
    uint64_t twins = 0;         // renderer textures alive now
    uint64_t twinBytes = 0;     // their size, 4 bytes a pixel
};
Direct3DStatistics GetDirect3DStatistics();
} // namespace Platform
