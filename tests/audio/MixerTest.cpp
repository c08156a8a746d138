#include "AudioTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <system_error>
#include <cmath>
#include <cstring>

using namespace AudioTest;
using LumoAudio::Mixer;
using LumoAudio::PcmFormat;
using LumoAudio::PullFn;
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

// One voice of the mixed scene, and the mixer's arithmetic written plainly, a frame at a time,
// as the mixer first did it: every faster path must give the same samples, bit for bit.
struct Scene
{
    uint32_t rate;
    uint16_t channels;
    uint16_t bits;
    uint64_t frames;
    uint32_t frequency;
    int volume;
    int pan;
    bool looping;
    uint64_t loopStart;
    uint64_t loopEnd;
    uint64_t start;
    bool stream;
};

struct ReferenceVoice
{
    Scene scene;
    std::vector<uint8_t> bytes;
    uint64_t position;
    bool playing = true;

    float Sample(uint64_t frame, int side) const
    {
        const uint8_t* p = bytes.data() + frame * scene.channels * scene.bits / 8 +
                           (scene.channels == 2 ? side * scene.bits / 8 : 0);
        return scene.bits == 8 ? float((int(p[0]) - 128) * 256)
                               : float(int16_t(uint16_t(p[0] | (p[1] << 8))));
    }

    void Mix(std::vector<float>& mix, size_t frames)
    {
        const int pan = scene.pan;
        const float gains[2] = {LumoAudio::GainOf(scene.volume - std::max(pan, 0)),
                                LumoAudio::GainOf(scene.volume + std::min(pan, 0))};
        const uint64_t step = (uint64_t(scene.frequency) << 32) / LumoAudio::kMixRate;
        const uint64_t loopEnd = scene.loopEnd == 0 ? scene.frames : std::min(scene.loopEnd, scene.frames);
        const uint64_t loopStart = std::min(scene.loopStart, loopEnd - 1);
        const uint64_t end = scene.looping ? loopEnd : scene.frames;
        for (size_t i = 0; i < frames && playing; i++, position += step)
        {
            uint64_t index = position >> 32;
            if (index >= end && !scene.looping)
            {
                playing = false;
                break;
            }
            if (index >= end)
            {
                index = loopStart + (index - loopStart) % (loopEnd - loopStart);
                position = (index << 32) | uint32_t(position);
            }
            const uint64_t next = index + 1 < end ? index + 1 : scene.looping ? loopStart : index;
            const float t = float(uint32_t(position)) * (1.0f / 4294967296.0f);
            for (int side = 0; side < 2; side++)
            {
                float s = Sample(index, side);
                if (uint32_t(position) != 0)
                    s += (Sample(next, side) - s) * t;
                mix[2 * i + size_t(side)] += s * gains[side];
            }
        }
    }
};
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

TEST_F(MixerTest, AStreamWhoseFeederCannotStartIsNotKeptAndTheNextStarts)
{
    auto counting = [](int16_t* out, size_t frames)
    {
        for (size_t i = 0; i < frames; i++)
            out[i] = int16_t(i + 1);
        return frames;
    };
    auto refused = Voice::FromStream(Format(44100, 1, 16), counting);
    Mixer::Instance().SetFaultHook([](const char* call) { return std::strcmp(call, "std::thread") == 0; });
    EXPECT_THROW(Mixer::Instance().Add(refused), std::system_error);
    Mixer::Instance().SetFaultHook(nullptr);
    ASSERT_EQ(Mixer::Instance().VoiceCount(), 0u);

    mVoices.push_back(Voice::FromStream(Format(44100, 1, 16), counting));
    Mixer::Instance().Add(mVoices.back());
    mVoices.back()->Play(false);
    EXPECT_EQ(Left(Render(2)), (std::vector<int16_t>{1, 2}));
}

