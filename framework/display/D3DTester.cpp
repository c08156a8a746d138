// The self test: video memory, the card and its driver, the texture formats, and five small
// drawings read back from the screen. The verdict is stored under the settings key's "Test3D".
#include "display/D3DTester.h"

#include "app/Common.h"
#include "app/LumoAppBase.h"
#include "audio/SdlHints.h"
#include "d3d/d3d8.h"
#include "display/D3DInterface.h"
#include "display/DirectXErrors.h"
#include "win32/gdi32.h"
#include "win32/kernel32.h"

#include <cstdio>
#include <cstring>
#include <fstream>

namespace Lumo
{

namespace
{
constexpr DWORD kRecordVersion = 2;
} // namespace

// The card description fragments of a list file, trimmed, blank lines left out; none when the
// file is missing. A line holding a NUL byte is not text and matches no card (read as a C string,
// "\0xyz" would be empty and match every card).
bool ForEachCardLine(const char* fileName, const std::function<bool(const std::string&)>& onLine)
{
    std::ifstream file(Platform::HostPath(fileName));
    if (!file)
        return false;
    std::string line;
    while (std::getline(file, line))
    {
        line = Trim(line);
        if (!line.empty() && line.find('\0') == std::string::npos && onLine(line))
            break;
    }
    return true;
}

bool CardListMatches(const char* fileName, const std::string& description, bool& matches)
{
    matches = false;
    return ForEachCardLine(fileName, [&](const std::string& line)
                           { return matches = FindNoCase(description.c_str(), line.c_str()) >= 0; });
}

namespace
{
uint32_t Distance(uint32_t a, uint32_t b)
{
    uint32_t sum = 0;
    for (int shift = 0; shift < 24; shift += 8)
    {
        int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        sum += uint32_t(d * d);
    }
    return sum;
}

// A channel of a surface pixel moved so that its highest mask bit lands on bit `top`.
uint32_t Placed(uint32_t pixel, uint32_t mask, int top)
{
    if (mask == 0)
        return 0;
    int highest = 31 - std::countl_zero(mask);
    uint32_t value = pixel & mask;
    return highest > top ? value >> (highest - top) : value << (top - highest);
}
} // namespace

std::string SelfTestKeyPath(const std::string& registryKey)
{
    return "SOFTWARE\\" + registryKey + "\\Test3D";
}

// ---- the test picture -------------------------------------------------------------------------

D3DTestImage::D3DTestImage() : D3DTestImage(64, 64) {}

D3DTestImage::D3DTestImage(int width, int height)
    : mWidth(width), mHeight(height), mBits(size_t(width) * size_t(height), 0)
{
}

void D3DTestImage::FillRect(int x, int y, int width, int height, uint32_t color)
{
    for (int j = std::max(y, 0); j < std::min(y + height, mHeight); j++)
        for (int i = std::max(x, 0); i < std::min(x + width, mWidth); i++)
            mBits[size_t(j) * size_t(mWidth) + size_t(i)] = color;
}

void D3DTestImage::FillStripes()
{
    for (int y = 0; y < mHeight; y++)
        for (int x = 0; x < mWidth; x++)
            mBits[size_t(y) * size_t(mWidth) + size_t(x)] = (x & 1) ? 0xFFFFFFFF : 0xFF000000;
}

void D3DTestImage::Draw(IDirect3DDevice7* device, IDirectDrawSurface7* texture, int format, int x, int y,
                        uint32_t color)
{
    for (int ty = 0; ty < mHeight; ty += 64)
        for (int tx = 0; tx < mWidth; tx += 64)
        {
            DDSURFACEDESC2 desc{};
            desc.dwSize = sizeof(desc);
            D3DTester::CheckDX("Lock Texture", texture->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr));
            const int w = std::min(64, mWidth - tx), h = std::min(64, mHeight - ty);
            for (int j = 0; j < 64; j++)
            {
                auto* row = static_cast<uint8_t*>(desc.lpSurface) + long(j) * desc.lPitch;
                for (int i = 0; i < 64; i++)
                {
                    uint32_t p = i < w && j < h ? mBits[size_t(ty + j) * size_t(mWidth) + size_t(tx + i)] : 0;
                    if (format == A4R4G4B4)
                        reinterpret_cast<uint16_t*>(row)[i] = ToA4R4G4B4(p);
                    else
                        reinterpret_cast<uint32_t*>(row)[i] = p;
                }
            }
            D3DTester::CheckDX("Texture Unlock", texture->Unlock(nullptr));
            float left = float(x + tx) - 0.5f, top = float(y + ty) - 0.5f;
            D3DTLVERTEX quad[4] = {{left, top, 0, 1, color, 0, 0, 0},
                                   {left + 64, top, 0, 1, color, 0, 1, 0},
                                   {left, top + 64, 0, 1, color, 0, 0, 1},
                                   {left + 64, top + 64, 0, 1, color, 0, 1, 1}};
            D3DTester::CheckDX("SetTexture theTexture", device->SetTexture(0, texture));
            D3DTester::CheckDX("DrawPrimitive",
                               device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, quad, 4, 0));
            D3DTester::CheckDX("SetTexture NULL", device->SetTexture(0, nullptr));
        }
}

