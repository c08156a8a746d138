// Our DirectDraw 7: surfaces kept in memory, blits and locks done in software.
#pragma once

#include "win32/types.h"
#include "win32/unknwn.h"

// ---- results ----------------------------------------------------------------------------------
#define DD_OK S_OK
#define LUMO_DDHRESULT(code) LUMO_HRESULT(0x88760000u | (code))

#define DDERR_GENERIC E_FAIL
#define DDERR_UNSUPPORTED E_NOTIMPL
#define DDERR_INVALIDPARAMS E_INVALIDARG
#define DDERR_OUTOFMEMORY E_OUTOFMEMORY
#define DDERR_NOTINITIALIZED CO_E_NOTINITIALIZED
#define DDERR_ALREADYINITIALIZED LUMO_DDHRESULT(5)
#define DDERR_CANNOTATTACHSURFACE LUMO_DDHRESULT(10)
#define DDERR_CANNOTDETACHSURFACE LUMO_DDHRESULT(20)
#define DDERR_CURRENTLYNOTAVAIL LUMO_DDHRESULT(40)
#define DDERR_EXCEPTION LUMO_DDHRESULT(55)
#define DDERR_HEIGHTALIGN LUMO_DDHRESULT(90)
#define DDERR_INCOMPATIBLEPRIMARY LUMO_DDHRESULT(95)
#define DDERR_INVALIDCAPS LUMO_DDHRESULT(100)
#define DDERR_INVALIDCLIPLIST LUMO_DDHRESULT(110)
#define DDERR_INVALIDMODE LUMO_DDHRESULT(120)
#define DDERR_INVALIDOBJECT LUMO_DDHRESULT(130)
#define DDERR_INVALIDPIXELFORMAT LUMO_DDHRESULT(145)
#define DDERR_INVALIDRECT LUMO_DDHRESULT(150)
#define DDERR_LOCKEDSURFACES LUMO_DDHRESULT(160)
#define DDERR_NO3D LUMO_DDHRESULT(170)
#define DDERR_NOALPHAHW LUMO_DDHRESULT(180)
#define DDERR_NOSTEREOHARDWARE LUMO_DDHRESULT(181)
#define DDERR_NOSURFACELEFT LUMO_DDHRESULT(182)
#define DDERR_NOCLIPLIST LUMO_DDHRESULT(205)
#define DDERR_NOCOLORCONVHW LUMO_DDHRESULT(210)
#define DDERR_NOCOOPERATIVELEVELSET LUMO_DDHRESULT(212)
#define DDERR_NOCOLORKEY LUMO_DDHRESULT(215)
#define DDERR_NOCOLORKEYHW LUMO_DDHRESULT(220)
#define DDERR_NODIRECTDRAWSUPPORT LUMO_DDHRESULT(222)
#define DDERR_NOEXCLUSIVEMODE LUMO_DDHRESULT(225)
#define DDERR_NOFLIPHW LUMO_DDHRESULT(230)
#define DDERR_NOGDI LUMO_DDHRESULT(240)
#define DDERR_NOMIRRORHW LUMO_DDHRESULT(250)
#define DDERR_NOTFOUND LUMO_DDHRESULT(255)
#define DDERR_NOOVERLAYHW LUMO_DDHRESULT(260)
#define DDERR_OVERLAPPINGRECTS LUMO_DDHRESULT(270)
#define DDERR_NORASTEROPHW LUMO_DDHRESULT(280)
#define DDERR_NOROTATIONHW LUMO_DDHRESULT(290)
#define DDERR_NOSTRETCHHW LUMO_DDHRESULT(310)
#define DDERR_NOT4BITCOLOR LUMO_DDHRESULT(316)
#define DDERR_NOT4BITCOLORINDEX LUMO_DDHRESULT(317)
#define DDERR_NOT8BITCOLOR LUMO_DDHRESULT(320)
#define DDERR_NOTEXTUREHW LUMO_DDHRESULT(330)
#define DDERR_NOVSYNCHW LUMO_DDHRESULT(335)
#define DDERR_NOZBUFFERHW LUMO_DDHRESULT(340)
#define DDERR_NOZOVERLAYHW LUMO_DDHRESULT(350)
#define DDERR_OUTOFCAPS LUMO_DDHRESULT(360)
#define DDERR_OUTOFVIDEOMEMORY LUMO_DDHRESULT(380)
#define DDERR_OVERLAYCANTCLIP LUMO_DDHRESULT(382)
#define DDERR_OVERLAYCOLORKEYONLYONEACTIVE LUMO_DDHRESULT(384)
#define DDERR_PALETTEBUSY LUMO_DDHRESULT(387)
#define DDERR_COLORKEYNOTSET LUMO_DDHRESULT(400)
#define DDERR_SURFACEALREADYATTACHED LUMO_DDHRESULT(410)
#define DDERR_SURFACEALREADYDEPENDENT LUMO_DDHRESULT(420)
#define DDERR_SURFACEBUSY LUMO_DDHRESULT(430)
#define DDERR_CANTLOCKSURFACE LUMO_DDHRESULT(435)
#define DDERR_SURFACEISOBSCURED LUMO_DDHRESULT(440)
#define DDERR_SURFACELOST LUMO_DDHRESULT(450)
#define DDERR_SURFACENOTATTACHED LUMO_DDHRESULT(460)
#define DDERR_TOOBIGHEIGHT LUMO_DDHRESULT(470)
#define DDERR_TOOBIGSIZE LUMO_DDHRESULT(480)
#define DDERR_TOOBIGWIDTH LUMO_DDHRESULT(490)
#define DDERR_UNSUPPORTEDFORMAT LUMO_DDHRESULT(510)
#define DDERR_UNSUPPORTEDMASK LUMO_DDHRESULT(520)
#define DDERR_INVALIDSTREAM LUMO_DDHRESULT(521)
#define DDERR_VERTICALBLANKINPROGRESS LUMO_DDHRESULT(537)
#define DDERR_WASSTILLDRAWING LUMO_DDHRESULT(540)
#define DDERR_XALIGN LUMO_DDHRESULT(560)
#define DDERR_INVALIDDIRECTDRAWGUID LUMO_DDHRESULT(561)
#define DDERR_DIRECTDRAWALREADYCREATED LUMO_DDHRESULT(562)
#define DDERR_NODIRECTDRAWHW LUMO_DDHRESULT(563)
#define DDERR_PRIMARYSURFACEALREADYEXISTS LUMO_DDHRESULT(564)
#define DDERR_NOEMULATION LUMO_DDHRESULT(565)
#define DDERR_REGIONTOOSMALL LUMO_DDHRESULT(566)
#define DDERR_CLIPPERISUSINGHWND LUMO_DDHRESULT(567)
#define DDERR_NOCLIPPERATTACHED LUMO_DDHRESULT(568)
#define DDERR_NOHWND LUMO_DDHRESULT(569)
#define DDERR_HWNDSUBCLASSED LUMO_DDHRESULT(570)
#define DDERR_HWNDALREADYSET LUMO_DDHRESULT(571)
#define DDERR_NOPALETTEATTACHED LUMO_DDHRESULT(572)
#define DDERR_NOPALETTEHW LUMO_DDHRESULT(573)
#define DDERR_BLTFASTCANTCLIP LUMO_DDHRESULT(574)
#define DDERR_NOBLTHW LUMO_DDHRESULT(575)
#define DDERR_NODDROPSHW LUMO_DDHRESULT(576)
#define DDERR_OVERLAYNOTVISIBLE LUMO_DDHRESULT(577)
#define DDERR_INVALIDPOSITION LUMO_DDHRESULT(579)
#define DDERR_NOTAOVERLAYSURFACE LUMO_DDHRESULT(580)
#define DDERR_EXCLUSIVEMODEALREADYSET LUMO_DDHRESULT(581)
#define DDERR_NOTFLIPPABLE LUMO_DDHRESULT(582)
#define DDERR_CANTDUPLICATE LUMO_DDHRESULT(583)
#define DDERR_NOTLOCKED LUMO_DDHRESULT(584)
#define DDERR_CANTCREATEDC LUMO_DDHRESULT(585)
#define DDERR_NODC LUMO_DDHRESULT(586)
#define DDERR_WRONGMODE LUMO_DDHRESULT(587)
#define DDERR_IMPLICITLYCREATED LUMO_DDHRESULT(588)
#define DDERR_NOTPALETTIZED LUMO_DDHRESULT(589)
#define DDERR_UNSUPPORTEDMODE LUMO_DDHRESULT(590)
#define DDERR_NOMIPMAPHW LUMO_DDHRESULT(591)
#define DDERR_INVALIDSURFACETYPE LUMO_DDHRESULT(592)
#define DDERR_NOOPTIMIZEHW LUMO_DDHRESULT(600)
#define DDERR_NOTLOADED LUMO_DDHRESULT(601)
#define DDERR_NOFOCUSWINDOW LUMO_DDHRESULT(602)
#define DDERR_DCALREADYCREATED LUMO_DDHRESULT(620)
#define DDERR_NONONLOCALVIDMEM LUMO_DDHRESULT(630)
#define DDERR_CANTPAGELOCK LUMO_DDHRESULT(640)
#define DDERR_CANTPAGEUNLOCK LUMO_DDHRESULT(660)
#define DDERR_NOTPAGELOCKED LUMO_DDHRESULT(680)
#define DDERR_MOREDATA LUMO_DDHRESULT(690)
#define DDERR_EXPIRED LUMO_DDHRESULT(691)
#define DDERR_VIDEONOTACTIVE LUMO_DDHRESULT(695)
#define DDERR_DEVICEDOESNTOWNSURFACE LUMO_DDHRESULT(699)

