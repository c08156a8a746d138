#include "AppTestSupport.h"
#include "core/faults.h"

#include <fstream>

using AppTest::AppFixture;
using AppTest::TestApp;

using Settings = AppFixture;

TEST_F(Settings, SaveAndLoadRoundTrip)
{
    {
        TestApp app;
        app.mRegistryKey = "Crustavia";
        app.mMusicVolume = 0.29;
        app.mSfxVolume = 0.857;
        app.mMuteCount = 2; // one of the user's, one automatic: only the user's is kept
        app.mAutoMuteCount = 1;
        app.mIsWindowed = false;
        app.mPreferredX = 12;
        app.mPreferredY = -34;
        app.mCustomCursorsEnabled = true;
        app.mWaitForVSync = true;
        app.SaveSettings();
    }
    TestApp app;
    app.mRegistryKey = "Crustavia";
    app.LoadSettings();
    EXPECT_TRUE(app.mSettingsLoaded);
    EXPECT_DOUBLE_EQ(app.mMusicVolume, 0.29);
    EXPECT_DOUBLE_EQ(app.mSfxVolume, 0.85);
    EXPECT_EQ(app.mMuteCount, 1);
    EXPECT_FALSE(app.mIsWindowed);
    EXPECT_EQ(app.mPreferredX, 12);
    EXPECT_EQ(app.mPreferredY, -34);
    EXPECT_TRUE(app.mCustomCursorsEnabled);
    EXPECT_TRUE(app.mWaitForVSync);
    int inProgress = 0;
    ASSERT_TRUE(app.RegistryReadInteger("InProgress", &inProgress));
    EXPECT_EQ(inProgress, 1);
    app.SaveSettings();
    ASSERT_TRUE(app.RegistryReadInteger("InProgress", &inProgress));
    EXPECT_EQ(inProgress, 0);
}

TEST_F(Settings, MutedKeepsOnlyTheUsersOwnMutes)
{
    TestApp app;
    app.mRegistryKey = "Crustavia";
    app.Mute(true); // minimised, say
    app.SaveSettings();
    int muted = -1;
    ASSERT_TRUE(app.RegistryReadInteger("Muted", &muted));
    EXPECT_EQ(muted, 0);
    app.Mute(false);
    app.Mute(false);
    app.SaveSettings();
    ASSERT_TRUE(app.RegistryReadInteger("Muted", &muted));
    EXPECT_EQ(muted, 1);
}

// The order of the writes is part of the demo format. With the first n writes failing, only
// the last 9 - n of the order are stored.
TEST_F(Settings, SavedInTheirOrder)
{
    const std::vector<std::string> order = {"MusicVolume",   "SfxVolume",  "Muted",
                                            "ScreenMode",    "PreferredX", "PreferredY",
                                            "CustomCursors", "InProgress", "WaitForVSync"};
    for (size_t failing = 0; failing <= order.size(); failing++)
    {
        SCOPED_TRACE(failing);
        std::filesystem::remove(mDir / "registry.txt");
        PlatformTest::ReloadRegistry();
        TestApp app;
        app.mRegistryKey = "Crustavia";
        if (failing > 0)
            PlatformTest::FailCall("RegSetValueExA", (int)failing);
        app.SaveSettings();
        PlatformTest::ClearFailures();
        for (size_t i = 0; i < order.size(); i++)
        {
            int value = 0;
            EXPECT_EQ(app.RegistryReadInteger(order[i], &value), i >= failing) << order[i];
        }
    }
}

TEST_F(Settings, BadValuesKeepDefaultsOrAreClamped)
{
    TestApp writer;
    writer.mRegistryKey = "Crustavia";
    writer.RegistryWriteString("MusicVolume", "85");
    writer.RegistryWriteInteger("SfxVolume", 250);
    writer.RegistryWriteInteger("Muted", 7);
    writer.RegistryWriteInteger("ScreenMode", 3);

    TestApp app;
    app.mRegistryKey = "Crustavia";
    app.LoadSettings();
    EXPECT_DOUBLE_EQ(app.mMusicVolume, 0.85); // not a number value: the default stays
    EXPECT_DOUBLE_EQ(app.mSfxVolume, 1.0);
    EXPECT_EQ(app.mMuteCount, 1);
    EXPECT_FALSE(app.mIsWindowed);
    EXPECT_EQ(app.mPreferredX, -1);
}

