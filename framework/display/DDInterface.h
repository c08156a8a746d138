#pragma once

#include "app/CriticalSection.h"
#include "display/D3DInterface.h"
#include "ddraw/ddraw.h"
#include "graphics/NativeDisplay.h"

#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace Lumo
{

class D3DTester;
class DDImage;
class LumoAppBase;
class Image;
class MemoryImage;

enum
{
    RESULT_OK = 0,
    RESULT_FAIL = 1,
    RESULT_DD_CREATE_FAIL = 2,
    RESULT_SURFACE_FAIL = 3,
    RESULT_EXCLUSIVE_FAIL = 4,
    RESULT_DISPCHANGE_FAIL = 5,
    RESULT_INVALID_COLORDEPTH = 6,
    RESULT_3D_FAIL = 7
};

// The display driver: DirectDraw on the main window, windowed or full screen,
// the surfaces every frame is drawn into, the present, the software cursor,
// whether the frame is drawn through the 3-D renderer, and the display lock
// guarding all of it.
class DDInterface : public NativeDisplay
{
public:
    LumoAppBase* mApp;
    D3DInterface* mD3DInterface = nullptr;
    D3DTester* mD3DTester = nullptr;
    bool mIs3D = false;
    CriticalSection mCritSect;
    std::atomic<bool> mInRedraw{false};
    IDirectDraw* mDD = nullptr;
    IDirectDraw7* mDD7 = nullptr;
    IDirectDrawSurface* mPrimarySurface = nullptr;
    IDirectDrawSurface* mSecondarySurface = nullptr;
    IDirectDrawSurface* mDrawSurface = nullptr;
    // The draw surface through the interface pictures hold.
    IDirectDrawSurface7* mDrawSurface7 = nullptr;
    int mWidth = 0;
    int mHeight = 0;
    int mFullScreenBits = 0;
    int mRefreshRate = 60;
    int mMillisecondsPerFrame = 16;
    // Saturation per channel: entry i is min(i, 2^bits - 1).
    std::vector<int32_t> mRedAddTable;
    std::vector<int32_t> mGreenAddTable;
    std::vector<int32_t> mBlueAddTable;
    // An 8-bit channel value in place in the screen's format.
    int32_t mRedConvTable[256] = {};
    int32_t mGreenConvTable[256] = {};
    int32_t mBlueConvTable[256] = {};
    bool mInitialized = false;
    HWND mHWnd = nullptr;
    bool mIsWindowed = true;
    DDImage* mScreenImage = nullptr;
    std::set<DDImage*> mDDImageSet;
    bool mVideoMemoryDraw = false;
    int mCursorAreaWidth = 64;
    int mCursorAreaHeight = 64;
    std::atomic<int> mCursorX{0};
    std::atomic<int> mCursorY{0};
    int mCursorDrawnX = 0;
    int mCursorDrawnY = 0;
    Image* mCursorImage = nullptr;
    bool mCursorDrawn = false;
    IDirectDrawSurface* mOldCursorArea = nullptr;
    IDirectDrawSurface* mNewCursorArea = nullptr;
    DDImage* mOldCursorAreaImage = nullptr;
    DDImage* mNewCursorAreaImage = nullptr;
    std::string mErrorText;

    explicit DDInterface(LumoAppBase* app);
    ~DDInterface() override;
    DDInterface(const DDInterface&) = delete;
    DDInterface& operator=(const DDInterface&) = delete;

    // Init, Redraw and the cursor calls are virtual so that a test can stand a display in.
    virtual int Init(HWND window, bool windowed);
    static std::string ResultToString(int result);
    bool CheckDXResult(const char* context, HRESULT result);
    HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface** surface);
    void CreateDrawSurfaceImage(bool videoMemory);
    DDImage* GetDrawSurfaceImage() { return mScreenImage; }
    void AddDDImage(DDImage* image);
    void RemoveDDImage(DDImage* image);
    void Cleanup();
    virtual bool Redraw(RECT* clip);
    bool SetCursorImage(Image* image);
    virtual void SetCursorPos(int x, int y);
    // Full screen: shows the desktop's surface so that a system window can be seen; false with no
    // DirectDraw object.
    virtual bool FlipToGDISurface();
    // Runs the 3-D self test once per display, when the application asks for it.
    bool Run3DTest(HWND window);
    void RemoveTextureData(MemoryImage* image);

    // The draw surface through the interface pictures hold (a new reference).
    static IDirectDrawSurface7* Seventh(IDirectDrawSurface* surface);

private:
    LPDIRECTDRAWCREATE mDirectDrawCreate = nullptr;
    LPDIRECTDRAWCREATEEX mDirectDrawCreateEx = nullptr;

    int InitLocked(HWND window, bool windowed);
    HRESULT MakeSurface(DWORD flags, DWORD caps, int width, int height, IDirectDrawSurface** surface);
    int MakeClipper(HWND window, const char* context);
    void FillTables();
    POINT ClientOrigin() const;
    bool CursorRects(int x, int y, bool toScreen, RECT& screen, RECT& area) const;
    bool SaveUnder(IDirectDrawSurface* surface, IDirectDrawSurface* into, RECT& screen, RECT& area);
    void DrawCursorInto(DDImage* image);
    void DrawCursor(IDirectDrawSurface* surface, bool toScreen);
    void RestoreCursorArea(IDirectDrawSurface* surface, bool toScreen);
    void MoveCursor(IDirectDrawSurface* surface, int x, int y);
};

// The display lock, or nothing while no display exists (before the first window).
inline CriticalSection* DisplayLockOf(DDInterface* display)
{
    return display ? &display->mCritSect : nullptr;
}

// Holds the display lock for a scope.
class DisplayLock
{
public:
    explicit DisplayLock(DDInterface* display) : mSection(&display->mCritSect.mCriticalSection)
    {
        EnterCriticalSection(mSection);
    }
    ~DisplayLock() { LeaveCriticalSection(mSection); }
    DisplayLock(const DisplayLock&) = delete;
    DisplayLock& operator=(const DisplayLock&) = delete;

private:
    CRITICAL_SECTION* mSection;
};

} // namespace Lumo