// ---- surface description fields --------------------------------------------------------------
#define DDSD_CAPS 0x00000001
#define DDSD_HEIGHT 0x00000002
#define DDSD_WIDTH 0x00000004
#define DDSD_PITCH 0x00000008
#define DDSD_BACKBUFFERCOUNT 0x00000020
#define DDSD_LPSURFACE 0x00000800
#define DDSD_PIXELFORMAT 0x00001000
#define DDSD_CKSRCBLT 0x00010000
#define DDSD_REFRESHRATE 0x00040000

// ---- surface capabilities ---------------------------------------------------------------------
#define DDSCAPS_BACKBUFFER 0x00000004
#define DDSCAPS_COMPLEX 0x00000008
#define DDSCAPS_FLIP 0x00000010
#define DDSCAPS_FRONTBUFFER 0x00000020
#define DDSCAPS_OFFSCREENPLAIN 0x00000040
#define DDSCAPS_PRIMARYSURFACE 0x00000200
#define DDSCAPS_SYSTEMMEMORY 0x00000800
#define DDSCAPS_TEXTURE 0x00001000
#define DDSCAPS_3DDEVICE 0x00002000
#define DDSCAPS_VIDEOMEMORY 0x00004000
#define DDSCAPS2_D3DTEXTUREMANAGE 0x00020000