TEST_F(Settings, DamagedRegistryFileGivesDefaults)
{
    std::ofstream(mDir / "registry.txt") << "\x01\x02 garbage [[[\n=\n";
    PlatformTest::ReloadRegistry();
    TestApp app;
    app.mRegistryKey = "Crustavia";
    testing::internal::CaptureStderr();
    app.LoadSettings();
    testing::internal::GetCapturedStderr();
    EXPECT_DOUBLE_EQ(app.mMusicVolume, 0.85);
    EXPECT_TRUE(app.mIsWindowed);
    EXPECT_EQ(app.mMuteCount, 0);
}

TEST_F(Settings, EmptyKeyTouchesNothingAndSubKeysWork)
{
    TestApp app;
    app.mRecordingDemo = true;
    app.LoadSettings();
    app.SaveSettings();
    EXPECT_FALSE(app.RegistryWriteInteger("X", 1));
    EXPECT_EQ(app.mDemo.mBuffer.GetDataLen(), 0);

    app.mRegistryKey = "Crustavia";
    ASSERT_TRUE(app.RegistryWriteInteger("Test3D\\Version", 3));
    int version = 0;
    ASSERT_TRUE(app.RegistryReadInteger("Test3D\\Version", &version));
    EXPECT_EQ(version, 3);
    EXPECT_FALSE(app.RegistryReadInteger("Version", &version));
    bool flag = true;
    app.RegistryWriteBoolean("Is3D", false);
    ASSERT_TRUE(app.RegistryReadBoolean("Is3D", &flag));
    EXPECT_FALSE(flag);
    app.RegistryDeleteValue("Is3D");
    EXPECT_FALSE(app.RegistryReadBoolean("Is3D", &flag));
}

TEST_F(Settings, ReadsAndWritesReplayFromTheDemo)
{
    Lumo::Buffer recorded;
    {
        TestApp app;
        app.mRegistryKey = "Crustavia";
        app.RegistryWriteInteger("MusicVolume", 40);
        app.RegistryWriteInteger("PreferredX", 77);
        app.mRecordingDemo = true;
        app.LoadSettings();
        app.mMusicVolume = 0.1;
        app.SaveSettings();
        recorded = app.mDemo.mBuffer;
    }
    // Another machine: an empty registry, and the played run must not write to it.
    std::filesystem::remove(mDir / "registry.txt");
    PlatformTest::ReloadRegistry();
    TestApp app;
    app.mRegistryKey = "Crustavia";
    app.mPlayingDemo = true;
    app.mDemo.SetEvents(recorded.GetDataPtr(), recorded.GetDataLen());
    app.LoadSettings();
    EXPECT_DOUBLE_EQ(app.mMusicVolume, 0.40);
    EXPECT_EQ(app.mPreferredX, 77);
    app.SaveSettings();
    EXPECT_TRUE(app.mDemo.AtEnd());
    app.mPlayingDemo = false;
    int value = 0;
    EXPECT_FALSE(app.RegistryReadInteger("MusicVolume", &value));
}

TEST_F(Settings, KeptInAFolderNamedAfterTheRegistryKey)
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = xdg != nullptr ? xdg : "";
    unsetenv("LUMO_REGISTRY_FILE");
    setenv("XDG_CONFIG_HOME", mDir.c_str(), 1);
    PlatformTest::ReloadRegistry();
    TestApp app;
    app.mRegistryKey = "Pizzeria";
    app.LoadSettings();
    EXPECT_EQ(PlatformTest::RegistryFilePath(), (mDir / "pizzeria" / "registry.txt").string());
    EXPECT_TRUE(std::filesystem::is_regular_file(mDir / "pizzeria" / "registry.txt"));
    if (xdg != nullptr)
        setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    Platform::SetRegistryFolderName("");
}