TEST_F(MixerTest, MixOfVoicesMatchesThePlainArithmeticBitForBit)
{
    // Formats, rates up and down, loops with and without points, one-shots ending mid-block, a
    // start past the beginning, streams, and enough voices at full volume to clip.
    const std::vector<Scene> scenes = {
        {22050, 1, 16, 6000, 30001, -1300, 1500, true, 0, 0, 0, false},
        {11025, 2, 8, 3000, 11025, -1000, -2500, false, 0, 0, 0, false},
        {44100, 2, 16, 2000, 48000, -1100, 0, true, 500, 1700, 0, false},
        {8000, 1, 8, 900, 96000, -1500, 10000, true, 0, 0, 0, false},
        {44100, 1, 16, 700, 44100, -900, -10000, false, 0, 0, 0, false},
        {32000, 2, 16, 4000, 32000, -1200, 300, false, 0, 0, 100, false},
        {44100, 1, 16, 1000, 22050, -1400, 0, true, 5000, 0, 0, false},
        {33075, 2, 16, 5000, 33075, -1000, 200, false, 0, 0, 0, true},
        {44100, 1, 16, 9000, 44100, -1100, -700, false, 0, 0, 0, true},
        {22050, 1, 16, 30000, 200000, -1200, 900, false, 0, 0, 0, true},
        {48000, 2, 16, 7000, 45000, -600, 0, true, 0, 0, 0, false},
    };
    uint32_t seed = 12345;
    std::vector<ReferenceVoice> reference;
    for (const Scene& scene : scenes)
    {
        ReferenceVoice voice{scene, std::vector<uint8_t>(scene.frames * scene.channels * scene.bits / 8),
                             scene.start << 32};
        for (uint8_t& byte : voice.bytes)
            byte = uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
        reference.push_back(voice);
        const PcmFormat format = Format(scene.rate, scene.channels, scene.bits);
        std::shared_ptr<Voice> played;
        if (scene.stream)
        {
            auto data = std::make_shared<std::vector<uint8_t>>(voice.bytes);
            auto served = std::make_shared<size_t>(0);
            played = Voice::FromStream(format,
                                       [data, served, scene](int16_t* out, size_t frames)
                                       {
                                           const size_t n = std::min<size_t>(frames, scene.frames - *served);
                                           std::memcpy(out, data->data() + *served * scene.channels * 2,
                                                       n * scene.channels * 2);
                                           *served += n;
                                           return n;
                                       });
            Mixer::Instance().Add(played);
            mVoices.push_back(played);
        }
        else
        {
            played = AddPcm(format, voice.bytes);
            played->SetLoop(scene.loopStart, scene.loopEnd);
            played->SetPosition(scene.start);
        }
        played->SetFrequency(scene.frequency);
        played->SetVolume(scene.volume);
        played->SetPan(scene.pan);
        played->Play(scene.looping);
    }
    float master = 1.0f;
    for (size_t frames : {1, 700, 1024, 1500, 3, 2048, 999})
    {
        if (frames == 3)
        {
            // Changes between blocks: pitch, volume, pan and the output level.
            mVoices[0]->SetFrequency(reference[0].scene.frequency = 17000);
            mVoices[2]->SetVolume(reference[2].scene.volume = -1200);
            mVoices[1]->SetPan(reference[1].scene.pan = 4000);
            Mixer::Instance().SetMasterGain(master = 0.8f);
        }
        std::vector<float> mix(frames * 2, 0.0f);
        for (ReferenceVoice& voice : reference)
            voice.Mix(mix, frames);
        std::vector<int16_t> expected;
        for (float v : mix)
            expected.push_back(int16_t(std::lrint(std::clamp(v * master, -32768.0f, 32767.0f))));
        ASSERT_EQ(Render(frames), expected) << frames;
    }
    for (size_t i = 0; i < reference.size(); i++)
        EXPECT_EQ(mVoices[i]->IsPlaying(), reference[i].playing) << i;
    Mixer::Instance().SetMasterGain(1.0f);
}

TEST_F(MixerTest, OutputAllocatesNothing)
{
    // Effects of every layout; streams with data, one that ends, and one that runs dry: it is
    // fed eight blocks, and its next pull holds the feeder until the end of the test.
    for (uint16_t bits : {8, 16})
        for (uint16_t channels : {1, 2})
            AddPcm(Format(22050, channels, bits), std::vector<uint8_t>(4000, 100))->Play(true);
    std::mutex lock;
    std::unique_lock<std::mutex> held(lock);
    int pulled = 0;
    const std::vector<PullFn> pulls = {[](int16_t* out, size_t frames)
                                       {
                                           std::fill(out, out + frames * 2, int16_t(300));
                                           return frames;
                                       },
                                       [](int16_t* out, size_t frames)
                                       {
                                           std::fill(out, out + frames * 2, int16_t(-300));
                                           return frames / 2;
                                       },
                                       [&lock, &pulled](int16_t* out, size_t frames)
                                       {
                                           if (++pulled > int(LumoAudio::StreamFeed::kSlots))
                                               std::lock_guard<std::mutex> wait(lock);
                                           std::fill(out, out + frames * 2, int16_t(500));
                                           return frames;
                                       }};
    for (const PullFn& pull : pulls)
    {
        mVoices.push_back(Voice::FromStream(Format(30000, 2, 16), pull));
        Mixer::Instance().Add(mVoices.back());
        mVoices.back()->Play(false);
    }
    Mixer::Instance().WaitForStreams();
    std::vector<int16_t> out(2 * 1024);
    for (int period = 0; period < 16; period++) // 11000 frames of each stream
    {
        const int before = AllocationsOnThisThread();
        Mixer::Instance().Render(out.data(), 1024);
        EXPECT_EQ(AllocationsOnThisThread(), before) << period;
    }
    EXPECT_LT(mVoices[6]->Position(), LumoAudio::StreamFeed::kSlots * LumoAudio::StreamFeed::kSlotFrames);
    held.unlock();
    Mixer::Instance().Remove(mVoices[6].get()); // before what its pull uses goes
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