// ---- pixel format flags -----------------------------------------------------------------------
#define DDPF_ALPHAPIXELS 0x00000001
#define DDPF_PALETTEINDEXED8 0x00000020
#define DDPF_RGB 0x00000040

// ---- Blt, Lock, Flip --------------------------------------------------------------------------
#define DDBLT_COLORFILL 0x00000400
#define DDBLT_KEYSRC 0x00008000
#define DDBLT_WAIT 0x01000000
#define DDLOCK_WAIT 0x00000001
#define DDLOCK_READONLY 0x00000010
#define DDFLIP_WAIT 0x00000001

// ---- cooperative levels -----------------------------------------------------------------------
#define DDSCL_FULLSCREEN 0x00000001
#define DDSCL_NORMAL 0x00000008
#define DDSCL_EXCLUSIVE 0x00000010

// ---- colour keys ------------------------------------------------------------------------------
#define DDCKEY_SRCBLT 0x00000008

// ---- palettes ---------------------------------------------------------------------------------
#define DDPCAPS_8BIT 0x00000004
#define DDPCAPS_ALLOW256 0x00000040
#define DDPCAPS_ALPHA 0x00000400

// ---- records ----------------------------------------------------------------------------------
typedef struct _DDCOLORKEY
{
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
} DDCOLORKEY, *LPDDCOLORKEY;

typedef struct _DDSCAPS
{
    DWORD dwCaps;
} DDSCAPS, *LPDDSCAPS;

typedef struct _DDSCAPS2
{
    DWORD dwCaps;
    DWORD dwCaps2;
    DWORD dwCaps3;
    DWORD dwCaps4;
} DDSCAPS2, *LPDDSCAPS2;

typedef struct _DDPIXELFORMAT
{
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFourCC;
    DWORD dwRGBBitCount;
    DWORD dwRBitMask;
    DWORD dwGBitMask;
    DWORD dwBBitMask;
    DWORD dwRGBAlphaBitMask;
} DDPIXELFORMAT, *LPDDPIXELFORMAT;

// The first description (108 bytes in the 32-bit original, which callers pass as the size).
typedef struct _DDSURFACEDESC
{
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    union
    {
        DWORD dwMipMapCount;
        DWORD dwRefreshRate;
    };
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
} DDSURFACEDESC, *LPDDSURFACEDESC;
#define DDSURFACEDESC_SIZE_32BIT 108

