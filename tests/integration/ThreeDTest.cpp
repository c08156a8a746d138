// Hardware acceleration in the whole application: the self test at the first start, the
// stored choice, demos, and falling back to 2-D whenever the renderer cannot draw.
#include "IntegrationSupport.h"
#include "core/faults.h"
#include "display/D3DTester.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "media/ImageLib.h"
#include "win32/kernel32.h"
#include "test/direct3d.h"
#include "test/message_box.h"
#include "test/present.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <utime.h>

using IntegrationTest::AppIntegration;
using IntegrationTest::RealApp;
using IntegrationTest::SolidWidget;

namespace
{
// The application as the game sets it up: the self test at the first start decides 3-D.
class AutoApp : public RealApp
{
public:
    AutoApp() { mAutoEnable3D = true; }
};

void UseDesktop(int videoMegabytes)
{
    PlatformTest::SetDesktop(Platform::DesktopInfo{640, 480, 32, 60, uint64_t(videoMegabytes) << 20});
}

bool HasRecord(Lumo::LumoAppBase& app)
{
    int version = 0;
    return app.RegistryReadInteger("Test3D\\Version", &version);
}

// The renderer's last failure as the real registry holds it (whatever a demo does).
std::string StoredRuntimeError()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Crustavia\\Test3D", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    char text[256] = {};
    DWORD type = 0, size = sizeof text;
    const bool read = RegQueryValueExA(key, "RuntimeError", nullptr, &type, reinterpret_cast<BYTE*>(text),
                                       &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return read ? text : "<none>";
}
} // namespace

TEST_F(AppIntegration, ADemoPlaysWithTheRecordedSelfTestVerdictAndTestsNothing)
{
    UseDesktop(4); // 1.2 MB of screen and 4 MB of video memory: below the 6 MB minimum
    {
        AutoApp app;
        app.mRecordingDemo = true;
        app.Init();
        ASSERT_TRUE(app.mInitialized);
        ASSERT_NE(app.mDDInterface->mD3DTester, nullptr);
        EXPECT_EQ(app.mDDInterface->mD3DTester->mFailureReason, "Not enough video memory.");
        EXPECT_TRUE(app.NewTestResult());
        EXPECT_FALSE(app.Is3DEnabled());
        app.mOnUpdate = [&](int update)
        {
            if (update == 10)
                PlatformTest::InjectCloseRequest(app.mHWnd);
        };
        app.RunToEnd();
    }
    // Another machine with plenty of memory and no stored record.
    UseDesktop(64);
    {
        RealApp scratch;
        scratch.RegistryDeleteValue("Test3D\\Version");
        ASSERT_FALSE(HasRecord(scratch));
    }
    AutoApp app;
    app.SplitCommandLine("-play");
    app.Init();
    ASSERT_TRUE(app.mPlayingDemo);
    ASSERT_NE(app.mDDInterface->mD3DTester, nullptr);
    EXPECT_EQ(app.mDDInterface->mD3DTester->mFailureReason, "Not enough video memory.");
    EXPECT_TRUE(app.NewTestResult());
    EXPECT_FALSE(app.Is3DEnabled());
    EXPECT_FALSE(HasRecord(app)); // nothing was tested, so nothing was stored
    app.RunToEnd();
}

TEST_F(AppIntegration, AStoredHardwareAccelerationChoiceThatCannotBeHadStartsIn2D)
{
    // No renderer can be made on this machine.
    PlatformTest::FailCall("CreateDevice");
    RealApp app;
    app.RegistryWriteBoolean("Is3D", true);
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    EXPECT_FALSE(app.Is3DEnabled());
    EXPECT_FALSE(app.Is3DTestPassed());
    SolidWidget widget(int(0xFF2080C0));
    widget.Resize(0, 0, 40, 30);
    app.mWidgetManager->AddWidget(&widget);
    auto presented = [&]
    {
        std::vector<uint32_t> frame;
        int width = 0, height = 0;
        return PlatformTest::ReadPresentedFrame(app.mHWnd, &width, &height, &frame) ? frame[0] : 0u;
    };
    std::vector<uint32_t> seen;
    app.mOnUpdate = [&](int update)
    {
        if (update == 20)
        {
            seen.push_back(presented());
            // Asked for again, 3-D falls back to 2-D the same way.
            app.Set3D(true, true);
            EXPECT_FALSE(app.Is3DEnabled());
            widget.mColor = Lumo::Color(int(0xFF10E030));
            widget.MarkDirty();
        }
        if (update == 40)
        {
            seen.push_back(presented());
            app.Shutdown();
        }
    };
    app.Start();
    PlatformTest::ClearFailures();
    EXPECT_EQ(seen, (std::vector<uint32_t>{0xFF2080C0u, 0xFF10E030u}));
    app.mWidgetManager->RemoveWidget(&widget);
}