// ---- the tester ---------------------------------------------------------------------------------

D3DTester::D3DTester(LumoAppBase* app) : mApp(app) {}

D3DTester::~D3DTester()
{
    Reset();
}

void D3DTester::SetVidMemoryConstraints(int minMB, int recommendedMB)
{
    mMinVidMemory = minMB;
    mRecVidMemory = recommendedMB;
}

bool D3DTester::Fail(const std::string& text)
{
    mFailureReason = text;
    return false;
}

bool D3DTester::Warn(const std::string& text)
{
    mWarning = text;
    return true;
}

void D3DTester::CheckDX(const char* context, HRESULT result)
{
    if (result < 0)
        throw TestException("DXError - " + std::string(context) + ": " + GetDirectXErrorString(result));
}

void D3DTester::Reset()
{
    ReleaseOf(mD3DDevice);
    ReleaseOf(mTextures[0]);
    ReleaseOf(mTextures[1]);
    ReleaseOf(mPrimarySurface);
    ReleaseOf(mD3D);
    ReleaseOf(mDD);
    if (mRegKey)
        RegCloseKey(mRegKey);
    mRegKey = nullptr;
}

void D3DTester::Test(HWND window, IDirectDraw7* dd)
{
    const bool testing = mApp == nullptr || !mApp->mPlayingDemo;
    // Under an address-space limit the layer never loads the graphics driver: a test would take
    // SDL's own renderer for a new card and replace the stored verdict, and the player's "Is3D"
    // with it. Nothing is tested or stored; this run draws in 2-D.
    if (testing && Platform::AddressSpaceLimited())
        Fail("Not tested under an address-space limit.");
    else if (testing)
    {
        mSavePending = false;
        bool passed;
        try
        {
            passed = RunTest(window, dd);
        }
        catch (const TestException& e)
        {
            passed = Fail(e.what());
        }
        if (!passed && mUseRegistry && !mSavePending)
        {
            mNewResult = mRegKey == nullptr || RegQueryValueExA(mRegKey, "FailureReason", nullptr, nullptr,
                                                                nullptr, nullptr) != ERROR_SUCCESS;
            mSavePending = true;
        }
        if (passed)
            RunDrawTests();
        if (mSavePending)
            SaveResults();
        Reset();
    }
    // A demo keeps the verdicts of the machine it was recorded on.
    if (mApp)
    {
        mApp->DemoSyncString(mFailureReason);
        mApp->DemoSyncString(mWarning);
        mApp->DemoSyncBool(mNewResult);
    }
}

