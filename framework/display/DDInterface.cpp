#include "display/DDInterface.h"

#include "display/D3DInterface.h"
#include "display/D3DTester.h"
#include "display/DDImage.h"
#include "display/DirectXErrors.h"
#include "app/LumoAppBase.h"
#include "win32/ComObject.h"
#include "win32/kernel32.h"

#include <algorithm>
#include <bit>

namespace Lumo
{

DDInterface::DDInterface(LumoAppBase* app) : mApp(app), mD3DInterface(new D3DInterface())
{
    mD3DInterface->mDDInterface = this;
    HMODULE module = app ? app->GetDDrawModule() : nullptr;
    if (module)
    {
        // Through void*: GetProcAddress hands entry points back untyped.
        mDirectDrawCreate = reinterpret_cast<LPDIRECTDRAWCREATE>(
            reinterpret_cast<void*>(GetProcAddress(module, "DirectDrawCreate")));
        mDirectDrawCreateEx = reinterpret_cast<LPDIRECTDRAWCREATEEX>(
            reinterpret_cast<void*>(GetProcAddress(module, "DirectDrawCreateEx")));
    }
}

DDInterface::~DDInterface()
{
    Cleanup();
    delete mD3DInterface;
    delete mD3DTester;
}

std::string DDInterface::ResultToString(int result)
{
    switch (result)
    {
    case RESULT_OK:
        return "RESULT_OK";
    case RESULT_FAIL:
        return "RESULT_FAIL";
    case RESULT_DD_CREATE_FAIL:
        return "RESULT_DD_CREATE_FAIL";
    case RESULT_SURFACE_FAIL:
        return "RESULT_SURFACE_FAIL";
    case RESULT_EXCLUSIVE_FAIL:
        return "RESULT_EXCLUSIVE_FAIL";
    case RESULT_DISPCHANGE_FAIL:
        return "RESULT_DISPCHANGE_FAIL";
    case RESULT_INVALID_COLORDEPTH:
        return "RESULT_INVALID_COLORDEPTH";
    default: // RESULT_3D_FAIL included
        return "RESULT_UNKNOWN";
    }
}

bool DDInterface::CheckDXResult(const char* context, HRESULT result)
{
    if (result >= 0)
        return false;
    mErrorText = std::string(context) + ": " + GetDirectXErrorString(result);
    return true;
}

IDirectDrawSurface7* DDInterface::Seventh(IDirectDrawSurface* surface)
{
    IDirectDrawSurface7* seventh = nullptr;
    if (surface == nullptr || surface->QueryInterface(IID_IDirectDrawSurface7, (void**)&seventh) < 0)
        return nullptr;
    return seventh;
}

HRESULT DDInterface::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface** surface)
{
    DisplayLock lock(this);
    *surface = nullptr;
    // Without DirectDraw, or before the primary exists, nothing can be made in the screen's format.
    bool makingPrimary = (desc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) != 0;
    if (mDD == nullptr || (!makingPrimary && mPrimarySurface == nullptr))
        return DDERR_NOTINITIALIZED;
    HRESULT result;
    if (mDD7)
    {
        IDirectDrawSurface7* made = nullptr;
        result = mDD7->CreateSurface(desc, &made, nullptr);
        if (result < 0)
            return result;
        result = made->QueryInterface(IID_IDirectDrawSurface, (void**)surface);
        made->Release();
        if (result < 0)
            return result;
    }
    else
    {
        DDSURFACEDESC first{};
        first.dwSize = DDSURFACEDESC_SIZE_32BIT;
        first.dwFlags = desc->dwFlags;
        first.dwHeight = desc->dwHeight;
        first.dwWidth = desc->dwWidth;
        first.lPitch = desc->lPitch;
        first.dwBackBufferCount = desc->dwBackBufferCount;
        first.dwRefreshRate = desc->dwRefreshRate;
        first.ddckCKSrcBlt = desc->ddckCKSrcBlt;
        first.ddpfPixelFormat = desc->ddpfPixelFormat;
        first.ddsCaps.dwCaps = desc->ddsCaps.dwCaps;
        result = mDD->CreateSurface(&first, surface, nullptr);
        if (result < 0)
            return result;
    }
    IDirectDrawSurface* primary = makingPrimary ? *surface : mPrimarySurface;
    DDSURFACEDESC format{};
    format.dwSize = DDSURFACEDESC_SIZE_32BIT;
    format.dwFlags = DDSD_PIXELFORMAT;
    primary->GetSurfaceDesc(&format);
    DWORD bits = format.ddpfPixelFormat.dwRGBBitCount;
    if (bits != 16 && bits != 32)
    {
        ReleaseOf(*surface);
        return DDERR_INVALIDPIXELFORMAT;
    }
    return result;
}