namespace
{
// The application at 320 x 240 with hardware acceleration switched on (Shift+F8's way), on the
// software renderer of the tests' dummy video driver.
class ThreeD : public AppIntegration
{
protected:
    std::unique_ptr<RealApp> mApp = std::make_unique<RealApp>();
    RealApp& app = *mApp;

    void SetUp() override
    {
        AppIntegration::SetUp();
        PlatformTest::ResetDirect3D();
        app.Init();
        ASSERT_TRUE(app.mInitialized);
        app.Set3D(true, true);
        ASSERT_TRUE(app.Is3DEnabled()) << app.mDDInterface->mErrorText;
    }
    void TearDown() override
    {
        mPictures.clear();
        // Switched on during the run: the exit asks whether to keep it.
        PlatformTest::ScriptMessageBoxes({IDNO});
        mApp.reset();
        PlatformTest::ResetMessageBoxes();
        PlatformTest::ResetDirect3D();
        PlatformTest::ClearFailures();
        Lumo::gRendererErrorString.clear();
        AppIntegration::TearDown();
    }

    Lumo::D3DInterface& Renderer() { return *app.mDDInterface->mD3DInterface; }
    Lumo::DDImage* Screen() { return app.mDDInterface->GetDrawSurfaceImage(); }

    // A picture of the given pixels, row by row, owned by the test.
    Lumo::DDImage* Picture(int width, int height, const std::function<uint32_t(int x, int y)>& pixel)
    {
        auto* image = new Lumo::DDImage(app.mDDInterface);
        std::vector<uint32_t> bits(size_t(width) * size_t(height));
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                bits[size_t(y) * size_t(width) + size_t(x)] = pixel(x, y);
        image->SetBits(bits.data(), width, height, true);
        mPictures.emplace_back(image);
        return image;
    }
    static Lumo::TextureData* Texture(Lumo::MemoryImage* image)
    {
        return static_cast<Lumo::TextureData*>(image->mTextureData);
    }
    // Presents what was drawn and reads it back from the window.
    std::vector<uint32_t> Present()
    {
        EXPECT_TRUE(app.mDDInterface->Redraw(nullptr)) << Lumo::gRendererErrorString;
        std::vector<uint32_t> frame;
        int width = 0, height = 0;
        EXPECT_TRUE(PlatformTest::ReadPresentedFrame(app.mHWnd, &width, &height, &frame));
        return frame;
    }

    std::vector<std::unique_ptr<Lumo::DDImage>> mPictures;
};
} // namespace