bool D3DTester::RunTest(HWND window, IDirectDraw7* dd)
{
    Reset();
    if (mUseRegistry && mApp)
    {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, SelfTestKeyPath(mApp->mRegistryKey).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &mRegKey, nullptr) != ERROR_SUCCESS)
            mRegKey = nullptr;
    }

    if (dd)
    {
        // The display's object: the tester holds its own reference while it keeps it.
        mDD = dd;
        mDD->AddRef();
    }
    else
    {
        HMODULE ddraw = mApp ? mApp->GetDDrawModule() : nullptr;
        auto create = ddraw ? reinterpret_cast<LPDIRECTDRAWCREATEEX>(
                                  reinterpret_cast<void*>(GetProcAddress(ddraw, "DirectDrawCreateEx")))
                            : nullptr;
        if (create == nullptr)
            return Fail("No DirectDrawCreateEx");
        CheckDX("DirectDrawCreateEx", create(nullptr, (void**)&mDD, IID_IDirectDraw7, nullptr));
    }

    if (!GetD3D8AdapterInfo(mDisplayGUID, mDriver, mDescription))
    {
        DDDEVICEIDENTIFIER2 identifier{};
        CheckDX("GetDeviceIdentifier", mDD->GetDeviceIdentifier(&identifier, 0));
        mDisplayGUID = identifier.guidDeviceIdentifier;
        mDriver = identifier.szDriver;
        mDescription = identifier.szDescription;
    }

    HDC screen = GetDC(nullptr);
    uint32_t width = uint32_t(GetDeviceCaps(screen, HORZRES));
    uint32_t height = uint32_t(GetDeviceCaps(screen, VERTRES));
    uint32_t bits = uint32_t(GetDeviceCaps(screen, BITSPIXEL));
    ReleaseDC(nullptr, screen);
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_VIDEOMEMORY;
    DWORD total = 0, free = 0;
    HRESULT memory = mDD->GetAvailableVidMem(&caps, &total, &free);
    if (memory >= 0)
    {
        uint32_t megabytes = ((bits / 8) * width * height + total) >> 20;
        if (megabytes < uint32_t(mMinVidMemory))
            return Fail("Not enough video memory.");
        if (megabytes < uint32_t(mRecVidMemory))
            Warn("Low video memory.");
    }
    else
        Warn("GetAvailableVidMem failed: " + GetDirectXErrorString(memory));

    if (mUseRegistry)
    {
        if (LoadResults())
            return false; // the stored verdict stands
        mSavePending = true;
        // The graphics driver is put to work next, and may crash: what start-up stored so far
        // (the running mark among it) is on the disk first.
        RegFlushKey(HKEY_LOCAL_MACHINE);
    }

    FindDriverYear();
    if (!IsSupportedCard())
        Warn("Unsupported video card: " + mDescription);

    CheckDX("QueryInterface IID_IDirect3D7", mDD->QueryInterface(IID_IDirect3D7, (void**)&mD3D));
    CheckDX("SetCooperativeLevel", mDD->SetCooperativeLevel(window, DDSCL_NORMAL));
    DDSURFACEDESC2 primary{};
    primary.dwSize = sizeof(primary);
    primary.dwFlags = DDSD_CAPS;
    primary.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_3DDEVICE;
    CheckDX("CreateSurface (Primary)", mDD->CreateSurface(&primary, &mPrimarySurface, nullptr));
    CheckDX("CreateDevice", mD3D->CreateDevice(IID_IDirect3DHALDevice, mPrimarySurface, &mD3DDevice));
    int formats = 0;
    CheckDX("EnumTextureFormats", mD3DDevice->EnumTextureFormats(AddTextureFormat, &formats));

    mTextureFormat = A8R8G8B8;
    if (!(formats & A8R8G8B8))
    {
        Warn("A8R8G8B8 texture format not supported.");
        if (!(formats & A4R4G4B4))
            return Fail("A4R4G4B4 and A8R8G8B8 texture formats not supported.");
        mTextureFormat = A4R4G4B4;
    }
    const char* contexts[2] = {"CreateSurface (TextureSurface1)", "CreateSurface (TextureSurfacd2)"};
    for (int i = 0; i < 2; i++)
    {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc.dwWidth = 64;
        desc.dwHeight = 64;
        desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
        desc.ddsCaps.dwCaps2 = DDSCAPS2_D3DTEXTUREMANAGE;
        desc.ddpfPixelFormat = MakePixelFormat(mTextureFormat);
        CheckDX(contexts[i], mDD->CreateSurface(&desc, &mTextures[i], nullptr));
    }
    return true;
}

bool D3DTester::GetD3D8AdapterInfo(GUID& guid, std::string& driver, std::string& description)
{
    HMODULE module = LoadLibraryA("d3d8.dll");
    if (module == nullptr)
        return false;
    bool found = false;
    auto create = reinterpret_cast<LPDIRECT3DCREATE8>(
        reinterpret_cast<void*>(GetProcAddress(module, "Direct3DCreate8")));
    if (IDirect3D8* d3d = create ? create(D3D_SDK_VERSION) : nullptr)
    {
        D3DADAPTER_IDENTIFIER8 identifier{};
        if (d3d->GetAdapterIdentifier(D3DADAPTER_DEFAULT, D3DENUM_NO_WHQL_LEVEL, &identifier) >= 0)
        {
            guid = identifier.DeviceIdentifier;
            identifier.Driver[sizeof identifier.Driver - 1] = 0;
            identifier.Description[sizeof identifier.Description - 1] = 0;
            driver = identifier.Driver;
            description = identifier.Description;
            found = true;
        }
        d3d->Release();
    }
    FreeLibrary(module);
    return found;
}

