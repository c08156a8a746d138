// The device, the scene and its states, and the pictures' textures.
#include "display/D3DInterface.h"

#include "app/CriticalSection.h"
#include "app/LumoAppBase.h"
#include "display/D3DTester.h"
#include "display/DDInterface.h"
#include "display/DirectXErrors.h"
#include "graphics/MemoryImage.h"
#include "win32/advapi32.h"
#include "win32/user32.h"

namespace Lumo
{

std::string gRendererErrorString;
std::atomic<bool> gD3DRenderTargetLost{false};

namespace
{
// The filter the device's first texture stage uses now.
bool gLinearFilter = false;
} // namespace

D3DInterface::D3DInterface()
{
    gTextureLimits = TextureLimits();
}

D3DInterface::~D3DInterface()
{
    RemoveAllTextureData();
    Cleanup();
}

bool D3DInterface::CheckDXError(const char* context, HRESULT result)
{
    if (result >= 0)
        return false;
    // The first failure of a frame is the one kept and stored.
    if (gRendererErrorString.empty())
    {
        gRendererErrorString = std::string(context) + ": " + GetDirectXErrorString(result);
        // Straight to the registry: it is no input of the game, so it stays out of a recorded or
        // played demo.
        LumoAppBase* app = mDDInterface ? mDDInterface->mApp : nullptr;
        // It reaches the disk at once, even during start-up: a crash may follow.
        if (app && !app->mRegistryKey.empty())
        {
            app->WriteRegistryValue(SelfTestKeyPath(app->mRegistryKey), "RuntimeError", REG_SZ,
                                    gRendererErrorString.c_str(), DWORD(gRendererErrorString.size() + 1));
            RegFlushKey(HKEY_LOCAL_MACHINE);
        }
    }
    return true;
}

bool D3DInterface::Init(DDInterface* display)
{
    gRendererErrorString.clear();
    Cleanup();
    mDDInterface = display;
    mDD = display->mDD7;
    if (mDD)
        mDD->AddRef();
    mHWnd = display->mHWnd;
    mWidth = display->mWidth;
    mHeight = display->mHeight;
    mDrawSurface = nullptr;
    HRESULT query = display->mDrawSurface ? display->mDrawSurface->QueryInterface(IID_IDirectDrawSurface7,
                                                                                  (void**)&mDrawSurface)
                                          : DDERR_NOTINITIALIZED;
    if (CheckDXError("Query DrawSurface", query))
        return false;
    mIsWindowed = display->mIsWindowed;
    return InitDevice();
}

void D3DInterface::Cleanup()
{
    mSceneBegun = false;
    ReleaseOf(mD3DDevice);
    ReleaseOf(mD3D);
    ReleaseOf(mDrawSurface);
    ReleaseOf(mDD);
}

TextureLimits TextureLimitsOf(const D3DDEVICEDESC7& desc)
{
    TextureLimits limits;
    if (desc.dwMaxTextureWidth == 0)
        return limits; // 64 x 64 pieces, square
    limits.mMinWidth = int(std::max<DWORD>(desc.dwMinTextureWidth, 1));
    limits.mMinHeight = int(std::max<DWORD>(desc.dwMinTextureHeight, 1));
    limits.mMaxWidth = int(std::min<DWORD>(desc.dwMaxTextureWidth, 1024));
    limits.mMaxHeight = int(std::min<DWORD>(desc.dwMaxTextureHeight, 1024));
    limits.mMaxAspectRatio =
        desc.dwMaxTextureAspectRatio == 0 ? 65536 : int(std::min<DWORD>(desc.dwMaxTextureAspectRatio, 65536));
    return limits;
}

bool D3DInterface::InitDevice()
{
    if (mDD == nullptr)
        return !CheckDXError("QueryInterface IID_IDirect3D7", DDERR_NOTINITIALIZED);
    if (CheckDXError("QueryInterface IID_IDirect3D7", mDD->QueryInterface(IID_IDirect3D7, (void**)&mD3D)) ||
        CheckDXError("CreateDevice IID_IDirect3DHALDevice",
                     mD3D->CreateDevice(IID_IDirect3DHALDevice, mDrawSurface, &mD3DDevice)))
        return false;
    D3DDEVICEDESC7 desc{};
    if (CheckDXError("GetCaps", mD3DDevice->GetCaps(&desc)))
        return false;

    TextureLimits& limits = gTextureLimits;
    limits = TextureLimitsOf(desc);
    gLinearFilter = false;

    limits.mFormats = 0;
    if (CheckDXError("EnumTextureFormats",
                     mD3DDevice->EnumTextureFormats(AddTextureFormat, &limits.mFormats)))
        return false;
    if (!(desc.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_ALPHAPALETTE))
        limits.mFormats &= ~Palette8;

    RECT client{0, 0, mWidth, mHeight};
    if (mHWnd && GetClientRect(mHWnd, &client))
    {
        POINT topLeft{client.left, client.top}, bottomRight{client.right, client.bottom};
        ClientToScreen(mHWnd, &topLeft);
        ClientToScreen(mHWnd, &bottomRight);
        client = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    }
    mViewport = D3DVIEWPORT7{0,
                             0,
                             DWORD(std::max<LONG>(client.right - client.left, 0)),
                             DWORD(std::max<LONG>(client.bottom - client.top, 0)),
                             0.0f,
                             1.0f};
    if (mViewport.dwWidth == 0 || mViewport.dwHeight == 0)
    {
        mViewport.dwWidth = DWORD(mWidth);
        mViewport.dwHeight = DWORD(mHeight);
    }
    if (CheckDXError("SetViewport", mD3DDevice->SetViewport(&mViewport)) ||
        CheckDXError("Clear", mD3DDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0)))
        return false;
    return true;
}