TEST_F(ThreeD, EveryDrawOnTheScreenGoesThroughTheRendererAndLooksAsIn2D)
{
    // Opaque, keyed, translucent and palette pictures, and every way of drawing them.
    Lumo::DDImage* opaque =
        Picture(40, 30, [](int x, int y) { return 0xFF000000 | uint32_t(x * 6 << 16 | y * 8); });
    Lumo::DDImage* keyed = Picture(20, 20, [](int x, int y) { return (x + y) % 3 ? 0xFF20C040u : 0u; });
    Lumo::DDImage* translucent = Picture(30, 10, [](int x, int) { return uint32_t(x * 8) << 24 | 0xFF8000; });
    Lumo::DDImage* palette =
        Picture(16, 16, [](int x, int y) { return (x / 4 + y / 4) % 2 ? 0xFFFFFF00u : 0xFF0000FFu; });
    ASSERT_TRUE(palette->Palletize());
    auto scene = [&](Lumo::Image* screen)
    {
        const Lumo::Rect all(0, 0, 320, 240);
        screen->FillRect(all, Lumo::Color(30, 60, 90), Lumo::DRAWMODE_NORMAL);
        screen->FillRect(Lumo::Rect(5, 5, 50, 20), Lumo::Color(255, 255, 255, 128), Lumo::DRAWMODE_NORMAL);
        screen->Blt(opaque, 10, 40, Lumo::Rect(0, 0, 40, 30), Lumo::Color::White, Lumo::DRAWMODE_NORMAL);
        screen->Blt(keyed, 60, 40, Lumo::Rect(0, 0, 20, 20), Lumo::Color::White, Lumo::DRAWMODE_NORMAL);
        screen->Blt(translucent, 90, 40, Lumo::Rect(0, 0, 30, 10), Lumo::Color::White, Lumo::DRAWMODE_NORMAL);
        screen->Blt(translucent, 90, 55, Lumo::Rect(0, 0, 30, 10), Lumo::Color(0, 255, 255, 200),
                    Lumo::DRAWMODE_NORMAL);
        screen->Blt(opaque, 130, 40, Lumo::Rect(5, 5, 20, 20), Lumo::Color::White, Lumo::DRAWMODE_ADDITIVE);
        screen->Blt(palette, 160, 40, Lumo::Rect(0, 0, 16, 16), Lumo::Color::White, Lumo::DRAWMODE_NORMAL);
        screen->BltMirrored(opaque, 10, 80, Lumo::Rect(0, 0, 40, 30), Lumo::Color::White,
                            Lumo::DRAWMODE_NORMAL);
        screen->StretchBlt(opaque, Lumo::Rect(60, 80, 40, 30), Lumo::Rect(0, 0, 40, 30), all,
                           Lumo::Color::White, Lumo::DRAWMODE_NORMAL, false);
        screen->BltMatrix(opaque, 130, 95, Lumo::LumoMatrix3(), all, Lumo::Color::White,
                          Lumo::DRAWMODE_NORMAL, Lumo::Rect(0, 0, 40, 30), false);
        screen->DrawLine(10, 130, 200, 130, Lumo::Color(255, 255, 0), Lumo::DRAWMODE_NORMAL);
        Lumo::TriVertex tri[3] = {
            {200, 150, 0, 0, 0xFFFF0000}, {300, 150, 1, 0, 0xFFFF0000}, {200, 230, 0, 1, 0xFFFF0000}};
        screen->DrawTexturedTriangles(nullptr, &tri, 1, all, Lumo::Color::White, Lumo::DRAWMODE_NORMAL, 0, 0,
                                      false);
    };
    PlatformTest::ResetDirect3DStatistics();
    scene(Screen());
    const Platform::Direct3DStatistics drawn = Platform::GetDirect3DStatistics();
    EXPECT_GE(drawn.primitives, 13u); // one call at least for each draw above
    const std::vector<uint32_t> threeD = Present();
    // Every picture got textures; none was drawn into the screen's memory.
    for (Lumo::DDImage* picture : {opaque, keyed, translucent, palette})
        ASSERT_NE(Texture(picture), nullptr);
    // The palette picture keeps its indices in the texture where the device takes such textures.
    EXPECT_EQ(Texture(palette)->mFormat,
              (Lumo::gTextureLimits.mFormats & Lumo::Palette8) ? Lumo::Palette8 : Lumo::R5G6B5);
    EXPECT_EQ(Screen()->mBits, nullptr);

    app.Set3D(false, true);
    scene(Screen());
    const std::vector<uint32_t> twoD = Present();
    const IntegrationTest::FrameDifference apart = IntegrationTest::CompareFrames(
        twoD, threeD, IntegrationTest::kRendererTolerance, IntegrationTest::kRendererFar);
    EXPECT_GT(apart.mWithin, 0.99);
    EXPECT_LT(apart.mFar, 0.002);
}