HRESULT DDInterface::MakeSurface(DWORD flags, DWORD caps, int width, int height, IDirectDrawSurface** surface)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = DDSURFACEDESC2_SIZE_32BIT;
    desc.dwFlags = flags;
    desc.dwWidth = DWORD(width);
    desc.dwHeight = DWORD(height);
    desc.ddsCaps.dwCaps = caps;
    return CreateSurface(&desc, surface);
}

int DDInterface::MakeClipper(HWND window, const char* context)
{
    IDirectDrawClipper* clipper = nullptr;
    if (CheckDXResult(context, mDD->CreateClipper(0, &clipper, nullptr)))
        return RESULT_FAIL;
    if (clipper->SetHWnd(0, window) >= 0)
        mPrimarySurface->SetClipper(clipper);
    clipper->Release();
    return RESULT_OK;
}

int DDInterface::Init(HWND window, bool windowed)
{
    DisplayLock lock(this);
    return InitLocked(window, windowed);
}

int DDInterface::InitLocked(HWND window, bool windowed)
{
    mInitialized = false;
    Cleanup();

    HRESULT createResult = DD_OK;
    if (mDirectDrawCreateEx)
    {
        if (CheckDXResult("DirectDrawCreateEx",
                          mDirectDrawCreateEx(nullptr, (void**)&mDD7, IID_IDirectDraw7, nullptr)))
            return RESULT_DD_CREATE_FAIL;
        if (CheckDXResult("QueryrInterface IID_IDirectDraw",
                          mDD7->QueryInterface(IID_IDirectDraw, (void**)&mDD)))
            return RESULT_DD_CREATE_FAIL;
    }
    else if (mDirectDrawCreate)
        createResult = mDirectDrawCreate(nullptr, &mDD, nullptr);
    else
        // ddraw.dll offers neither entry point.
        createResult = DDERR_NODIRECTDRAWSUPPORT;

    if (Run3DTest(window) && mD3DTester->mNewResult)
        mApp->New3DResultHook();
    if (!mDirectDrawCreateEx && CheckDXResult("DirectDrawCreate", createResult))
        return RESULT_DD_CREATE_FAIL;

    mHWnd = window;
    mIsWindowed = windowed;
    mWidth = mApp->mWidth;
    mHeight = mApp->mHeight;
    mFullScreenBits = mApp->mFullScreenBits;
    mCursorDrawn = false;

    const DWORD drawFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    const DWORD drawCaps = mIs3D ? DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY
                                 : DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    const DWORD primary3D = mIs3D ? DDSCAPS_3DDEVICE : 0;
    if (windowed)
    {
        mDD->SetCooperativeLevel(window, DDSCL_NORMAL);
        HRESULT result = MakeSurface(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE | primary3D, 0, 0, &mPrimarySurface);
        if (result == DDERR_INVALIDPIXELFORMAT)
        {
            CheckDXResult("CreateSurface Windowed Primary", result);
            return RESULT_INVALID_COLORDEPTH;
        }
        if (CheckDXResult("CreateSurface Windowed Primary", result))
            return RESULT_SURFACE_FAIL;
        if (CheckDXResult("CreateSurface Windowed DrawSurface",
                          MakeSurface(drawFlags, drawCaps, mWidth, mHeight, &mDrawSurface)))
            return RESULT_SURFACE_FAIL;
        if (int clip = MakeClipper(window, "CreateClipper Windowed"))
            return clip;
    }
    else
    {
        if (CheckDXResult("SetCooperativeLevel FullScreen",
                          mDD->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN)))
            return RESULT_EXCLUSIVE_FAIL;
        if (CheckDXResult("SetDisplayMode FullScreen",
                          mDD->SetDisplayMode(DWORD(mWidth), DWORD(mHeight), DWORD(mFullScreenBits))))
            return RESULT_DISPCHANGE_FAIL;
        DDSURFACEDESC2 desc{};
        desc.dwSize = DDSURFACEDESC2_SIZE_32BIT;
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = 1;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | primary3D;
        if (CheckDXResult("CreateSurface FullScreen Primary", CreateSurface(&desc, &mPrimarySurface)))
            return RESULT_SURFACE_FAIL;
        DDSCAPS back{DDSCAPS_BACKBUFFER};
        if (CheckDXResult("GetAttachedSurface",
                          mPrimarySurface->GetAttachedSurface(&back, &mSecondarySurface)))
            return RESULT_SURFACE_FAIL;
        if (CheckDXResult("CreateSurface FullScreen DrawSurface",
                          MakeSurface(drawFlags, drawCaps, mWidth, mHeight, &mDrawSurface)))
            return RESULT_SURFACE_FAIL;
        if (int clip = MakeClipper(window, "CreateClipper FullScreen"))
            return clip;
    }

    DWORD frequency = 0;
    bool clamped = true;
    if (mDD->GetMonitorFrequency(&frequency) < 0 || frequency < 60)
        mRefreshRate = 60;
    else if (frequency > 100)
        mRefreshRate = 100;
    else
    {
        mRefreshRate = int(frequency);
        clamped = false;
    }
    if (clamped)
        mApp->mRefreshSyncDisabled = true; // not usable for timing
    mMillisecondsPerFrame = 1000 / mRefreshRate;

    if (CheckDXResult("CreateSurface OldCursorArea",
                      MakeSurface(drawFlags, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, mCursorAreaWidth,
                                  mCursorAreaHeight, &mOldCursorArea)) ||
        CheckDXResult("CreateSurface NewCursorArea",
                      MakeSurface(drawFlags, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, mCursorAreaWidth,
                                  mCursorAreaHeight, &mNewCursorArea)))
        return RESULT_SURFACE_FAIL;
    for (auto [surface, image] :
         {std::pair{mOldCursorArea, &mOldCursorAreaImage}, std::pair{mNewCursorArea, &mNewCursorAreaImage}})
    {
        *image = new DDImage(this);
        IDirectDrawSurface7* seventh = Seventh(surface);
        (*image)->SetSurface(seventh);
        seventh->Release();
        (*image)->SetImageMode(false, false);
    }

    DDSURFACEDESC desc{};
    desc.dwSize = DDSURFACEDESC_SIZE_32BIT;
    desc.dwFlags = DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    mPrimarySurface->GetSurfaceDesc(&desc);
    const DDPIXELFORMAT& format = desc.ddpfPixelFormat;
    if (format.dwRGBBitCount != 16 && format.dwRGBBitCount != 32)
        return RESULT_INVALID_COLORDEPTH;
    SetFormat(int(format.dwRGBBitCount), int(format.dwRBitMask), int(format.dwGBitMask),
              int(format.dwBBitMask));
    FillTables();

    mDrawSurface7 = Seventh(mDrawSurface);
    CreateDrawSurfaceImage(mVideoMemoryDraw);
    if (mIs3D)
    {
        // A self test that failed leaves nothing fit to draw with.
        if (mD3DTester && !mD3DTester->mFailureReason.empty())
        {
            mErrorText = "3D init error: " + mD3DTester->mFailureReason;
            return RESULT_3D_FAIL;
        }
        if (!mD3DInterface->Init(this))
        {
            mErrorText = "3D init error: " + gRendererErrorString;
            return RESULT_3D_FAIL;
        }
    }
    mInitialized = true;
    return RESULT_OK;
}