bool D3DTester::LoadResults()
{
    mNewResult = true;
    if (mRegKey == nullptr)
        return false;
    auto readDword = [&](const char* name, DWORD& value)
    {
        DWORD type = 0, size = sizeof(value);
        return RegQueryValueExA(mRegKey, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                   ERROR_SUCCESS &&
               type == REG_DWORD && size == sizeof(value);
    };
    auto readString = [&](const char* name, std::string& value)
    {
        char text[4096] = {};
        DWORD type = 0, size = sizeof(text);
        if (RegQueryValueExA(mRegKey, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ)
            return false;
        value.assign(text, strnlen(text, std::min<size_t>(size, sizeof(text))));
        return true;
    };
    DWORD version = 0, minimum = 0, recommended = 0;
    if (!readDword("Version", version) || version != kRecordVersion || !readDword("MinVidMemory", minimum) ||
        minimum != DWORD(mMinVidMemory) || !readDword("RecVidMemory", recommended) ||
        recommended != DWORD(mRecVidMemory))
        return false;
    GUID stored{};
    DWORD type = 0, size = sizeof(stored);
    if (RegQueryValueExA(mRegKey, "DisplayGUID", nullptr, &type, reinterpret_cast<BYTE*>(&stored), &size) !=
            ERROR_SUCCESS ||
        size != sizeof(stored) || std::memcmp(&stored, &mDisplayGUID, sizeof(stored)) != 0)
        return false;
    std::string failure, warning;
    if (!readString("FailureReason", failure) || !readString("Warning", warning))
        return false;
    mFailureReason = failure;
    mWarning = warning;
    mNewResult = false;
    return true;
}

void D3DTester::SaveResults()
{
    if (mRegKey == nullptr)
        return;
    auto writeDword = [&](const char* name, DWORD value)
    { RegSetValueExA(mRegKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)); };
    auto writeString = [&](const char* name, const std::string& value)
    {
        RegSetValueExA(mRegKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD(value.size() + 1));
    };
    writeDword("Version", kRecordVersion);
    writeDword("MinVidMemory", DWORD(mMinVidMemory));
    writeDword("RecVidMemory", DWORD(mRecVidMemory));
    RegSetValueExA(mRegKey, "DisplayGUID", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&mDisplayGUID),
                   sizeof(mDisplayGUID));
    writeString("FailureReason", mFailureReason);
    writeString("Warning", mWarning);
}

void D3DTester::FindDriverYear()
{
    mDriverYear = 0;
    char folder[260] = {};
    if (mDriver.empty() || GetSystemDirectoryA(folder, sizeof folder) == 0)
        return;
    std::string path = std::string(folder) + "\\" + mDriver;
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    FILETIME written{};
    SYSTEMTIME date{};
    if (GetFileTime(file, nullptr, nullptr, &written) && FileTimeToSystemTime(&written, &date))
        mDriverYear = date.wYear;
    CloseHandle(file);
}

bool D3DTester::IsSupportedCard()
{
    bool listed = false;
    if (CardListMatches("vhwb.dat", mDescription, listed) && listed)
        return false;
    if (CardListMatches("vhw.dat", mDescription, listed))
        return listed;
    if (mDriverYear >= 2002)
        return true;
    for (const char* maker : {"nvidia", "radeon", "ati "})
        if (FindNoCase(mDescription.c_str(), maker) >= 0)
            return true;
    return false;
}

// ---- the draw tests -----------------------------------------------------------------------------

void D3DTester::CopyPrimary()
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    CheckDX("CopyPrimary Lock", mPrimarySurface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr));
    const DDPIXELFORMAT& f = desc.ddpfPixelFormat;
    const DWORD depth = f.dwRGBBitCount;
    if (depth == 16 || depth == 32)
    {
        mScreenCopy = D3DTestImage(64, 64);
        const int w = std::min<int>(64, int(desc.dwWidth)), h = std::min<int>(64, int(desc.dwHeight));
        for (int y = 0; y < h; y++)
        {
            const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + long(y) * desc.lPitch;
            for (int x = 0; x < w; x++)
            {
                uint32_t p = depth == 16 ? reinterpret_cast<const uint16_t*>(row)[x]
                                         : reinterpret_cast<const uint32_t*>(row)[x];
                mScreenCopy.mBits[size_t(y) * 64 + size_t(x)] = 0xFF000000 | Placed(p, f.dwRBitMask, 23) |
                                                                Placed(p, f.dwGBitMask, 15) |
                                                                Placed(p, f.dwBBitMask, 7);
            }
        }
    }
    mPrimarySurface->Unlock(nullptr);
    if (depth == 24)
        throw TestException("Can't test 24-bit mode.");
    if (depth != 16 && depth != 32)
        throw TestException("Invalid Color Depth");
}

