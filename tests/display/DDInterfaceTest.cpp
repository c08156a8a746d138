#include "DisplayFixture.h"
#include "display/DirectXErrors.h"

#include <map>

using namespace Lumo;

TEST(DirectXErrors, NamesByValueAndHexadecimalOtherwise)
{
    EXPECT_EQ(DirectXErrorNameCount(), 193);
    EXPECT_EQ(GetDirectXErrorString(LUMO_HRESULT(0x88760091u)), "DDERR_INVALIDPIXELFORMAT");
    EXPECT_EQ(GetDirectXErrorString(E_FAIL), "DSERR_GENERIC");
    EXPECT_EQ(GetDirectXErrorString(E_NOINTERFACE), "DSERR_NOINTERFACE");
    EXPECT_EQ(GetDirectXErrorString(E_NOTIMPL), "DDERR_UNSUPPORTED");
    EXPECT_EQ(GetDirectXErrorString(CLASS_E_NOAGGREGATION), "DSERR_NOAGGREGATION");
    EXPECT_EQ(GetDirectXErrorString(E_INVALIDARG), "DDERR_INVALIDPARAMS");
    EXPECT_EQ(GetDirectXErrorString(E_OUTOFMEMORY), "E_OUTOFMEMORY");
    EXPECT_EQ(GetDirectXErrorString(DDERR_SURFACELOST), "DDERR_SURFACELOST");
    EXPECT_EQ(GetDirectXErrorString(LUMO_HRESULT(0x887602BCu)), "D3DERR_BADMAJORVERSION");
    EXPECT_EQ(GetDirectXErrorString(LUMO_HRESULT(0x88760836u)), "D3DERR_NOTINBEGINSTATEBLOCK");
    EXPECT_EQ(GetDirectXErrorString(LUMO_HRESULT(0x8878000Au)), "DSERR_ALLOCATED");
    EXPECT_EQ(GetDirectXErrorString(LUMO_HRESULT(0x887800AAu)), "DSERR_UNINITIALIZED");
    EXPECT_EQ(GetDirectXErrorString(LUMO_HRESULT(0x80001234u)), "80001234");
    EXPECT_EQ(GetDirectXErrorString(LUMO_HRESULT(0xABCu)), "abc");
}

TEST(DisplayResults, Names)
{
    const char* names[] = {"RESULT_OK",
                           "RESULT_FAIL",
                           "RESULT_DD_CREATE_FAIL",
                           "RESULT_SURFACE_FAIL",
                           "RESULT_EXCLUSIVE_FAIL",
                           "RESULT_DISPCHANGE_FAIL",
                           "RESULT_INVALID_COLORDEPTH"};
    for (int i = 0; i < 7; i++)
        EXPECT_EQ(DDInterface::ResultToString(i), names[i]);
    EXPECT_EQ(DDInterface::ResultToString(RESULT_3D_FAIL), "RESULT_UNKNOWN");
    EXPECT_EQ(DDInterface::ResultToString(-1), "RESULT_UNKNOWN");
}