bool DDInterface::Run3DTest(HWND window)
{
    if (mD3DTester || mApp == nullptr || (!mApp->mRun3DTest && !mApp->mAutoEnable3D))
        return false;
    mD3DTester = new D3DTester(mApp);
    mD3DTester->SetVidMemoryConstraints(mApp->m3DTestMinVidMemory, mApp->m3DTestRecVidMemory);
    mD3DTester->Test(window, mDD7);
    const bool failed = !mD3DTester->mFailureReason.empty(), warned = !mD3DTester->mWarning.empty();
    if (mApp->mAutoEnable3D && !failed && !warned)
        mIs3D = true;
    if (failed || (mD3DTester->mNewResult && warned))
        mIs3D = false;
    return true;
}

void DDInterface::RemoveTextureData(MemoryImage* image)
{
    mD3DInterface->RemoveTextureData(image);
}

void DDInterface::FillTables()
{
    auto additive = [](std::vector<int32_t>& table, int bits)
    {
        int max = (1 << bits) - 1;
        table.assign(size_t(2 * max + 1), 0);
        for (int i = 0; i <= 2 * max; i++)
            table[size_t(i)] = std::min(i, max);
    };
    additive(mRedAddTable, mRedBits);
    additive(mGreenAddTable, mGreenBits);
    additive(mBlueAddTable, mBlueBits);
    for (uint32_t v = 0; v < 256; v++)
    {
        mRedConvTable[v] = int32_t(((uint32_t(mRedMask) * v) / 255) & uint32_t(mRedMask));
        mGreenConvTable[v] = int32_t(((uint32_t(mGreenMask) * v) / 255) & uint32_t(mGreenMask));
        mBlueConvTable[v] = int32_t(((uint32_t(mBlueMask) * v) / 255) & uint32_t(mBlueMask));
    }
}