void D3DTester::BeginTestScene(DWORD srcBlend, DWORD destBlend, bool modulateAlpha)
{
    static const char* const kBlendNames[] = {"",
                                              "D3DBLEND_ZERO",
                                              "D3DBLEND_ONE",
                                              "D3DBLEND_SRCCOLOR",
                                              "D3DBLEND_INVSRCCOLOR",
                                              "D3DBLEND_SRCALPHA",
                                              "D3DBLEND_INVSRCALPHA"};
    IDirect3DDevice7* d = mD3DDevice;
    CheckDX("BeginScene", d->BeginScene());
    CheckDX("Clear", d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0));
    CheckDX("D3DRENDERSTATE_ALPHABLENDENABLE, TRUE",
            d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE));
    CheckDX(("D3DRENDERSTATE_SRCBLEND, " + std::string(kBlendNames[srcBlend])).c_str(),
            d->SetRenderState(D3DRENDERSTATE_SRCBLEND, srcBlend));
    CheckDX(("D3DRENDERSTATE_DESTBLEND, " + std::string(kBlendNames[destBlend])).c_str(),
            d->SetRenderState(D3DRENDERSTATE_DESTBLEND, destBlend));
    CheckDX("D3DRENDERSTATE_CULLMODE, D3DCULL_NONE",
            d->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE));
    if (modulateAlpha)
        CheckDX("D3DTSS_ALPHAOP, D3DTOP_MODULATE",
                d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE));
}

void D3DTester::DrawPair(DWORD srcBlend, DWORD destBlend, uint32_t first, uint32_t second,
                         uint32_t secondColor, bool modulateAlpha)
{
    BeginTestScene(srcBlend, destBlend, modulateAlpha);
    IDirect3DDevice7* d = mD3DDevice;
    D3DTestImage image;
    image.FillRect(0, 0, 64, 64, first);
    image.Draw(d, mTextures[0], mTextureFormat, 0, 0, 0xFFFFFFFF);
    image.FillRect(0, 0, 64, 64, second);
    image.Draw(d, mTextures[1], mTextureFormat, 0, 0, secondColor);
    CheckDX("EndScene", d->EndScene());
    CopyPrimary();
}

bool D3DTester::CheckBlend(uint32_t expected, const char* unsupported, const char* notUniform)
{
    bool uniform = true;
    const uint32_t corner = mScreenCopy.mBits[0];
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 10; x++)
        {
            uint32_t p = mScreenCopy.mBits[size_t(y) * 64 + size_t(x)];
            if (Distance(p, expected) > 0x300)
                return Fail(unsupported);
            uniform = uniform && p == corner;
        }
    return uniform || Warn(notUniform);
}

bool D3DTester::TestAlphaBlend()
{
    DrawPair(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0xFF0000FF, 0x80FF0000, 0xFFFFFFFF, false);
    return CheckBlend(0x7F007F, "Alpha blend Not Supported", "Alpha blend test not uniform.");
}

bool D3DTester::TestAdditiveBlend()
{
    DrawPair(D3DBLEND_ONE, D3DBLEND_ONE, 0xFF404040, 0xFF404040, 0xFFFFFFFF, false);
    return CheckBlend(0x808080, "Additive blend not supported.", "Additive blend test not uniform.");
}

bool D3DTester::TestAlphaAddBlend()
{
    DrawPair(D3DBLEND_SRCALPHA, D3DBLEND_ONE, 0xFF404040, 0x80808080, 0xFFFFFFFF, false);
    return CheckBlend(0x808080, "AlphaAdd blend not supported.", "AlphaAdd blend test not uniform.");
}

bool D3DTester::TestAlphaModulatedBlend()
{
    DrawPair(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0xFF0000FF, 0xFFFF0000, 0x80FFFFFF, true);
    return CheckBlend(0x7F007F, "AlphaModulated blend not supported.",
                      "AlphaModulated blend test not uniform.");
}

bool D3DTester::TestClip()
{
    BeginTestScene(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, false);
    IDirect3DDevice7* d = mD3DDevice;
    D3DTestImage stripes;
    stripes.FillStripes();
    stripes.Draw(d, mTextures[0], mTextureFormat, -2, -2, 0xFFFFFFFF);
    CheckDX("EndScene", d->EndScene());
    CopyPrimary();
    for (int y = 0; y < 62; y++)
        for (int x = 0; x < 62; x++)
            if (Distance(mScreenCopy.mBits[size_t(y) * 64 + size_t(x)], (x & 1) ? 0xFFFFFF : 0) > 0x300)
                return Warn("Clip problem detected.");
    return true;
}

bool D3DTester::RunDrawTests()
{
    try
    {
        return TestAlphaBlend() && TestAdditiveBlend() && TestAlphaAddBlend() && TestAlphaModulatedBlend() &&
               TestClip();
    }
    catch (const TestException& e)
    {
        return Fail(e.what());
    }
}

} // namespace Lumo
