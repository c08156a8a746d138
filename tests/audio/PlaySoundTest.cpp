// PlaySoundA: WAV files played through the shared mixer, one at a time, and the cases that
// play nothing.
#include "audio/Mixer.h"
#include "tests/audio/AudioTestSupport.h"
#include "win32/windows.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace
{
using LumoAudio::Mixer;

// A mono 16-bit WAV file of the samples.
std::string Wave(const std::vector<int16_t>& samples, uint32_t rate)
{
    const std::vector<uint8_t> bytes = AudioTest::Wav(1, rate, 16, AudioTest::Pcm16(samples));
    return std::string(bytes.begin(), bytes.end());
}

class PlaySound : public ::testing::Test
{
protected:
    std::filesystem::path mDir;
    AudioTest::ManualMixing mManual;
    bool mAcquired = false;

    void SetUp() override
    {
        mDir = std::filesystem::temp_directory_path() / ("lumo_playsound_" + std::to_string(getpid()));
        std::filesystem::create_directories(mDir);
        mAcquired = Mixer::Instance().AcquireDevice();
        ASSERT_TRUE(mAcquired);
    }
    void TearDown() override
    {
        PlaySoundA(nullptr, nullptr, 0);
        EXPECT_EQ(Mixer::Instance().VoiceCount(), 0u);
        if (mAcquired)
            Mixer::Instance().ReleaseDevice();
        std::filesystem::remove_all(mDir);
    }
    std::string Write(const std::string& name, const std::string& bytes)
    {
        std::string path = (mDir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
};
} // namespace

TEST_F(PlaySound, AFilePlaysThroughTheMixerAndReplacesTheLastOne)
{
    std::string loud = Write("loud.wav", Wave(std::vector<int16_t>(4410, 12000), 44100));
    std::string soft = Write("soft.wav", Wave(std::vector<int16_t>(4410, 3000), 44100));
    ASSERT_TRUE(PlaySoundA(loud.c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    EXPECT_EQ(Mixer::Instance().VoiceCount(), 1u);
    auto out = AudioTest::Render(8);
    EXPECT_NE(out[0], 0);
    int loudLevel = out[0];

    ASSERT_TRUE(PlaySoundA(soft.c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    EXPECT_EQ(Mixer::Instance().VoiceCount(), 1u);
    out = AudioTest::Render(8);
    EXPECT_GT(out[0], 0);
    EXPECT_LT(out[0], loudLevel);

    // A null name stops it.
    EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
    EXPECT_EQ(Mixer::Instance().VoiceCount(), 0u);
    out = AudioTest::Render(8);
    EXPECT_EQ(out[0], 0);
}

TEST_F(PlaySound, NothingPlaysForMissingOrBadFilesOrNonFileSounds)
{
    std::string good = Write("good.wav", Wave(std::vector<int16_t>(100, 5000), 22050));
    EXPECT_FALSE(PlaySoundA((mDir / "missing.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    EXPECT_FALSE(PlaySoundA(Write("text.wav", "not a wave file at all").c_str(), nullptr, SND_FILENAME));
    std::string truncated = Wave(std::vector<int16_t>(100, 5000), 22050).substr(0, 30);
    EXPECT_FALSE(PlaySoundA(Write("short.wav", truncated).c_str(), nullptr, SND_FILENAME));
    EXPECT_FALSE(PlaySoundA(Write("empty.wav", "").c_str(), nullptr, SND_FILENAME));
    // Without SND_FILENAME the name would be a system sound alias: none exist.
    EXPECT_FALSE(PlaySoundA(good.c_str(), nullptr, SND_ASYNC));
    EXPECT_EQ(Mixer::Instance().VoiceCount(), 0u);
    EXPECT_TRUE(PlaySoundA(good.c_str(), nullptr, SND_FILENAME));
    EXPECT_EQ(Mixer::Instance().VoiceCount(), 1u);
}

TEST(PlaySoundWithoutOutput, FailsWhileTheSoundOutputIsClosed)
{
    ASSERT_FALSE(LumoAudio::Mixer::Instance().HasDevice());
    std::string path =
        (std::filesystem::temp_directory_path() / ("lumo_ps_" + std::to_string(getpid()) + ".wav"));
    std::ofstream(path, std::ios::binary) << Wave(std::vector<int16_t>(100, 5000), 22050);
    EXPECT_FALSE(PlaySoundA(path.c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    std::remove(path.c_str());
}