// The seventh interface's description (124 bytes in the 32-bit original).
typedef struct _DDSURFACEDESC2
{
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    union
    {
        DWORD dwMipMapCount;
        DWORD dwRefreshRate;
    };
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS2 ddsCaps;
    DWORD dwTextureStage;
} DDSURFACEDESC2, *LPDDSURFACEDESC2;
#define DDSURFACEDESC2_SIZE_32BIT 124

// Blit effects: every member is 32 bits wide, so the record is 100 bytes everywhere.
typedef struct _DDBLTFX
{
    DWORD dwSize;
    DWORD dwDDFX;
    DWORD dwROP;
    DWORD dwDDROP;
    DWORD dwRotationAngle;
    DWORD dwZBufferOpCode;
    DWORD dwZBufferLow;
    DWORD dwZBufferHigh;
    DWORD dwZBufferBaseDest;
    DWORD dwZDestConstBitDepth;
    DWORD dwZDestConst;
    DWORD dwZSrcConstBitDepth;
    DWORD dwZSrcConst;
    DWORD dwAlphaEdgeBlendBitDepth;
    DWORD dwAlphaEdgeBlend;
    DWORD dwReserved;
    DWORD dwAlphaDestConstBitDepth;
    DWORD dwAlphaDestConst;
    DWORD dwAlphaSrcConstBitDepth;
    DWORD dwAlphaSrcConst;
    DWORD dwFillColor;
    DDCOLORKEY ddckDestColorkey;
    DDCOLORKEY ddckSrcColorkey;
} DDBLTFX, *LPDDBLTFX;

#define MAX_DDDEVICEID_STRING 512
typedef struct tagDDDEVICEIDENTIFIER2
{
    char szDriver[MAX_DDDEVICEID_STRING];
    char szDescription[MAX_DDDEVICEID_STRING];
    LARGE_INTEGER liDriverVersion;
    DWORD dwVendorId;
    DWORD dwDeviceId;
    DWORD dwSubSysId;
    DWORD dwRevision;
    GUID guidDeviceIdentifier;
    DWORD dwWHQLLevel;
} DDDEVICEIDENTIFIER2, *LPDDDEVICEIDENTIFIER2;

