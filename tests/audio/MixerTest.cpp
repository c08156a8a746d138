#include "AudioTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace AudioTest;
using LumoAudio::Mixer;
using LumoAudio::PcmFormat;
using LumoAudio::Voice;

namespace
{
class MixerTest : public ::testing::Test
{
protected:
    std::shared_ptr<Voice> AddPcm(PcmFormat format, std::vector<uint8_t> bytes)
    {
        auto voice = Voice::FromPcm(format, std::make_shared<std::vector<uint8_t>>(std::move(bytes)));
        Mixer::Instance().Add(voice);
        mVoices.push_back(voice);
        return voice;
    }
    void TearDown() override
    {
        for (auto& voice : mVoices)
            Mixer::Instance().Remove(voice.get());
        EXPECT_EQ(Mixer::Instance().VoiceCount(), 0u);
    }

    ManualMixing mManual;
    std::vector<std::shared_ptr<Voice>> mVoices;
};

PcmFormat Format(uint32_t rate, uint16_t channels, uint16_t bits)
{
    PcmFormat format;
    format.rate = rate;
    format.channels = channels;
    format.bits = bits;
    return format;
}
} // namespace

TEST(MixerGain, HundredthsOfDecibel)
{
    EXPECT_EQ(LumoAudio::GainOf(0), 1.0f);
    EXPECT_FLOAT_EQ(LumoAudio::GainOf(-2000), 0.1f);
    EXPECT_NEAR(LumoAudio::GainOf(-602), 0.5000345, 1e-6);
    EXPECT_EQ(LumoAudio::GainOf(-10000), 0.0f);
    EXPECT_EQ(LumoAudio::GainOf(-12000), 0.0f);
}

TEST_F(MixerTest, Mono16BitAtVolumeAndPan)
{
    auto voice = AddPcm(Format(44100, 1, 16), Pcm16({12340, -5670, 32767, 0}));
    voice->SetVolume(-2000); // x 0.1
    voice->Play(false);
    auto out = Render(4);
    EXPECT_EQ(out, (std::vector<int16_t>{1234, 1234, -567, -567, 3277, 3277, 0, 0}));

    // Pan to the right lowers only the left side: 20 dB more there.
    voice->SetPosition(0);
    voice->SetPan(2000);
    voice->Play(false);
    out = Render(2);
    EXPECT_EQ(out, (std::vector<int16_t>{123, 1234, -57, -567}));
}

TEST_F(MixerTest, Stereo8BitUnsignedAndHardPan)
{
    // 8-bit samples are unsigned around 128.
    auto voice = AddPcm(Format(44100, 2, 8), {138, 108, 255, 0, 128, 128});
    voice->Play(false);
    EXPECT_EQ(Render(3), (std::vector<int16_t>{2560, -5120, 32512, -32768, 0, 0}));

    voice->SetPosition(0);
    voice->SetPan(-10000); // right side silent
    voice->Play(false);
    EXPECT_EQ(Render(2), (std::vector<int16_t>{2560, 0, 32512, 0}));

    voice->SetPosition(0);
    voice->SetPan(0);
    voice->SetVolume(-10000);
    voice->Play(false);
    EXPECT_EQ(Render(2), (std::vector<int16_t>{0, 0, 0, 0}));
}

TEST_F(MixerTest, FrequencyResamplesByInterpolation)
{
    auto voice = AddPcm(Format(22050, 1, 16), Pcm16({0, 1000, 2000, 3000}));
    voice->Play(false);
    // Half rate: every source frame lasts two output frames, the second between its neighbours;
    // the last one holds instead of fading to the start.
    EXPECT_EQ(Left(Render(9)), (std::vector<int16_t>{0, 500, 1000, 1500, 2000, 2500, 3000, 3000, 0}));
    EXPECT_FALSE(voice->IsPlaying());

    voice->SetFrequency(88200); // double speed skips every other frame
    voice->Play(false);
    EXPECT_EQ(Left(Render(3)), (std::vector<int16_t>{0, 2000, 0}));
    voice->SetFrequency(0);
    EXPECT_EQ(voice->Frequency(), 22050u);
}