TEST_F(ThreeD, PiecesFollowTheDevicesLimits)
{
    auto limits = [&](DWORD maximum)
    {
        PlatformTest::Direct3DLimits device;
        device.minTextureWidth = device.minTextureHeight = 1;
        device.maxTextureWidth = device.maxTextureHeight = maximum;
        device.maxTextureAspectRatio = 8;
        PlatformTest::SetDirect3DLimits(device);
        app.Set3D(false, true);
        app.Set3D(true, true);
        ASSERT_TRUE(app.Is3DEnabled()) << app.mDDInterface->mErrorText;
    };
    auto gradient = [](int x, int y)
    { return 0xFF000000 | uint32_t((x * 7) & 255) << 16 | uint32_t(y * 9 & 255); };

    limits(256);
    Lumo::DDImage* small = Picture(100, 30, gradient);
    Screen()->Blt(small, 0, 0, Lumo::Rect(0, 0, 100, 30), Lumo::Color::White, Lumo::DRAWMODE_NORMAL);
    ASSERT_NE(Texture(small), nullptr);
    EXPECT_EQ(Texture(small)->mPieceWidth, 64);
    EXPECT_EQ(Texture(small)->mPieceHeight, 32);
    EXPECT_EQ(Texture(small)->mPiecesAcross, 2);

    limits(512);
    Lumo::DDImage* wide = Picture(1000, 20, gradient);
    wide->mD3DFlags = Lumo::D3DIMAGEFLAG_NO565; // 32-bit texels: the pixels come back exactly
    Screen()->Blt(wide, -300, 100, Lumo::Rect(0, 0, 1000, 20), Lumo::Color::White, Lumo::DRAWMODE_NORMAL);
    ASSERT_NE(Texture(wide), nullptr);
    EXPECT_EQ(Texture(wide)->mPieceWidth, 512);
    EXPECT_EQ(Texture(wide)->mPiecesAcross, 2);
    // Drawn across its two columns without a seam: the picture's own pixels, as in 2-D.
    const std::vector<uint32_t> frame = Present();
    for (int x = 180; x < 240; x++) // picture columns 480 to 539, over the seam at 512
        ASSERT_EQ(frame[size_t(105 * 320 + x)], gradient(x + 300, 5)) << x;
}

TEST_F(ThreeD, EachPictureGetsTheTextureFormatItNeeds)
{
    auto formatOf = [&](Lumo::DDImage* picture, int flags = 0)
    {
        picture->mD3DFlags = flags;
        Screen()->Blt(picture, 0, 0, Lumo::Rect(0, 0, 4, 4), Lumo::Color::White, Lumo::DRAWMODE_NORMAL);
        return Texture(picture) ? Texture(picture)->mFormat : -1;
    };
    auto opaque = [](int, int) { return 0xFF336699u; };
    auto oneClear = [](int x, int y) { return x == 3 && y == 3 ? 0u : 0xFF336699u; };
    EXPECT_EQ(formatOf(Picture(4, 4, opaque)), Lumo::R5G6B5);
    EXPECT_EQ(formatOf(Picture(4, 4, oneClear)), Lumo::A8R8G8B8);
    EXPECT_EQ(formatOf(Picture(4, 4, opaque), Lumo::D3DIMAGEFLAG_NO565), Lumo::A8R8G8B8);
    EXPECT_EQ(formatOf(Picture(4, 4, oneClear), Lumo::D3DIMAGEFLAG_PREFER4444), Lumo::A4R4G4B4);
    // A device without the 32-bit format takes the 4-4-4-4 one; without the 16-bit opaque one, 32 bits.
    PlatformTest::SetDirect3DTextureFormats(2 | 4);
    app.Set3D(false, true);
    app.Set3D(true, true);
    EXPECT_EQ(formatOf(Picture(4, 4, oneClear)), Lumo::A4R4G4B4);
    PlatformTest::SetDirect3DTextureFormats(1);
    app.Set3D(false, true);
    app.Set3D(true, true);
    EXPECT_EQ(formatOf(Picture(4, 4, opaque)), Lumo::A8R8G8B8);
}