TEST_F(DisplayTest, FormatsMasksShiftsAndTables)
{
    DDInterface& d = Windowed(32);
    EXPECT_EQ(d.mRGBBits, 32);
    EXPECT_EQ(d.mRedMask, 0xFF0000);
    EXPECT_EQ(d.mGreenMask, 0xFF00);
    EXPECT_EQ(d.mBlueMask, 0xFF);
    EXPECT_EQ(d.mRedShift, 16);
    EXPECT_EQ(d.mGreenBits, 8);
    EXPECT_EQ(d.mRedAddTable.size(), 511u);
    EXPECT_EQ(d.mRedAddTable[300], 255);
    EXPECT_EQ(d.mRedConvTable[128], 0x800000);
    EXPECT_EQ(d.mBlueConvTable[255], 0xFF);
    ASSERT_NE(d.GetDrawSurfaceImage(), nullptr);
    EXPECT_EQ(d.GetDrawSurfaceImage()->mWidth, 320);
    EXPECT_EQ(d.GetDrawSurfaceImage()->mHeight, 240);

    DDInterface& e = Windowed(16);
    EXPECT_EQ(e.mRGBBits, 16);
    EXPECT_EQ(e.mRedMask, 0xF800);
    EXPECT_EQ(e.mGreenMask, 0x07E0);
    EXPECT_EQ(e.mBlueMask, 0x001F);
    EXPECT_EQ(e.mRedBits, 5);
    EXPECT_EQ(e.mGreenBits, 6);
    EXPECT_EQ(e.mBlueBits, 5);
    EXPECT_EQ(e.mRedShift, 11);
    EXPECT_EQ(e.mGreenShift, 5);
    EXPECT_EQ(e.mBlueShift, 0);
    EXPECT_EQ(e.mGreenAddTable.size(), 127u);
    EXPECT_EQ(e.mRedAddTable.size(), 63u);
    EXPECT_EQ(e.mBlueAddTable.size(), 63u);
    EXPECT_EQ(e.mRedAddTable[62], 31);
    EXPECT_EQ(e.mRedAddTable[20], 20);
    EXPECT_EQ(e.mRedConvTable[255], 0xF800);
    EXPECT_EQ(e.mRedConvTable[128], int((0xF800u * 128 / 255) & 0xF800));
    EXPECT_EQ(e.mGreenConvTable[1], 0);

    PlatformTest::SetDirectDraw565(false);
    DDInterface& f = Windowed(16);
    EXPECT_EQ(f.mRedMask, 0x7C00);
    EXPECT_EQ(f.mGreenBits, 5);
    EXPECT_EQ(f.mRedShift, 10);
}

TEST_F(DisplayTest, RefreshRateClamp)
{
    struct Case
    {
        int reported, rate, ms;
        bool unusable;
    };
    for (Case c : {Case{0, 60, 16, true}, Case{59, 60, 16, true}, Case{120, 100, 10, true},
                   Case{75, 75, 13, false}, Case{60, 60, 16, false}})
    {
        host.mRefreshSyncDisabled = false;
        DDInterface& d = Make(32, c.reported);
        ASSERT_EQ(d.Init(nullptr, true), RESULT_OK);
        EXPECT_EQ(d.mRefreshRate, c.rate) << c.reported;
        EXPECT_EQ(d.mMillisecondsPerFrame, c.ms) << c.reported;
        EXPECT_EQ(host.mRefreshSyncDisabled, c.unusable) << c.reported;
    }
}

TEST_F(DisplayTest, InitResultCodesAndErrorTexts)
{
    struct Case
    {
        const char* call;
        bool windowed;
        int result;
        const char* text;
    };
    const Case cases[] = {
        {"DirectDrawCreateEx", true, RESULT_DD_CREATE_FAIL, "DirectDrawCreateEx: DDERR_NODIRECTDRAWHW"},
        {"CreateSurface", true, RESULT_SURFACE_FAIL, "CreateSurface Windowed Primary: E_OUTOFMEMORY"},
        {"CreateClipper", true, RESULT_FAIL, "CreateClipper Windowed: E_OUTOFMEMORY"},
        {"SetCooperativeLevel", false, RESULT_EXCLUSIVE_FAIL,
         "SetCooperativeLevel FullScreen: DDERR_EXCLUSIVEMODEALREADYSET"},
        {"SetDisplayMode", false, RESULT_DISPCHANGE_FAIL, "SetDisplayMode FullScreen: "},
        {"CreateSurface", false, RESULT_SURFACE_FAIL, "CreateSurface FullScreen Primary: E_OUTOFMEMORY"},
        {"GetAttachedSurface", false, RESULT_SURFACE_FAIL, "GetAttachedSurface: "},
        {"CreateClipper", false, RESULT_FAIL, "CreateClipper FullScreen: E_OUTOFMEMORY"},
    };
    host.mWidth = 640;
    host.mHeight = 480;
    for (const Case& c : cases)
    {
        DDInterface& d = Make(32);
        PlatformTest::FailCall(c.call, 1);
        EXPECT_EQ(d.Init(FakeWindow(), c.windowed), c.result) << c.call;
        EXPECT_EQ(d.mErrorText.rfind(c.text, 0), 0u) << d.mErrorText;
        EXPECT_FALSE(d.mInitialized);
        PlatformTest::ClearFailures();
        // The next Init cleans up what the failed one left and succeeds.
        EXPECT_EQ(d.Init(FakeWindow(), c.windowed), RESULT_OK) << d.mErrorText;
        EXPECT_TRUE(d.mInitialized);
    }
}

