#include "AppTestSupport.h"

#include "core/faults.h"
#include "test/shell.h"

#include <fstream>

using AppTest::AppFixture;
using AppTest::TestApp;

namespace
{
class LinkApp : public TestApp
{
public:
    std::vector<std::string> mEvents;
    LinkApp()
    {
        mInMainLoop = true; // timer messages are handled only inside the loop
    }
    void OnUrlOpened(const std::string& url) override
    {
        mEvents.push_back("opened " + url);
        TestApp::OnUrlOpened(url);
    }
    void OnUrlOpenFailed(const std::string& url) override
    {
        mEvents.push_back("failed " + url);
        TestApp::OnUrlOpenFailed(url);
    }
    // One timer message after `ms` more of the clock.
    void TimerAfter(DWORD ms)
    {
        PlatformTest::AdvanceClock(uint64_t(ms) * 1000);
        Post(WM_TIMER, 100);
        while (ProcessDeferredMessages())
        {
        }
    }
    // Timer messages every 100 ms until `ms` have passed since the link was opened.
    void TimersUntil(DWORD ms)
    {
        while (GetTickCount() - mUrlOpenTick < ms)
            TimerAfter(100);
    }
};

struct WebLinks : AppFixture
{
    void SetUp() override
    {
        AppFixture::SetUp();
        PlatformTest::CaptureShellExecute(true);
    }
    void TearDown() override
    {
        PlatformTest::CaptureShellExecute(false);
        PlatformTest::ClearFailures();
        AppFixture::TearDown();
    }
};

const std::string kUrl = "http://example.invalid/page?a=1&b=2";
} // namespace

TEST_F(WebLinks, TheLinkGoesToTheShellOnceWhilePending)
{
    LinkApp app;
    EXPECT_TRUE(app.OpenUrl(kUrl, false));
    EXPECT_TRUE(app.OpenUrl(kUrl, false));
    auto calls = PlatformTest::ShellCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].operation, "open");
    EXPECT_EQ(calls[0].file, kUrl);
    EXPECT_EQ(calls[0].parameters, "");
    EXPECT_TRUE(app.mWaitingForUrlOpen);
    EXPECT_EQ(app.mPendingUrl, kUrl);
    // Another link is opened at once.
    EXPECT_TRUE(app.OpenUrl(kUrl + "x", false));
    EXPECT_EQ(PlatformTest::ShellCalls().size(), 2u);
    EXPECT_EQ(app.mPendingUrl, kUrl + "x");
}

TEST_F(WebLinks, ARefusedLinkFailsAtOnce)
{
    LinkApp app;
    PlatformTest::FailCall("ShellExecuteA", 1);
    EXPECT_FALSE(app.OpenUrl(kUrl, true));
    EXPECT_FALSE(app.mWaitingForUrlOpen);
    EXPECT_EQ(app.mEvents, (std::vector<std::string>{"failed " + kUrl}));
    EXPECT_FALSE(app.mShutdown);
    EXPECT_FALSE(app.OpenUrl("", false)); // nothing to open
}

TEST_F(WebLinks, StayingActiveTwelveSecondsOfSteadyTimersIsAFailure)
{
    LinkApp app;
    app.TimerAfter(10);
    app.OpenUrl(kUrl, false);
    app.TimersUntil(12000);
    EXPECT_TRUE(app.mEvents.empty());
    app.TimerAfter(100);
    EXPECT_EQ(app.mEvents, (std::vector<std::string>{"failed " + kUrl}));
    EXPECT_FALSE(app.mWaitingForUrlOpen);
}

TEST_F(WebLinks, AGapInTheTimersPostponesTheVerdict)
{
    LinkApp app;
    app.TimerAfter(10);
    app.OpenUrl(kUrl, false);
    app.TimersUntil(10000);
    app.TimerAfter(600); // stalled: the steady run starts again here
    DWORD resumed = GetTickCount();
    EXPECT_EQ(app.mResumeTime, resumed);
    while (GetTickCount() - resumed <= 5000)
    {
        EXPECT_TRUE(app.mEvents.empty());
        app.TimerAfter(100);
    }
    EXPECT_EQ(app.mEvents, (std::vector<std::string>{"failed " + kUrl}));
}

TEST_F(WebLinks, InactiveAfterEightSecondsIsASuccess)
{
    LinkApp app;
    app.TimerAfter(10);
    app.OpenUrl(kUrl, false);
    app.mActive = false; // without the activation message: only the watchdog can tell
    app.TimersUntil(8000);
    EXPECT_TRUE(app.mEvents.empty());
    app.TimerAfter(100);
    EXPECT_EQ(app.mEvents, (std::vector<std::string>{"opened " + kUrl}));
    EXPECT_FALSE(app.mShutdown);
}

TEST_F(WebLinks, LosingTheFocusIsASuccessAtOnceAndMayShutDown)
{
    LinkApp app;
    app.OpenUrl(kUrl, true);
    app.mActive = false;
    app.Post(WM_ACTIVATEAPP, 0);
    while (app.ProcessDeferredMessages())
    {
    }
    EXPECT_EQ(app.mEvents, (std::vector<std::string>{"opened " + kUrl}));
    EXPECT_FALSE(app.mWaitingForUrlOpen);
    EXPECT_TRUE(app.mShutdown);
}

TEST_F(WebLinks, ProductVersionOfTheProgramAndOfFilesWithout)
{
    Platform::SetProductVersion("3.1.4 beta");
    {
        LinkApp app;
        EXPECT_EQ(app.mProductVersion, "3.1.4 beta");
        EXPECT_EQ(app.GetProductVersion("/proc/self/exe"), "3.1.4 beta");
        std::ofstream("plain.txt") << "no version here";
        EXPECT_EQ(app.GetProductVersion("plain.txt"), "");
        EXPECT_EQ(app.GetProductVersion("missing.exe"), "");
        EXPECT_EQ(app.GetProductVersion(""), "");
    }
    Platform::SetProductVersion("");
    LinkApp app;
    EXPECT_EQ(app.mProductVersion, "");
}

TEST_F(WebLinks, WithoutTheVersionModuleTheVersionIsEmpty)
{
    Platform::SetProductVersion("1.0");
    PlatformTest::FailCall("LoadLibraryA"); // no module at all
    LinkApp app;
    PlatformTest::ClearFailures();
    EXPECT_EQ(app.mProductVersion, "");
    EXPECT_EQ(app.GetProductVersion("/proc/self/exe"), "");
    Platform::SetProductVersion("");
}

TEST_F(WebLinks, ANewWindowLeavesTheFocusToTheBrowserWhileALinkIsPending)
{
    LinkApp app;
    app.OpenUrl(kUrl, false);
    app.SetScreenMode(true, false, true);
    ASSERT_NE(app.mHWnd, nullptr);
    EXPECT_TRUE(IsWindowVisible(app.mHWnd));
    EXPECT_NE(GetForegroundWindow(), app.mHWnd);

    app.mWaitingForUrlOpen = false;
    app.SetScreenMode(true, false, true);
    EXPECT_EQ(GetForegroundWindow(), app.mHWnd);
}

TEST_F(WebLinks, TheWatchdogAlsoRunsWhileADemoPlays)
{
    LinkApp app;
    app.mPlayingDemo = true; // live input is ignored, timer messages still judge the link
    app.TimerAfter(10);
    app.OpenUrl(kUrl, false);
    app.TimersUntil(12100);
    EXPECT_EQ(app.mEvents, (std::vector<std::string>{"failed " + kUrl}));
}