TEST_F(ThreeD, AOnlyTextureReadsBackAsItWasTranslucentOrNot)
{
    Lumo::DDImage* picture = Picture(4, 4, [](int x, int) { return x == 0 ? 0x80FF8040u : 0xFF102030u; });
    picture->mD3DFlags = Lumo::D3DIMAGEFLAG_PREFER4444;
    Screen()->Blt(picture, 0, 0, Lumo::Rect(0, 0, 4, 4), Lumo::Color::White, Lumo::DRAWMODE_NORMAL);
    ASSERT_NE(Texture(picture), nullptr);
    ASSERT_EQ(Texture(picture)->mFormat, Lumo::A4R4G4B4);
    // With 3-D on, purged bits leave the texture as the picture's only home.
    picture->PurgeBits();
    ASSERT_EQ(picture->mBits, nullptr);
    const uint32_t* bits = picture->GetBits();
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits[0], 0x88FF8844u); // each nibble stretched to its byte, alpha included
    EXPECT_EQ(bits[1], 0xFF112233u);

    Lumo::DDImage* opaque = Picture(2, 1, [](int, int) { return 0xFFF8FCF8u; });
    Screen()->Blt(opaque, 0, 0, Lumo::Rect(0, 0, 2, 1), Lumo::Color::White, Lumo::DRAWMODE_NORMAL);
    ASSERT_EQ(Texture(opaque)->mFormat, Lumo::R5G6B5);
    opaque->PurgeBits();
    EXPECT_EQ(opaque->GetBits()[0], 0xFFF8FCF8u);
}

TEST_F(ThreeD, PurgedBitsStayUntilATextureHoldsThem)
{
    auto draw = [&](Lumo::DDImage* picture)
    {
        Screen()->Blt(picture, 0, 0, Lumo::Rect(0, 0, picture->mWidth, picture->mHeight), Lumo::Color::White,
                      Lumo::DRAWMODE_NORMAL);
    };
    // Edited after its texture was made: the texture holds the old pixels.
    Lumo::DDImage* edited = Picture(4, 4, [](int, int) { return 0xFF102030u; });
    edited->mD3DFlags = Lumo::D3DIMAGEFLAG_NO565; // 32-bit texels: the pixels come back exactly
    draw(edited);
    ASSERT_NE(Texture(edited), nullptr);
    edited->GetBits()[0] = 0xFF405060;
    edited->BitsChanged();
    edited->PurgeBits();
    EXPECT_EQ(edited->GetBits()[0], 0xFF405060u);
    // Once drawn again the texture holds them, and the bits may go.
    draw(edited);
    edited->PurgeBits();
    EXPECT_EQ(edited->mBits, nullptr);
    EXPECT_EQ(edited->GetBits()[0], 0xFF405060u);

    // A texture that could not be made holds nothing.
    Lumo::DDImage* unmade = Picture(4, 4, [](int, int) { return 0xFF708090u; });
    PlatformTest::FailCall("CreateSurface", 1);
    draw(unmade);
    ASSERT_NE(Texture(unmade), nullptr);
    unmade->PurgeBits();
    EXPECT_EQ(unmade->GetBits()[0], 0xFF708090u);
}

TEST_F(ThreeD, TheFilterIsSetOnceAndFlushingKeepsTheFramesError)
{
    Lumo::D3DInterface& renderer = Renderer();
    ASSERT_TRUE(renderer.BeginSceneIfNeeded());
    renderer.SetLinearFilter(true);
    // The same choice again asks nothing of the device: a failing call would be noticed.
    PlatformTest::FailCall("SetTextureStageState");
    renderer.SetLinearFilter(true);
    EXPECT_EQ(Lumo::gRendererErrorString, "");
    renderer.SetLinearFilter(false);
    EXPECT_EQ(Lumo::gRendererErrorString.rfind("SetTextureStageState Point: ", 0), 0u);
    PlatformTest::ClearFailures();

    // A flush in the middle of the frame (system text does one) keeps the error for the present.
    renderer.Flush();
    EXPECT_FALSE(renderer.mSceneBegun);
    renderer.Flush(); // nothing open: nothing done
    EXPECT_FALSE(renderer.mSceneBegun);
    EXPECT_NE(Lumo::gRendererErrorString, "");
    EXPECT_FALSE(app.mDDInterface->Redraw(nullptr));
    EXPECT_FALSE(app.Is3DEnabled());
    EXPECT_EQ(Lumo::gRendererErrorString, ""); // read by the present, then cleared
}

