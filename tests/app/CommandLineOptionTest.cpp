#include "AppTestSupport.h"

#include <fstream>

using AppTest::AppFixture;
using AppTest::TestApp;

using CommandLineOptions = AppFixture;
using CommandLineOptionsDeathTest = AppFixture;

TEST_F(CommandLineOptions, LastModeWinsAndFileNames)
{
    TestApp app;
    app.SplitCommandLine("-record -play -demofile=\"my run.dmo\" -screensaver");
    EXPECT_TRUE(app.mPlayingDemo);
    EXPECT_FALSE(app.mRecordingDemo);
    EXPECT_EQ(app.mDemoFileName, "my run.dmo");
    EXPECT_TRUE(app.mScreenSaverMode);
    app.SplitCommandLine("-record");
    EXPECT_TRUE(app.mRecordingDemo);
    EXPECT_FALSE(app.mPlayingDemo);
}

TEST_F(CommandLineOptions, NumberedRecordingAndPlayback)
{
    for (int n : {4, 7, 9})
        std::ofstream("lumoapp" + std::to_string(n) + ".dmo") << "x";
    TestApp app;
    app.SplitCommandLine("-recnum=3");
    EXPECT_EQ(app.mDemoFileName, "lumoapp10.dmo");
    EXPECT_TRUE(app.mRecordingDemo);
    EXPECT_FALSE(std::filesystem::exists("lumoapp4.dmo"));

    app.SplitCommandLine("-playnum=0");
    EXPECT_EQ(app.mDemoFileName, "lumoapp9.dmo");
    EXPECT_TRUE(app.mPlayingDemo);
    app.SplitCommandLine("-playnum=2");
    EXPECT_EQ(app.mDemoFileName, "lumoapp8.dmo"); // by number, present or not
    app.SplitCommandLine("-playnum=x");
    EXPECT_EQ(app.mDemoFileName, "lumoapp9.dmo");
    // Numbers beyond an int are held to its ends.
    app.SplitCommandLine("-playnum=-2147483648");
    EXPECT_EQ(app.mDemoFileName, "lumoapp9.dmo");
    app.SplitCommandLine("-playnum=99999999999");
    EXPECT_EQ(app.mDemoFileName, "lumoapp-2147483637.dmo");
    app.mDemoFilePrefix = "100%d";
    app.SplitCommandLine("-recnum=x");
    EXPECT_EQ(app.mDemoFileName, "100%d1.dmo"); // the prefix is text, never a format
    // Another run saved its demo under that number meanwhile: it stays, and this one takes the next.
    std::ofstream("100%d1.dmo") << "other run";
    app.WriteDemoFile();
    std::string kept;
    std::getline(std::ifstream("100%d1.dmo"), kept);
    EXPECT_EQ(kept, "other run");
    EXPECT_EQ(app.mDemoFileName, "100%d2.dmo");
    EXPECT_TRUE(std::filesystem::exists("100%d2.dmo"));
}

TEST_F(CommandLineOptions, ParsesTheProcessLine)
{
    char program[] = "/opt/my games/crustavia";
    char play[] = "-play";
    char* argv[] = {program, play};
    Platform::SetCommandLine(2, argv);
    TestApp app;
    app.ParseCommandLine();
    EXPECT_TRUE(app.mCommandLineParsed);
    EXPECT_TRUE(app.mPlayingDemo);
}

TEST_F(CommandLineOptionsDeathTest, InvalidOptionEndsWithAnError)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TestApp app;
    EXPECT_EXIT(app.SplitCommandLine("-play -bogus"), testing::ExitedWithCode(1),
                "Invalid Command Line Param: -bogus");
    EXPECT_EXIT(app.SplitCommandLine("=5"), testing::ExitedWithCode(1), "Invalid Command Line Param: \n");
    EXPECT_DEATH(app.SplitCommandLine("-crash"), "");
}