TEST_F(DisplayTest, ColourDepthsOtherThan16And32AreRefused)
{
    for (int bits : {8, 24})
    {
        DDInterface& d = Make(bits);
        EXPECT_EQ(d.Init(nullptr, true), RESULT_INVALID_COLORDEPTH) << bits;
        EXPECT_EQ(d.mErrorText, "CreateSurface Windowed Primary: DDERR_INVALIDPIXELFORMAT");
    }
}

TEST_F(DisplayTest, EitherCreationEntryPointMayBeAbsent)
{
    PlatformTest::SetDirectDrawEntryPoints(true, false);
    DDInterface& first = Make(16);
    EXPECT_EQ(first.Init(nullptr, true), RESULT_OK) << first.mErrorText;
    EXPECT_EQ(first.mDD7, nullptr);
    EXPECT_NE(first.mDD, nullptr);
    EXPECT_EQ(first.mRGBBits, 16);
    PlatformTest::FailCall("DirectDrawCreate", 1);
    EXPECT_EQ(first.Init(nullptr, true), RESULT_DD_CREATE_FAIL);
    EXPECT_EQ(first.mErrorText, "DirectDrawCreate: DDERR_NODIRECTDRAWHW");

    PlatformTest::SetDirectDrawEntryPoints(false, true);
    DDInterface& seventh = Make(32);
    EXPECT_EQ(seventh.Init(nullptr, true), RESULT_OK);
    EXPECT_NE(seventh.mDD7, nullptr);

    PlatformTest::SetDirectDrawEntryPoints(false, false);
    DDInterface& none = Make(32);
    EXPECT_EQ(none.Init(nullptr, true), RESULT_DD_CREATE_FAIL);
}

TEST_F(DisplayTest, CreateSurfaceBeforeInitIsAnErrorNotACrash)
{
    DDInterface& d = Make(32);
    DDSURFACEDESC2 desc{};
    desc.dwSize = DDSURFACEDESC2_SIZE_32BIT;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = desc.dwHeight = 4;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface* surface = reinterpret_cast<IDirectDrawSurface*>(1);
    EXPECT_EQ(d.CreateSurface(&desc, &surface), DDERR_NOTINITIALIZED);
    EXPECT_EQ(surface, nullptr);
    // A picture made now stays in memory.
    DDImage* image = Picture(2, 2, {0xFF102030});
    EXPECT_EQ(image->GetSurface(), nullptr);
    EXPECT_EQ(image->GetBits()[0], 0xFF102030u);
    EXPECT_FALSE(d.Redraw(nullptr));
}

TEST_F(DisplayTest, RedrawWindowedPlacesTheFrameAtTheClientPosition)
{
    DDInterface& d = Windowed(32);
    DDImage* screen = d.GetDrawSurfaceImage();
    screen->FillRect(Rect(5, 7, 1, 1), Color(0x12, 0x34, 0x56), DRAWMODE_NORMAL);
    ASSERT_TRUE(d.Redraw(nullptr));
    std::vector<uint32_t> shown = Read(d.mPrimarySurface);
    EXPECT_EQ(At(shown, 640, 5, 7), 0x123456u);
    EXPECT_EQ(At(shown, 640, 6, 7), 0u);
    // Only the clip rectangle is presented.
    screen->FillRect(Rect(0, 0, 320, 240), Color(0xFF, 0, 0), DRAWMODE_NORMAL);
    RECT clip{10, 10, 20, 20};
    ASSERT_TRUE(d.Redraw(&clip));
    shown = Read(d.mPrimarySurface);
    EXPECT_EQ(At(shown, 640, 10, 10), 0xFF0000u);
    EXPECT_EQ(At(shown, 640, 5, 7), 0x123456u);
    PlatformTest::FailCall("Blt", 1);
    EXPECT_FALSE(d.Redraw(nullptr));
    EXPECT_EQ(d.mErrorText, "Redraw Windowed: DDERR_SURFACELOST");
}