TEST_F(ThreeD, ARendererThatCannotStartLeaves2DWithTheFailedCallNamed)
{
    SolidWidget widget(int(0xFF2080C0));
    widget.Resize(0, 0, 40, 30);
    app.mWidgetManager->AddWidget(&widget);
    const struct
    {
        const char* call;
        const char* text;
    } failures[] = {
        {"Direct3D7", "QueryInterface IID_IDirect3D7: DSERR_NOINTERFACE"},
        {"CreateDevice", "CreateDevice IID_IDirect3DHALDevice: D3DERR_INITFAILED"},
        {"GetCaps", "GetCaps: DSERR_GENERIC"},
        {"EnumTextureFormats", "EnumTextureFormats: DSERR_GENERIC"},
        {"SetViewport", "SetViewport: D3DERR_SETVIEWPORTDATA_FAILED"},
        {"Clear", "Clear: DDERR_SURFACELOST"},
    };
    uint32_t colour = 0xFF2080C0;
    for (const auto& failure : failures)
    {
        SCOPED_TRACE(failure.call);
        app.Set3D(false, true);
        PlatformTest::FailCall(failure.call);
        app.Set3D(true, true);
        PlatformTest::ClearFailures();
        EXPECT_FALSE(app.Is3DEnabled());
        EXPECT_EQ(app.mDDInterface->mErrorText, std::string("3D init error: ") + failure.text);
        EXPECT_EQ(StoredRuntimeError(), failure.text);
        // The 2-D screen that took over draws and presents.
        colour += 0x102030;
        widget.mColor = Lumo::Color(int(colour));
        widget.MarkDirty();
        app.mWidgetManager->DrawScreen();
        const std::vector<uint32_t> frame = Present();
        ASSERT_FALSE(frame.empty());
        EXPECT_EQ(frame[0], colour);
    }
    app.mWidgetManager->RemoveWidget(&widget);
}

TEST_F(AppIntegration, ARendererFailureEndsIn2DAtTheNextPresentAndIsStoredOutsideTheDemo)
{
    {
        RealApp app;
        app.mRecordingDemo = true;
        app.Init();
        app.mOnUpdate = [&](int update)
        {
            if (update == 80)
                PlatformTest::InjectCloseRequest(app.mHWnd);
        };
        app.RunToEnd();
    }
    // Played back, every registry call of the game comes from the demo: the renderer's
    // failure must still reach the real registry.
    RealApp app;
    app.SplitCommandLine("-play");
    app.Init();
    ASSERT_TRUE(app.mPlayingDemo);
    SolidWidget widget(int(0xFF2080C0));
    widget.Resize(0, 0, 40, 30);
    app.mWidgetManager->AddWidget(&widget);
    bool was3D = false, after = true;
    app.mOnUpdate = [&](int update)
    {
        if (update == 20)
        {
            app.Set3D(true, true);
            was3D = app.Is3DEnabled();
        }
        if (update == 30)
        {
            PlatformTest::FailCall("DrawPrimitive", 1);
            widget.MarkDirty();
        }
        if (update == 50)
            after = app.Is3DEnabled();
    };
    app.RunToEnd();
    app.mWidgetManager->RemoveWidget(&widget);
    EXPECT_TRUE(was3D);
    EXPECT_FALSE(after);
    const std::string stored = StoredRuntimeError();
    EXPECT_EQ(stored.rfind("DrawPrimitive (Rect): ", 0), 0u) << stored;
}