bool D3DInterface::BeginSceneIfNeeded()
{
    if (mD3DDevice == nullptr || (mDDInterface && mDDInterface->mApp && mDDInterface->mApp->mMinimized))
        return false;
    if (mSceneBegun)
        return true;
    if (mD3DDevice->SetRenderTarget(mDrawSurface, 0) < 0)
    {
        gD3DRenderTargetLost = true;
        return false;
    }
    gD3DRenderTargetLost = false;
    if (CheckDXError("BeginScene", mD3DDevice->BeginScene()))
        return false;
    IDirect3DDevice7* d = mD3DDevice;
    d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_POINT);
    d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_POINT);
    d->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_NONE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    d->SetRenderState(D3DRENDERSTATE_DITHERENABLE, FALSE);
    d->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, FALSE);
    d->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, FALSE);
    d->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
    d->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    mSceneBegun = true;
    gLinearFilter = false;
    return true;
}

void D3DInterface::Flush()
{
    // The error text stays: the present reads it, even after a mid-frame flush for system text.
    if (!mSceneBegun)
        return;
    if (mD3DDevice)
        mD3DDevice->EndScene();
    mSceneBegun = false;
}

void D3DInterface::SetDrawMode(int drawMode)
{
    mD3DDevice->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    mD3DDevice->SetRenderState(D3DRENDERSTATE_DESTBLEND, drawMode == 0 ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE);
}

void D3DInterface::SetLinearFilter(bool linear)
{
    if (linear == gLinearFilter || mD3DDevice == nullptr)
        return;
    const char* context = linear ? "SetTextureStageState LINEAR" : "SetTextureStageState Point";
    if (CheckDXError(context, mD3DDevice->SetTextureStageState(0, D3DTSS_MINFILTER,
                                                               linear ? D3DTFN_LINEAR : D3DTFN_POINT)) ||
        CheckDXError(context, mD3DDevice->SetTextureStageState(0, D3DTSS_MAGFILTER,
                                                               linear ? D3DTFG_LINEAR : D3DTFG_POINT)) ||
        CheckDXError(context, mD3DDevice->SetTextureStageState(0, D3DTSS_MIPFILTER, linear ? 2 : 1)))
        return;
    gLinearFilter = linear;
}

bool D3DInterface::EnsureTextureData(MemoryImage* image)
{
    auto* data = static_cast<TextureData*>(image->mTextureData);
    if (data == nullptr)
    {
        data = new TextureData();
        AutoCrit lock(DisplayLockOf(mDDInterface));
        image->mTextureData = data;
        mImageSet.insert(image);
    }
    return data->Update(this, image);
}

void D3DInterface::RemoveTextureData(MemoryImage* image)
{
    TextureData* data;
    {
        AutoCrit lock(DisplayLockOf(mDDInterface));
        data = static_cast<TextureData*>(image->mTextureData);
        image->mTextureData = nullptr;
        mImageSet.erase(image);
    }
    delete data;
}

void D3DInterface::RemoveAllTextureData()
{
    // Taken from their pictures under the lock: a picture going on another thread meanwhile finds
    // nothing left to drop.
    std::vector<TextureData*> dropped;
    {
        AutoCrit lock(DisplayLockOf(mDDInterface));
        for (MemoryImage* image : mImageSet)
        {
            dropped.push_back(static_cast<TextureData*>(image->mTextureData));
            image->mTextureData = nullptr;
        }
        mImageSet.clear();
    }
    for (TextureData* data : dropped)
        delete data;
}

bool D3DInterface::CopyTextureToImage(MemoryImage* image)
{
    auto* data = static_cast<TextureData*>(image->mTextureData);
    return data != nullptr && data->CopyToImage(image);
}

} // namespace Lumo
