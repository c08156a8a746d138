// Hardware acceleration in the whole application: the self test at the first start, the
// stored choice, demos, and falling back to 2-D whenever the renderer cannot draw.
#include "IntegrationSupport.h"
#include "core/faults.h"
#include "display/D3DTester.h"
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