namespace
{
// The self test run again on the application's window with a DirectDraw object of its own,
// nothing read from or kept in the registry.
std::unique_ptr<Lumo::D3DTester> FreshTest(Lumo::LumoAppBase& app)
{
    auto tester = std::make_unique<Lumo::D3DTester>(&app);
    IDirectDraw7* dd = nullptr;
    if (DirectDrawCreateEx(nullptr, (void**)&dd, IID_IDirectDraw7, nullptr) != DD_OK)
        return tester;
    tester->mUseRegistry = false;
    tester->SetVidMemoryConstraints(6, 14);
    tester->Test(app.mHWnd, dd);
    dd->Release();
    return tester;
}

std::string Verdict(Lumo::LumoAppBase& app)
{
    Lumo::D3DTester* tester = app.mDDInterface->mD3DTester;
    return tester ? "[" + tester->mFailureReason + "][" + tester->mWarning + "]" : "no test";
}
} // namespace

TEST_F(AppIntegration, TheFirstStartTestsTheRendererAndTheCardListsDecide)
{
    {
        AutoApp app; // no card lists: the renderer's driver is recent, the draw tests pass
        app.Init();
        EXPECT_EQ(Verdict(app), "[][]");
        EXPECT_TRUE(app.NewTestResult());
        EXPECT_TRUE(app.Is3DTestClean());
        EXPECT_TRUE(app.Is3DEnabled());
    }
    // Refused by the game's list (the dummy driver's renderer is SDL's software one): the warning
    // keeps 3-D off, now and at the next start, which reads the stored verdict.
    const std::string description = PlatformTest::RendererAdapter().description;
    ASSERT_FALSE(description.empty());
    std::ofstream("vhwb.dat") << "\n  " << description << "  \n";
    {
        RealApp scratch;
        scratch.RegistryDeleteValue("Test3D\\Version");
    }
    for (bool first : {true, false})
    {
        AutoApp app;
        app.Init();
        EXPECT_EQ(Verdict(app), "[][Unsupported video card: " + description + "]");
        EXPECT_EQ(app.NewTestResult(), first);
        EXPECT_TRUE(app.Is3DTestPassed());
        EXPECT_FALSE(app.Is3DTestClean());
        EXPECT_FALSE(app.Is3DEnabled());
    }
    // The player may still switch it on, and keep it so at exit.
    PlatformTest::ScriptMessageBoxes({IDYES});
    {
        AutoApp app;
        app.Init();
        app.Set3D(true, true);
        EXPECT_TRUE(app.Is3DEnabled());
    }
    EXPECT_EQ(PlatformTest::ShownMessageBoxes().size(), 1u);
    PlatformTest::ResetMessageBoxes();
    AutoApp app;
    app.Init();
    EXPECT_TRUE(app.Is3DEnabled());
}

TEST_F(AppIntegration, AnOldDriverPassesOnlyForTheKnownMakers)
{
    // A driver file from 2001 beside the system's libraries, named relative to their folder.
    std::filesystem::path driver = std::filesystem::current_path() / "olddriver.dll";
    std::ofstream(driver) << "driver";
    const utimbuf june2001{991353600, 991353600};
    ASSERT_EQ(utime(driver.c_str(), &june2001), 0);
    char system[512] = {};
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    const std::string relative = std::filesystem::relative(driver, system).string();
    for (const char* card : {"ATI Radeon 7000", "SOMEVENDOR RADEON", "Some Card"})
    {
        PlatformTest::Direct3DAdapter adapter = PlatformTest::RendererAdapter();
        adapter.description = card;
        adapter.driver = relative;
        PlatformTest::SetDirect3DAdapter(adapter);
        RealApp app;
        app.Init();
        const auto tester = FreshTest(app);
        EXPECT_EQ(tester->mDriverYear, 2001) << relative;
        const bool known = std::string(card) != "Some Card";
        EXPECT_EQ(tester->mWarning, known ? "" : "Unsupported video card: Some Card") << card;
        EXPECT_EQ(tester->mFailureReason, "");
    }
    PlatformTest::ResetDirect3D();
}

TEST_F(AppIntegration, The3DSelfTestCannotTestA24BitDesktop)
{
    RealApp app;
    app.Init();
    PlatformTest::SetDesktop(Platform::DesktopInfo{1024, 768, 24, 60, 16u << 20});
    EXPECT_EQ(FreshTest(app)->mFailureReason, "Can't test 24-bit mode.");
}

