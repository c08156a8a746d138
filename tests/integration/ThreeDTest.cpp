// Hardware acceleration in the whole application: the self test at the first start, the
// stored choice, demos, and falling back to 2-D whenever the renderer cannot draw.
#include "IntegrationSupport.h"
#include "core/faults.h"
#include "display/D3DTester.h"
#include "test/direct3d.h"
#include "test/present.h"

#include <filesystem>

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
    RealApp app;

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
    EXPECT_EQ(Screen()->mBits, nullptr);

    app.Set3D(false, true);
    scene(Screen());
    const std::vector<uint32_t> twoD = Present();
    const IntegrationTest::FrameDifference apart = IntegrationTest::CompareFrames(
        twoD, threeD, IntegrationTest::kRendererTolerance, IntegrationTest::kRendererFar);
    EXPECT_GT(apart.mWithin, 0.99);
    EXPECT_LT(apart.mFar, 0.002);
}