TEST_F(DisplayTest, FullScreenFlipsAndBlitsWhileAPopupIsOpen)
{
    host.mWidth = 640;
    host.mHeight = 480;
    for (int bits : {16, 32})
    {
        host.mFullScreenBits = bits;
        DDInterface& d = Make(32);
        ASSERT_EQ(d.Init(FakeWindow(), false), RESULT_OK) << d.mErrorText;
        EXPECT_EQ(d.mRGBBits, bits);
        DDImage* screen = d.GetDrawSurfaceImage();
        screen->FillRect(Rect(1, 2, 3, 4), Color(255, 255, 255), DRAWMODE_NORMAL);
        ASSERT_TRUE(d.Redraw(nullptr));
        uint32_t white = bits == 16 ? 0xFFFFu : 0xFFFFFFu;
        EXPECT_EQ(At(Read(d.mPrimarySurface), 640, 2, 3), white);
        host.mPopupActive = true;
        screen->FillRect(Rect(0, 0, 320, 240), Color(0, 0, 0), DRAWMODE_NORMAL);
        ASSERT_TRUE(d.Redraw(nullptr));
        EXPECT_EQ(At(Read(d.mPrimarySurface), 640, 2, 3), 0u);
        host.mPopupActive = false;
    }
}

TEST_F(DisplayTest, SoftwareCursorDrawnMovedAndRestored)
{
    DDInterface& d = Windowed(32);
    DDImage* screen = d.GetDrawSurfaceImage();
    screen->FillRect(Rect(0, 0, 320, 240), Color(0, 0, 0x40), DRAWMODE_NORMAL);
    ASSERT_TRUE(d.Redraw(nullptr));
    std::vector<uint32_t> background = Read(d.mPrimarySurface);

    auto* cursor = new MemoryImage();
    std::vector<uint32_t> arrow(16 * 16, 0xFFFFFF00);
    arrow[0] = 0; // one clear pixel
    cursor->SetBits(arrow.data(), 16, 16, true);
    EXPECT_TRUE(d.SetCursorImage(cursor));
    EXPECT_FALSE(d.SetCursorImage(cursor));

    // Drawn at the client position during the present, taken out of the frame afterwards.
    d.SetCursorPos(100, 50);
    ASSERT_TRUE(d.Redraw(nullptr));
    std::vector<uint32_t> shown = Read(d.mPrimarySurface);
    EXPECT_EQ(At(shown, 640, 100, 50), 0xFFFF00u);
    EXPECT_EQ(At(shown, 640, 92, 42), 0x40u); // the clear pixel
    EXPECT_EQ(At(shown, 640, 93, 42), 0xFFFF00u);
    EXPECT_EQ(At(shown, 640, 108, 58), 0x40u);
    EXPECT_EQ(At(Read(d.mDrawSurface), 320, 100, 50), 0x40u);
    EXPECT_TRUE(d.mCursorDrawn);

    // Moved a little (overlapping) and far away: the screen shows the cursor once, the rest restored exactly.
    for (auto [x, y] : {std::pair{106, 55}, std::pair{200, 150}})
    {
        d.SetCursorPos(x, y);
        shown = Read(d.mPrimarySurface);
        int yellow = 0;
        for (int py = 0; py < 240; py++)
            for (int px = 0; px < 320; px++)
            {
                bool inCursor =
                    px >= x - 8 && px < x + 8 && py >= y - 8 && py < y + 8 && !(px == x - 8 && py == y - 8);
                uint32_t expected = inCursor ? 0xFFFF00u : At(background, 640, px, py);
                yellow += inCursor;
                ASSERT_EQ(At(shown, 640, px, py), expected) << px << "," << py << " after " << x << "," << y;
            }
        EXPECT_EQ(yellow, 255);
    }

    // At the corner only the lower-right quarter of the area is saved and drawn.
    d.SetCursorPos(0, 0);
    shown = Read(d.mPrimarySurface);
    EXPECT_EQ(At(shown, 640, 0, 0), 0xFFFF00u);
    EXPECT_EQ(At(shown, 640, 7, 7), 0xFFFF00u);
    EXPECT_EQ(At(shown, 640, 8, 8), 0x40u);
    EXPECT_EQ(At(shown, 640, 200, 150), 0x40u);
    d.SetCursorImage(nullptr);
    display.reset();
    delete cursor;
}