TEST_F(ThreeD, SystemTextLandsOnWhatTheRendererDrew)
{
    std::unique_ptr<Lumo::Font> font(app.CreateSysFont("Sans", 14, 0));
    Lumo::Graphics g(Screen());
    g.SetColor(Lumo::Color(200, 0, 0));
    g.FillRect(0, 0, 320, 240);
    ASSERT_TRUE(Renderer().mSceneBegun);
    g.SetFont(font.get());
    g.SetColor(Lumo::Color(255, 255, 255));
    g.DrawString("WWWWWW", 10, 40);
    // The renderer's scene ended before the system drew.
    EXPECT_FALSE(Renderer().mSceneBegun);
    const std::vector<uint32_t> frame = Present();
    int white = 0, red = 0;
    for (int y = 20; y < 45; y++)
        for (int x = 10; x < 120; x++)
            white += (frame[size_t(y * 320 + x)] & 0xFFFFFF) == 0xFFFFFF;
    for (uint32_t p : frame)
        red += (p & 0xFFFFFF) == 0xC80000;
    EXPECT_GT(white, 50);
    EXPECT_GT(red, 300 * 200);
}

TEST_F(ThreeD, TheDeveloperToolsCountTheTextures)
{
    Lumo::DDImage* opaque = Picture(64, 32, [](int, int) { return 0xFF336699u; });
    Lumo::DDImage* clear = Picture(16, 16, [](int x, int) { return x ? 0xFF336699u : 0u; });
    for (Lumo::DDImage* picture : {opaque, clear})
        Screen()->Blt(picture, 0, 0, Lumo::Rect(0, 0, picture->mWidth, picture->mHeight), Lumo::Color::White,
                      Lumo::DRAWMODE_NORMAL);
    PlatformTest::ScriptMessageBoxes({IDOK});
    app.ShowVideoStats();
    const auto boxes = PlatformTest::ShownMessageBoxes();
    PlatformTest::ResetMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    const std::string& text = boxes[0].text;
    EXPECT_EQ(text.rfind("3D-Mode is On (3D is Unsupported on this system)", 0), 0u) << text;
    // 64 x 32 at two bytes and 16 x 16 at four: 4 KB and 1 KB.
    EXPECT_NE(
        text.find("Texture Memory: 5 KB\r\nA8R8G8B8: 1 - 1 KB\r\nA4R4G4B4: 0 - 0 KB\r\nR5G6B5: 1 - 4 KB\r\n"),
        std::string::npos)
        << text;

    ASSERT_TRUE(app.DumpImages());
    std::ifstream page("_dump/imagelist.html");
    const std::string html((std::istreambuf_iterator<char>(page)), std::istreambuf_iterator<char>());
    EXPECT_NE(html.find("<TD>Texture<BR>R5G6B5<BR>4,096</TD>"), std::string::npos);
    EXPECT_NE(html.find("<TD>Texture<BR>A8R8G8B8<BR>1,024</TD>"), std::string::npos);
    // Every file the page links is there; the screen's picture shows what the renderer drew.
    int links = 0;
    for (const char* tag : {"HREF=", "SRC="})
        for (size_t at = html.find(tag); at != std::string::npos; at = html.find(tag, at + 1), links++)
        {
            const size_t name = at + std::strlen(tag);
            EXPECT_TRUE(
                std::filesystem::exists("_dump/" + html.substr(name, html.find_first_of(" >", name) - name)))
                << html.substr(name, 12);
        }
    EXPECT_GE(links, 6);
    const size_t row = html.find(" WIDTH=320 HEIGHT=240>");
    ASSERT_NE(row, std::string::npos);
    std::unique_ptr<ImageLib::Image> screen(
        ImageLib::GetPNGImage("_dump/" + html.substr(html.rfind("HREF=", row) + 5, 11)));
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->mBits[0] & 0xFFFFFF, 0x31659Cu); // the opaque picture through its 5-6-5 texture
}