// ---- interface identifiers --------------------------------------------------------------------
inline constexpr GUID IID_IDirectDraw = {
    0x6C14DB80, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr GUID IID_IDirectDrawSurface = {
    0x6C14DB81, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr GUID IID_IDirectDrawPalette = {
    0x6C14DB84, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr GUID IID_IDirectDrawClipper = {
    0x6C14DB85, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr GUID IID_IDirectDraw7 = {
    0x15E65EC0, 0x3B9C, 0x11D2, {0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};
inline constexpr GUID IID_IDirectDrawSurface7 = {
    0x06675A80, 0x3B9B, 0x11D2, {0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};

// ---- interfaces -------------------------------------------------------------------------------
struct IDirectDrawClipper : IUnknown
{
    virtual HRESULT WINAPI GetHWnd(HWND* window) = 0;
    virtual HRESULT WINAPI SetHWnd(DWORD flags, HWND window) = 0;

protected:
    ~IDirectDrawClipper() = default;
};
typedef IDirectDrawClipper* LPDIRECTDRAWCLIPPER;

struct IDirectDrawPalette : IUnknown
{
    virtual HRESULT WINAPI GetEntries(DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries) = 0;
    virtual HRESULT WINAPI SetEntries(DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY entries) = 0;

protected:
    ~IDirectDrawPalette() = default;
};
typedef IDirectDrawPalette* LPDIRECTDRAWPALETTE;

struct IDirectDrawSurface;
typedef IDirectDrawSurface* LPDIRECTDRAWSURFACE;
struct IDirectDrawSurface7;
typedef IDirectDrawSurface7* LPDIRECTDRAWSURFACE7;

struct IDirectDrawSurface : IUnknown
{
    virtual HRESULT WINAPI Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
                               LPDDBLTFX fx) = 0;
    virtual HRESULT WINAPI Flip(LPDIRECTDRAWSURFACE target, DWORD flags) = 0;
    virtual HRESULT WINAPI GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* surface) = 0;
    virtual HRESULT WINAPI GetSurfaceDesc(LPDDSURFACEDESC desc) = 0;
    virtual HRESULT WINAPI Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) = 0;
    virtual HRESULT WINAPI SetClipper(LPDIRECTDRAWCLIPPER clipper) = 0;
    virtual HRESULT WINAPI SetColorKey(DWORD flags, LPDDCOLORKEY key) = 0;
    virtual HRESULT WINAPI SetPalette(LPDIRECTDRAWPALETTE palette) = 0;
    virtual HRESULT WINAPI Unlock(LPVOID surfaceData) = 0;
    // A device context over the surface's pixels; the surface stays locked until it is released.
    // Surfaces made outside the layer (test doubles) need not offer one.
    virtual HRESULT WINAPI GetDC(HDC* dc) { return DDERR_UNSUPPORTED; }
    virtual HRESULT WINAPI ReleaseDC(HDC dc) { return DDERR_UNSUPPORTED; }

protected:
    ~IDirectDrawSurface() = default;
};

struct IDirectDrawSurface7 : IUnknown
{
    virtual HRESULT WINAPI Blt(LPRECT destRect, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect, DWORD flags,
                               LPDDBLTFX fx) = 0;
    virtual HRESULT WINAPI Flip(LPDIRECTDRAWSURFACE7 target, DWORD flags) = 0;
    virtual HRESULT WINAPI GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE7* surface) = 0;
    virtual HRESULT WINAPI GetSurfaceDesc(LPDDSURFACEDESC2 desc) = 0;
    virtual HRESULT WINAPI Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) = 0;
    virtual HRESULT WINAPI SetClipper(LPDIRECTDRAWCLIPPER clipper) = 0;
    virtual HRESULT WINAPI SetColorKey(DWORD flags, LPDDCOLORKEY key) = 0;
    virtual HRESULT WINAPI SetPalette(LPDIRECTDRAWPALETTE palette) = 0;
    virtual HRESULT WINAPI Unlock(LPRECT rect) = 0;
    // A device context over the surface's pixels; the surface stays locked until it is released.
    // Surfaces made outside the layer (test doubles) need not offer one.
    virtual HRESULT WINAPI GetDC(HDC* dc) { return DDERR_UNSUPPORTED; }
    virtual HRESULT WINAPI ReleaseDC(HDC dc) { return DDERR_UNSUPPORTED; }

protected:
    ~IDirectDrawSurface7() = default;
};

struct IDirectDraw : IUnknown
{
    virtual HRESULT WINAPI CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer) = 0;
    virtual HRESULT WINAPI CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                         IUnknown* outer) = 0;
    virtual HRESULT WINAPI CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface,
                                         IUnknown* outer) = 0;
    virtual HRESULT WINAPI FlipToGDISurface() = 0;
    virtual HRESULT WINAPI GetDisplayMode(LPDDSURFACEDESC desc) = 0;
    virtual HRESULT WINAPI GetMonitorFrequency(LPDWORD frequency) = 0;
    virtual HRESULT WINAPI RestoreDisplayMode() = 0;
    virtual HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT WINAPI SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) = 0;

protected:
    ~IDirectDraw() = default;
};
typedef IDirectDraw* LPDIRECTDRAW;

struct IDirectDraw7 : IUnknown
{
    virtual HRESULT WINAPI CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer) = 0;
    virtual HRESULT WINAPI CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                         IUnknown* outer) = 0;
    virtual HRESULT WINAPI CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* surface,
                                         IUnknown* outer) = 0;
    virtual HRESULT WINAPI FlipToGDISurface() = 0;
    virtual HRESULT WINAPI GetDisplayMode(LPDDSURFACEDESC2 desc) = 0;
    virtual HRESULT WINAPI GetMonitorFrequency(LPDWORD frequency) = 0;
    virtual HRESULT WINAPI RestoreDisplayMode() = 0;
    virtual HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT WINAPI SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate,
                                          DWORD flags) = 0;
    virtual HRESULT WINAPI GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free) = 0;
    virtual HRESULT WINAPI GetDeviceIdentifier(LPDDDEVICEIDENTIFIER2 identifier, DWORD flags) = 0;

protected:
    ~IDirectDraw7() = default;
};
typedef IDirectDraw7* LPDIRECTDRAW7;

extern "C" HRESULT WINAPI DirectDrawCreate(GUID* driver, LPDIRECTDRAW* directDraw, IUnknown* outer);
extern "C" HRESULT WINAPI DirectDrawCreateEx(GUID* driver, LPVOID* directDraw, REFIID iid, IUnknown* outer);
typedef HRESULT(WINAPI* LPDIRECTDRAWCREATE)(GUID*, LPDIRECTDRAW*, IUnknown*);
typedef HRESULT(WINAPI* LPDIRECTDRAWCREATEEX)(GUID*, LPVOID*, REFIID, IUnknown*);

namespace Platform
{
// Makes "ddraw.dll" known to LoadLibraryA with its two creation entry points.
void RegisterDDrawModule();
} // namespace Platform