void DDInterface::CreateDrawSurfaceImage(bool videoMemory)
{
    DisplayLock lock(this);
    mVideoMemoryDraw = videoMemory;
    if (mSecondarySurface == nullptr && videoMemory &&
        MakeSurface(DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH, DDSCAPS_VIDEOMEMORY, mWidth, mHeight,
                    &mSecondarySurface) < 0)
        mVideoMemoryDraw = false;
    delete mScreenImage;
    mScreenImage = new DDImage(this);
    IDirectDrawSurface7* seventh = Seventh(mVideoMemoryDraw ? mSecondarySurface : mDrawSurface);
    if (seventh)
    {
        mScreenImage->SetSurface(seventh);
        seventh->Release();
    }
    mScreenImage->mNoSoftwareDraw = mVideoMemoryDraw;
    mScreenImage->mVideoMemory = mVideoMemoryDraw;
    mScreenImage->SetImageMode(false, false);
}

void DDInterface::AddDDImage(DDImage* image)
{
    DisplayLock lock(this);
    mDDImageSet.insert(image);
}

void DDInterface::RemoveDDImage(DDImage* image)
{
    DisplayLock lock(this);
    mDDImageSet.erase(image);
}

void DDInterface::Cleanup()
{
    DisplayLock lock(this);
    mInitialized = false;
    mD3DInterface->RemoveAllTextureData();
    mD3DInterface->Cleanup();
    delete mOldCursorAreaImage;
    delete mNewCursorAreaImage;
    mOldCursorAreaImage = mNewCursorAreaImage = nullptr;
    ReleaseOf(mOldCursorArea);
    ReleaseOf(mNewCursorArea);
    delete mScreenImage;
    mScreenImage = nullptr;
    ReleaseOf(mDrawSurface7);
    ReleaseOf(mDrawSurface);
    ReleaseOf(mSecondarySurface);
    ReleaseOf(mPrimarySurface);
    if (mDD)
    {
        mDD->SetCooperativeLevel(mHWnd, DDSCL_NORMAL);
        ReleaseOf(mDD);
    }
    ReleaseOf(mDD7);
}

POINT DDInterface::ClientOrigin() const
{
    POINT origin{0, 0};
    if (mHWnd)
        ClientToScreen(mHWnd, &origin);
    return origin;
}

bool DDInterface::Redraw(RECT* clip)
{
    DisplayLock lock(this);
    if (!mInitialized)
        return false;
    mInRedraw = true;
    if (mIs3D)
    {
        // A renderer failure during the frame: the next start of the display is 2-D.
        if (!gRendererErrorString.empty())
        {
            mErrorText = gRendererErrorString;
            gRendererErrorString.clear();
            mIs3D = false;
            mInRedraw = false;
            return false;
        }
        mD3DInterface->Flush();
    }
    RECT source = clip ? *clip : RECT{0, 0, mWidth, mHeight};
    POINT origin = ClientOrigin();
    RECT dest{source.left + origin.x, source.top + origin.y, source.right + origin.x,
              source.bottom + origin.y};
    DDBLTFX fx{};
    fx.dwSize = sizeof(DDBLTFX);
    HRESULT result;
    bool ok;
    if (mIsWindowed)
    {
        // The cursor goes into the frame at its client position and out again once presented.
        IDirectDrawSurface* frame = mVideoMemoryDraw ? mSecondarySurface : mDrawSurface;
        mCursorDrawnX = mCursorX;
        mCursorDrawnY = mCursorY;
        DrawCursor(frame, false);
        bool painted = mCursorDrawn;
        result = mPrimarySurface->Blt(&dest, frame, &source, DDBLT_WAIT, &fx);
        if (painted)
        {
            RestoreCursorArea(frame, false);
            mCursorDrawn = true;
        }
        ok = !CheckDXResult("Redraw Windowed", result);
    }
    else if (!mApp->mPopupActive)
    {
        if (!mVideoMemoryDraw)
            mSecondarySurface->Blt(nullptr, mDrawSurface, nullptr, DDBLT_WAIT, &fx);
        mCursorDrawnX = mCursorX;
        mCursorDrawnY = mCursorY;
        DrawCursor(mSecondarySurface, true);
        result = mPrimarySurface->Flip(nullptr, DDFLIP_WAIT);
        ok = !CheckDXResult("Redraw FullScreen Flip", result);
    }
    else
    {
        result = mPrimarySurface->Blt(&dest, mDrawSurface, &source, DDBLT_WAIT, &fx);
        ok = !CheckDXResult("Redraw FullScreen Blt", result);
    }
    mInRedraw = false;
    return ok;
}

bool DDInterface::FlipToGDISurface()
{
    if (mDD == nullptr)
        return false;
    mDD->FlipToGDISurface();
    return true;
}

bool DDInterface::SetCursorImage(Image* image)
{
    DisplayLock lock(this);
    if (mCursorImage == image)
        return false;
    mCursorImage = image;
    return true;
}

} // namespace Lumo