TEST_F(MixerTest, LoopingWrapsAndOneShotEnds)
{
    auto loop = AddPcm(Format(44100, 1, 16), Pcm16({100, 200, 300}));
    loop->Play(true);
    EXPECT_EQ(Left(Render(7)), (std::vector<int16_t>{100, 200, 300, 100, 200, 300, 100}));
    EXPECT_TRUE(loop->IsPlaying());
    EXPECT_TRUE(loop->IsLooping());
    EXPECT_EQ(loop->Position(), 1u);
    loop->Stop();

    auto once = AddPcm(Format(44100, 1, 16), Pcm16({7, 8, 9}));
    once->Play(false);
    EXPECT_EQ(Left(Render(3)), (std::vector<int16_t>{7, 8, 9}));
    EXPECT_FALSE(once->IsPlaying()); // ended with its last frame, not one block later
    EXPECT_EQ(once->Position(), 0u);
    EXPECT_EQ(Left(Render(2)), (std::vector<int16_t>{0, 0}));
}

TEST_F(MixerTest, LoopingAtFractionalRateKeepsContinuity)
{
    // 3 frames at 33075 Hz: a loop point between frames interpolates towards the first frame.
    auto loop = AddPcm(Format(33075, 1, 16), Pcm16({0, 400, 800}));
    loop->Play(true);
    EXPECT_EQ(Left(Render(8)), (std::vector<int16_t>{0, 300, 600, 600, 0, 300, 600, 600}));
}

TEST_F(MixerTest, SumsClipAtSixteenBits)
{
    auto a = AddPcm(Format(44100, 1, 16), Pcm16({30000, -30000, 20000}));
    auto b = AddPcm(Format(44100, 1, 16), Pcm16({30000, -30000, -25000}));
    a->Play(false);
    b->Play(false);
    EXPECT_EQ(Left(Render(3)), (std::vector<int16_t>{32767, -32768, -5000}));
}

TEST_F(MixerTest, SharedVoiceKeepsTheSamples)
{
    auto original = AddPcm(Format(44100, 1, 16), Pcm16({11, 22}));
    original->SetVolume(-2000);
    auto copy = original->Share();
    EXPECT_EQ(copy->Data(), original->Data());
    EXPECT_EQ(copy->Volume(), -2000);
    EXPECT_FALSE(copy->IsPlaying());
    Mixer::Instance().Remove(original.get());
    mVoices.clear();
    original.reset();
    Mixer::Instance().Add(copy);
    mVoices.push_back(copy);
    copy->SetVolume(0);
    copy->Play(false);
    EXPECT_EQ(Left(Render(2)), (std::vector<int16_t>{11, 22}));
}

TEST_F(MixerTest, StreamVoicePullsUntilTheSourceEnds)
{
    size_t served = 0;
    auto voice = Voice::FromStream(Format(44100, 2, 16),
                                   [&served](int16_t* out, size_t frames)
                                   {
                                       size_t n = std::min<size_t>(frames, 1500 - served);
                                       for (size_t i = 0; i < n; i++)
                                       {
                                           out[2 * i] = int16_t(served + i);
                                           out[2 * i + 1] = int16_t(-int(served + i));
                                       }
                                       served += n;
                                       return n;
                                   });
    ASSERT_TRUE(voice);
    Mixer::Instance().Add(voice);
    mVoices.push_back(voice);
    voice->Play(false);
    auto out = Render(1400);
    EXPECT_EQ(out[2 * 1399], 1399);
    EXPECT_EQ(out[2 * 1399 + 1], -1399);
    EXPECT_TRUE(voice->IsPlaying());
    out = Render(200);
    EXPECT_EQ(out[2 * 99], 1499);
    EXPECT_EQ(out[2 * 100], 0);
    EXPECT_FALSE(voice->IsPlaying());
    EXPECT_EQ(served, 1500u);
    EXPECT_FALSE(voice->Share()); // one reader per stream
}

TEST(MixerFormats, RejectsWhatItCannotPlay)
{
    auto data = std::make_shared<std::vector<uint8_t>>(4);
    EXPECT_FALSE(Voice::FromPcm(Format(44100, 3, 16), data));
    EXPECT_FALSE(Voice::FromPcm(Format(44100, 1, 24), data));
    EXPECT_FALSE(Voice::FromPcm(Format(0, 1, 16), data));
    EXPECT_FALSE(Voice::FromPcm(Format(44100, 1, 16), nullptr));
    EXPECT_FALSE(Voice::FromStream(Format(44100, 1, 8), [](int16_t*, size_t) { return size_t(0); }));
}
