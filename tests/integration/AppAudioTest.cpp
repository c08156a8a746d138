// The application's sound manager and music interface: made by Init, with the stored volumes,
// heard through the mixer; a fatal music error ends the program with an error code.
#include "IntegrationSupport.h"
#include "media/BassInstance.h"
#include "media/BassMusicInterface.h"
#include "media/FModInstance.h"
#include "media/DSoundManager.h"
#include "media/FModMusicInterface.h"
#include "test/message_box.h"
#include "tests/audio/AudioTestSupport.h"
#include "tests/sound/SoundTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using IntegrationTest::AppIntegration;
using IntegrationTest::RealApp;

namespace
{
int Peak(const std::vector<int16_t>& samples)
{
    int peak = 0;
    for (int16_t s : samples)
        peak = std::max(peak, std::abs(int(s)));
    return peak;
}
} // namespace

TEST_F(AppIntegration, ASoundPlaysThroughTheMixerAtTheStoredVolume)
{
    AudioTest::ManualMixing manual;
    {
        std::vector<int16_t> square;
        for (int i = 0; i < 4000; i++)
            square.push_back(i % 20 < 10 ? 10000 : -10000);
        std::ofstream("beep.wav", std::ios::binary)
            << SoundTest::AsString(SoundTest::Wav(1, 44100, 16, SoundTest::Pcm16(square)));

        RealApp app;
        app.Init();
        ASSERT_TRUE(app.mInitialized);
        auto* sounds = dynamic_cast<Lumo::DSoundManager*>(app.mSoundManager);
        ASSERT_NE(sounds, nullptr);
        ASSERT_TRUE(sounds->Initialized());
        EXPECT_DOUBLE_EQ(sounds->VolumeScale(), 0.85); // the default effects volume
        ASSERT_TRUE(app.mSoundManager->LoadSound(9, "beep"));

        app.SetSfxVolume(1.0);
        app.PlaySample(9);
        int full = Peak(AudioTest::Left(AudioTest::Render(1000)));
        EXPECT_NEAR(full, 10000, 300);
        app.mSoundManager->StopAllSounds();

        // Half the volume is 6 dB down; muted is silent.
        app.SetSfxVolume(0.5);
        app.PlaySampleWithPan(9, 0);
        int half = Peak(AudioTest::Left(AudioTest::Render(1000)));
        EXPECT_LT(half, full * 6 / 10);
        EXPECT_GT(half, full * 4 / 10);
        app.mSoundManager->StopAllSounds();
        app.Mute(false);
        app.PlaySample(9);
        EXPECT_EQ(Peak(AudioTest::Render(1000)), 0);
        app.Unmute(false);
        app.mSoundManager->StopAllSounds();

        // An id with no sound plays nothing.
        app.PlaySample(200);
        EXPECT_EQ(Peak(AudioTest::Render(200)), 0);
    }
    EXPECT_EQ(LumoAudio::Mixer::Instance().VoiceCount(), 0u);
}

TEST_F(AppIntegration, TheMusicInterfacePlaysAnOggThroughTheStandIn)
{
    AudioTest::ManualMixing manual;
    {
        RealApp app;
        app.Init();
        ASSERT_TRUE(app.mInitialized);
        auto* music = dynamic_cast<Lumo::BassMusicInterface*>(app.mMusicInterface);
        ASSERT_NE(music, nullptr);
        ASSERT_TRUE(music->LoadMusic(2, std::string(LUMO_AUDIO_TEST_DATA) + "/loop.ogg"));
        app.SetMusicVolume(1.0);
        music->PlayMusic(2, 0, false);
        int loud = Peak(AudioTest::Left(AudioTest::Render(4000)));
        EXPECT_GT(loud, 5000);
        EXPECT_TRUE(music->IsPlaying(2));

        // Muting through the application silences the music.
        app.Mute(false);
        EXPECT_LT(Peak(AudioTest::Left(AudioTest::Render(400))), loud / 20);
        app.Unmute(false);
        music->StopMusic(2);
        EXPECT_FALSE(music->IsPlaying(2));
    }
    EXPECT_EQ(LumoAudio::Mixer::Instance().VoiceCount(), 0u);
}

TEST_F(AppIntegration, AudioDisabledGivesTheSilentMusicInterface)
{
    RealApp app;
    app.mAudioDisabled = true;
    app.Init();
    ASSERT_NE(app.mMusicInterface, nullptr);
    EXPECT_EQ(dynamic_cast<Lumo::BassMusicInterface*>(app.mMusicInterface), nullptr);
    EXPECT_FALSE(app.mMusicInterface->LoadMusic(1, std::string(LUMO_AUDIO_TEST_DATA) + "/loop.ogg"));
}

TEST_F(AppIntegration, TheFModBackEndPlaysAModuleAndTheManagerAnMp3Effect)
{
    AudioTest::ManualMixing manual;
    {
        std::filesystem::copy_file(std::string(LUMO_AUDIO_TEST_DATA) + "/ding.mp3", "ding.mp3");
        RealApp app;
        app.mUseFModMusic = true;
        app.Init();
        ASSERT_TRUE(app.mInitialized);
        auto* music = dynamic_cast<Lumo::FModMusicInterface*>(app.mMusicInterface);
        ASSERT_NE(music, nullptr);
        ASSERT_TRUE(music->LoadMusic(1, std::string(LUMO_AUDIO_TEST_DATA) + "/tune.mod"));
        app.SetMusicVolume(1.0);
        music->PlayMusic(1, 0, false);
        EXPECT_TRUE(music->IsPlaying(1));
        EXPECT_NEAR(AudioTest::PitchOf(AudioTest::Mono(AudioTest::Render(20000)), 2000, 16000), 259, 7);
        music->StopMusic(1);

        ASSERT_TRUE(app.mSoundManager->LoadSound(7, "ding"));
        EXPECT_TRUE(std::filesystem::exists("cached/ding.wav"));
        app.SetSfxVolume(1.0);
        app.PlaySample(7);
        EXPECT_GT(Peak(AudioTest::Render(4000)), 5000);
    }
    EXPECT_EQ(LumoAudio::Mixer::Instance().VoiceCount(), 0u);
}

using AppIntegrationDeathTest = AppIntegration;

// The audio code's own box: its caption "Error", no owner window; then the error exit code.
TEST_F(AppIntegrationDeathTest, AFatalMusicErrorEndsTheProgramWithAnErrorCode)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    RealApp app;
    app.mUseFModMusic = true;
    EXPECT_EXIT(
        {
            app.Init();
            PlatformTest::ScriptMessageBoxes({IDOK});
            std::atexit(
                []
                {
                    for (const auto& box : PlatformTest::ShownMessageBoxes())
                        std::fprintf(stderr, "box \"%s\" owned %d\n", box.caption.c_str(), int(box.owned));
                });
            Lumo::FMOD_INSTANCE incomplete("fmod_incomplete.dll");
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), "box \"Error\" owned 0");
}
