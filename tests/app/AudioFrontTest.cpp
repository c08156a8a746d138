#include "AppTestSupport.h"

using AppTest::AppFixture;
using AppTest::TestApp;
using AppTest::VolumeOutput;

using AudioFront = AppFixture;

TEST_F(AudioFront, MutesAreCountedAndVolumesKept)
{
    TestApp app;
    VolumeOutput music, sfx;
    app.mMusicInterface = &music;
    app.mSoundManager = &sfx;
    app.Mute(false);
    app.Mute(false);
    app.Unmute(false);
    EXPECT_TRUE(app.IsMuted());
    EXPECT_EQ(music.mVolume, 0.0);
    app.SetMusicVolume(0.5); // stored, still silent
    EXPECT_EQ(music.mVolume, 0.0);
    EXPECT_EQ(app.GetMusicVolume(), 0.5);
    app.Unmute(false);
    EXPECT_FALSE(app.IsMuted());
    EXPECT_EQ(music.mVolume, 0.5);
    EXPECT_EQ(sfx.mVolume, 0.85);
    app.Unmute(false);
    app.Unmute(true);
    EXPECT_EQ(app.mMuteCount, 0);
    EXPECT_EQ(app.mAutoMuteCount, 0);

    // An automatic unmute never drives the automatic count below zero.
    app.Mute(false);
    app.Unmute(true);
    EXPECT_EQ(app.mAutoMuteCount, 0);
    EXPECT_EQ(app.mMuteCount, 0);
    app.Mute(true);
    app.Mute(false);
    app.Unmute(false);
    EXPECT_EQ(app.mMuteCount, 1);
    EXPECT_LE(app.mAutoMuteCount, app.mMuteCount);
    app.mMusicInterface = nullptr;
    app.mSoundManager = nullptr;
}

TEST_F(AudioFront, FastForwardEndsWithAStreamThatHasNoClose)
{
    TestApp app;
    VolumeOutput sfx;
    app.mSoundManager = &sfx;
    app.mPlayingDemo = true;
    app.mLoadingDoneHandled = app.mDemoLoadingComplete = true;
    Lumo::DemoStream rec; // ended by a killed process: no close record
    rec.RecordKey(5, Lumo::DEMO_KEY_DOWN, 'A');
    app.mDemo.SetEvents(rec.mBuffer.GetDataPtr(), rec.mBuffer.GetDataLen());
    app.mFastForwardToEnd = true;
    for (int i = 0; i < 100 && app.mFastForwardToEnd; i++)
        app.PumpStep(nullptr);
    ASSERT_FALSE(app.mFastForwardToEnd);
    EXPECT_EQ(app.mUpdateCount, 5);
    EXPECT_FALSE(app.mAutoMuted);
    EXPECT_EQ(app.mAutoMuteCount, 0);
    // As at normal speed: held at the last record, it sleeps between passes and draws.
    int sleeps = app.mSleepCount;
    int draws = app.mDrawCount;
    app.mWidgets.MarkDirty();
    app.RunFor(300);
    EXPECT_GT(app.mSleepCount, sleeps);
    EXPECT_GT(app.mDrawCount, draws);
    EXPECT_EQ(app.mUpdateCount, 5);
    app.mSoundManager = nullptr;
}

TEST_F(AudioFront, FastForwardMutesOnceAndUnmutesAtTheEnd)
{
    TestApp app;
    VolumeOutput sfx;
    app.mSoundManager = &sfx;
    app.mPlayingDemo = true;
    app.mDemoLoadingComplete = false;
    // A demo of a single filler-free close at update 30.
    app.mDemo.mBuffer.Clear();
    Lumo::DemoStream rec;
    rec.RecordEvent(30, Lumo::DEMO_CLOSE);
    app.mDemo.SetEvents(rec.mBuffer.GetDataPtr(), rec.mBuffer.GetDataLen());
    app.mFastForwardToUpdateNum = 20;
    std::vector<int> autoMutes;
    app.mWidgets.mOnUpdate = [&](int) { autoMutes.push_back(app.mAutoMuteCount); };
    DWORD start = timeGetTime();
    for (int i = 0; i < 200 && app.mUpdateCount < 20; i++)
        app.PumpStep(nullptr);
    EXPECT_EQ(timeGetTime(), start); // back to back, without waiting (one stop for the filler at 15)
    EXPECT_EQ(app.mUpdateCount, 20);
    EXPECT_EQ(autoMutes, std::vector<int>(20, 1)); // muted once for the whole run
    EXPECT_FALSE(app.mAutoMuted);
    EXPECT_EQ(app.mAutoMuteCount, 0);
    EXPECT_EQ(sfx.mStops, 1);
    app.RunFor(200);
    EXPECT_TRUE(app.mShutdown); // the close record at update 30
    EXPECT_EQ(app.mUpdateCount, 30);
    app.mSoundManager = nullptr;
}
