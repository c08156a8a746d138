// The 3-D self test: whether this machine draws through Direct3D well enough to use it. Its verdict
// (a failure reason, a warning, or neither) is kept in the registry for later starts.
#pragma once

#include "d3d/d3d.h"
#include "win32/advapi32.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace Lumo
{

class LumoAppBase;

// The registry key of the self test's record (and of the renderer's last failure), below
// HKEY_LOCAL_MACHINE, for the application's settings key.
std::string SelfTestKeyPath(const std::string& registryKey);

// Hands each card description fragment of a card list (vhw.dat, vhwb.dat) to `onLine`, trimmed,
// blank lines and lines holding a NUL byte left out, until it returns true; false when the file is
// missing. One line is held at a time: a list of tens of MB is not kept in memory.
bool ForEachCardLine(const char* fileName, const std::function<bool(const std::string&)>& onLine);
// Whether a fragment of the list occurs in the description, case ignored; false when the file is
// missing.
bool CardListMatches(const char* fileName, const std::string& description, bool& matches);

// A small 32-bit picture the draw tests upload and draw.
class D3DTestImage
{
public:
    int mWidth = 64;
    int mHeight = 64;
    std::vector<uint32_t> mBits;

    D3DTestImage();
    D3DTestImage(int width, int height);
    virtual ~D3DTestImage() = default;

    void FillRect(int x, int y, int width, int height, uint32_t color);
    // Column x white when odd, black when even.
    void FillStripes();
    // Uploads into the texture (of the given format) and draws it in 64 x 64 tiles from (x, y).
    void Draw(IDirect3DDevice7* device, IDirectDrawSurface7* texture, int format, int x, int y,
              uint32_t color);
};

class D3DTester
{
public:
    class TestException : public std::exception
    {
    public:
        explicit TestException(std::string message) : mMessage(std::move(message)) {}
        const char* what() const noexcept override { return mMessage.c_str(); }

    private:
        std::string mMessage;
    };

    IDirectDraw7* mDD = nullptr;
    IDirectDrawSurface7* mPrimarySurface = nullptr;
    IDirectDrawSurface7* mTextures[2] = {};
    IDirect3D7* mD3D = nullptr;
    IDirect3DDevice7* mD3DDevice = nullptr;
    HKEY mRegKey = nullptr;
    GUID mDisplayGUID{};
    std::string mDriver;
    std::string mDescription;
    D3DTestImage mScreenCopy;
    std::string mFailureReason;
    std::string mWarning;
    int mMinVidMemory = 0;
    int mRecVidMemory = 0;
    bool mUseRegistry = true;
    bool mSavePending = false;
    bool mNewResult = false;
    int mDriverYear = 0;
    // The application: its registry key, its demo state and its ddraw.dll.
    LumoAppBase* mApp = nullptr;
    // The texture format the draw tests upload in.
    int mTextureFormat = 0;

    explicit D3DTester(LumoAppBase* app);
    virtual ~D3DTester();
    D3DTester(const D3DTester&) = delete;
    D3DTester& operator=(const D3DTester&) = delete;

    void SetVidMemoryConstraints(int minMB, int recommendedMB);
    void Test(HWND window, IDirectDraw7* dd);
    bool Fail(const std::string& text);
    bool Warn(const std::string& text);
    // A failed call throws the test's exception.
    static void CheckDX(const char* context, HRESULT result);
    static bool GetD3D8AdapterInfo(GUID& guid, std::string& driver, std::string& description);

    // The parts of the test, each usable alone.
    bool RunTest(HWND window, IDirectDraw7* dd);
    bool LoadResults();
    void SaveResults();
    bool IsSupportedCard();
    bool RunDrawTests();
    void Reset();

private:
    void FindDriverYear();
    void CopyPrimary();
    // Begins a scene, clears it and sets the blend states.
    void BeginTestScene(DWORD srcBlend, DWORD destBlend, bool modulateAlpha);
    // A test scene with two full test pictures drawn.
    void DrawPair(DWORD srcBlend, DWORD destBlend, uint32_t first, uint32_t second, uint32_t secondColor,
                  bool modulateAlpha);
    // The top-left 10 x 10 of the screen copy against the colour the blend should give.
    bool CheckBlend(uint32_t expected, const char* unsupported, const char* notUniform);
    bool TestAlphaBlend();
    bool TestAdditiveBlend();
    bool TestAlphaAddBlend();
    bool TestAlphaModulatedBlend();
    bool TestClip();
};

} // namespace Lumo
