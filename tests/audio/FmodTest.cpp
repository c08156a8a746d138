// The fmod.dll stand-in as a program sees it: opened by file name, every entry point by name,
// everything measured at the shared mixer's output.
#include "../BigClaims.h"
#include "AudioTestSupport.h"
#include "fmod/fmod.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

using namespace AudioTest;
namespace fs = std::filesystem;

namespace
{
// The module of the tests: three orders of 0.48 s each, at about 259, 518 and 1036 Hz.
const std::string kTune = std::string(LUMO_AUDIO_TEST_DATA) + "/tune.mod";
constexpr size_t kOrderFrames = 21168;
const double kOrderPitch[3] = {259.0, 518.0, 1036.0};

const char* const kEntryPoints[] = {"FSOUND_SetBufferSize",
                                    "FSOUND_SetHWND",
                                    "FSOUND_Init",
                                    "FSOUND_Close",
                                    "FSOUND_Sample_Load",
                                    "FSOUND_Sample_Alloc",
                                    "FSOUND_Sample_Free",
                                    "FSOUND_Sample_Lock",
                                    "FSOUND_Sample_Unlock",
                                    "FSOUND_Sample_SetLoopPoints",
                                    "FSOUND_Sample_GetLength",
                                    "FSOUND_Sample_GetDefaults",
                                    "FSOUND_Sample_GetMode",
                                    "FSOUND_PlaySound",
                                    "FSOUND_StopSound",
                                    "FSOUND_SetVolume",
                                    "FSOUND_SetPaused",
                                    "FSOUND_SetLoopMode",
                                    "FSOUND_IsPlaying",
                                    "FSOUND_Stream_OpenFile",
                                    "FSOUND_Stream_Close",
                                    "FSOUND_Stream_Play",
                                    "FMUSIC_LoadSong",
                                    "FMUSIC_PlaySong",
                                    "FMUSIC_StopSong",
                                    "FMUSIC_SetLooping",
                                    "FMUSIC_SetOrder",
                                    "FMUSIC_SetPaused",
                                    "FMUSIC_SetMasterVolume",
                                    "FMUSIC_IsPlaying"};

class FmodTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mLibrary = OpenLibrary("fmod.so");
        ASSERT_TRUE(mLibrary) << dlerror();
#define LOOK_UP(name) ASSERT_TRUE(name = reinterpret_cast<decltype(&::name)>(dlsym(mLibrary, #name)))
        LOOK_UP(FSOUND_Init);
        LOOK_UP(FSOUND_Close);
        LOOK_UP(FSOUND_Sample_Load);
        LOOK_UP(FSOUND_Sample_Alloc);
        LOOK_UP(FSOUND_Sample_Free);
        LOOK_UP(FSOUND_Sample_Lock);
        LOOK_UP(FSOUND_Sample_Unlock);
        LOOK_UP(FSOUND_Sample_SetLoopPoints);
        LOOK_UP(FSOUND_Sample_GetLength);
        LOOK_UP(FSOUND_Sample_GetDefaults);
        LOOK_UP(FSOUND_Sample_GetMode);
        LOOK_UP(FSOUND_PlaySound);
        LOOK_UP(FSOUND_StopSound);
        LOOK_UP(FSOUND_SetVolume);
        LOOK_UP(FSOUND_SetPaused);
        LOOK_UP(FSOUND_SetLoopMode);
        LOOK_UP(FSOUND_IsPlaying);
        LOOK_UP(FSOUND_Stream_OpenFile);
        LOOK_UP(FSOUND_Stream_Play);
        LOOK_UP(FSOUND_Stream_Close);
        LOOK_UP(FMUSIC_LoadSong);
        LOOK_UP(FMUSIC_PlaySong);
        LOOK_UP(FMUSIC_StopSong);
        LOOK_UP(FMUSIC_SetLooping);
        LOOK_UP(FMUSIC_SetOrder);
        LOOK_UP(FMUSIC_SetPaused);
        LOOK_UP(FMUSIC_SetMasterVolume);
        LOOK_UP(FMUSIC_IsPlaying);
#undef LOOK_UP
        ASSERT_TRUE(FSOUND_Init(44100, 8, 0));
        mFolder = fs::temp_directory_path() / ("lumo_fmod_" + std::to_string(getpid()));
        fs::create_directories(mFolder);
    }
    void TearDown() override
    {
        if (FSOUND_Close)
            FSOUND_Close();
        EXPECT_EQ(LumoAudio::Mixer::Instance().VoiceCount(), 0u);
        EXPECT_FALSE(LumoAudio::Mixer::Instance().HasDevice());
        if (mLibrary)
            dlclose(mLibrary);
        std::error_code ignored;
        fs::remove_all(mFolder, ignored);
    }

    // A 16-bit sample of the given frames, played at the mixer's rate.
    FSOUND_SAMPLE* Alloc16(const std::vector<int16_t>& frames, unsigned int mode)
    {
        FSOUND_SAMPLE* sample =
            FSOUND_Sample_Alloc(FSOUND_FREE, int(frames.size()), mode, 44100, 255, 128, 0);
        void* data = nullptr;
        unsigned int bytes = 0;
        EXPECT_TRUE(FSOUND_Sample_Lock(sample, 0, int(frames.size() * 2), &data, nullptr, &bytes, nullptr));
        EXPECT_EQ(bytes, frames.size() * 2);
        if (data)
            std::memcpy(data, frames.data(), bytes);
        EXPECT_TRUE(FSOUND_Sample_Unlock(sample, data, nullptr, bytes, 0));
        return sample;
    }

    ManualMixing mManual;
    void* mLibrary = nullptr;
    fs::path mFolder;
#define ENTRY(name) decltype(&::name) name = nullptr
    ENTRY(FSOUND_Init);
    ENTRY(FSOUND_Close);
    ENTRY(FSOUND_Sample_Load);
    ENTRY(FSOUND_Sample_Alloc);
    ENTRY(FSOUND_Sample_Free);
    ENTRY(FSOUND_Sample_Lock);
    ENTRY(FSOUND_Sample_Unlock);
    ENTRY(FSOUND_Sample_SetLoopPoints);
    ENTRY(FSOUND_Sample_GetLength);
    ENTRY(FSOUND_Sample_GetDefaults);
    ENTRY(FSOUND_Sample_GetMode);
    ENTRY(FSOUND_PlaySound);
    ENTRY(FSOUND_StopSound);
    ENTRY(FSOUND_SetVolume);
    ENTRY(FSOUND_SetPaused);
    ENTRY(FSOUND_SetLoopMode);
    ENTRY(FSOUND_IsPlaying);
    ENTRY(FSOUND_Stream_OpenFile);
    ENTRY(FSOUND_Stream_Play);
    ENTRY(FSOUND_Stream_Close);
    ENTRY(FMUSIC_LoadSong);
    ENTRY(FMUSIC_PlaySong);
    ENTRY(FMUSIC_StopSong);
    ENTRY(FMUSIC_SetLooping);
    ENTRY(FMUSIC_SetOrder);
    ENTRY(FMUSIC_SetPaused);
    ENTRY(FMUSIC_SetMasterVolume);
    ENTRY(FMUSIC_IsPlaying);
#undef ENTRY
};
} // namespace

TEST(FmodLibrary, OffersEveryEntryPointAndTheIncompleteOneLacksInit)
{
    void* library = OpenLibrary("fmod.so");
    ASSERT_TRUE(library) << dlerror();
    for (const char* name : kEntryPoints)
        EXPECT_TRUE(dlsym(library, name)) << name;
    EXPECT_FALSE(dlsym(library, "_ZN9LumoAudio12ModulePlayer4ReadEPsm")); // only the entry points show
    dlclose(library);

    library = OpenLibrary("fmod_incomplete.so");
    ASSERT_TRUE(library) << dlerror();
    int missing = 0;
    for (const char* name : kEntryPoints)
        missing += dlsym(library, name) ? 0 : 1;
    EXPECT_EQ(missing, 1);
    EXPECT_FALSE(dlsym(library, "FSOUND_Init"));
    dlclose(library);
}

TEST_F(FmodTest, ModulePlaysFromTheOrderAskedAndLoopsOrEnds)
{
    FMUSIC_MODULE* song = FMUSIC_LoadSong(kTune.c_str());
    ASSERT_TRUE(song);
    EXPECT_FALSE(FMUSIC_IsPlaying(song));
    // Played once from the second order: the second and third patterns, then silence (once the
    // last row has died away).
    ASSERT_TRUE(FMUSIC_SetLooping(song, FSOUND_LOOP_OFF));
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    ASSERT_TRUE(FMUSIC_SetOrder(song, 1));
    EXPECT_TRUE(FMUSIC_IsPlaying(song));
    auto heard = Mono(Render(3 * kOrderFrames));
    EXPECT_NEAR(PitchOf(heard, 2000, kOrderFrames - 4000), kOrderPitch[1], kOrderPitch[1] / 40);
    EXPECT_NEAR(PitchOf(heard, kOrderFrames + 2000, kOrderFrames - 4000), kOrderPitch[2],
                kOrderPitch[2] / 40);
    EXPECT_GT(PeakOf(heard, 2000, 4000), 3000);
    EXPECT_LT(PeakOf(heard, 2 * kOrderFrames + 6000, kOrderFrames - 6000), 50);
    EXPECT_FALSE(FMUSIC_IsPlaying(song));
    EXPECT_FALSE(FMUSIC_SetOrder(song, 3)); // there are three orders

    // Looping, the last order is followed by the first.
    ASSERT_TRUE(FMUSIC_SetLooping(song, FSOUND_LOOP_NORMAL));
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    ASSERT_TRUE(FMUSIC_SetOrder(song, 2));
    heard = Mono(Render(2 * kOrderFrames));
    EXPECT_NEAR(PitchOf(heard, 2000, kOrderFrames - 4000), kOrderPitch[2], kOrderPitch[2] / 40);
    EXPECT_NEAR(PitchOf(heard, kOrderFrames + 2000, kOrderFrames - 4000), kOrderPitch[0],
                kOrderPitch[0] / 40);
    EXPECT_TRUE(FMUSIC_IsPlaying(song));

    // Master volume 128 of 256 is half the level; paused is silent and still counts as playing.
    Render(2000); // away from the change of note
    const int full = PeakOf(Mono(Render(4000)), 0, 4000);
    ASSERT_TRUE(FMUSIC_SetMasterVolume(song, 128));
    EXPECT_NEAR(PeakOf(Mono(Render(4000)), 0, 4000), full / 2, full / 20);
    ASSERT_TRUE(FMUSIC_SetMasterVolume(song, -20)); // below the range: silence
    EXPECT_EQ(PeakOf(Mono(Render(500)), 0, 500), 0);
    ASSERT_TRUE(FMUSIC_SetPaused(song, TRUE));
    EXPECT_EQ(PeakOf(Mono(Render(500)), 0, 500), 0);
    EXPECT_TRUE(FMUSIC_IsPlaying(song));
    ASSERT_TRUE(FMUSIC_SetPaused(song, FALSE));
    ASSERT_TRUE(FMUSIC_StopSong(song));
    EXPECT_FALSE(FMUSIC_IsPlaying(song));
    EXPECT_EQ(PeakOf(Mono(Render(500)), 0, 500), 0);
    EXPECT_FALSE(FMUSIC_LoadSong((mFolder / "missing.mod").c_str()));
}

TEST_F(FmodTest, AllocatedSampleLoopsBetweenItsLoopPoints)
{
    FSOUND_SAMPLE* sample =
        Alloc16({100, 200, 300, 400, 500}, FSOUND_16BITS | FSOUND_MONO | FSOUND_LOOP_NORMAL);
    ASSERT_TRUE(sample);
    EXPECT_EQ(FSOUND_Sample_GetMode(sample), unsigned(FSOUND_16BITS | FSOUND_MONO | FSOUND_LOOP_NORMAL));
    EXPECT_EQ(FSOUND_Sample_GetLength(sample), 5u);
    int frequency = 0, volume = 0, pan = 0, priority = -1;
    ASSERT_TRUE(FSOUND_Sample_GetDefaults(sample, &frequency, &volume, &pan, &priority));
    EXPECT_EQ(frequency, 44100);
    EXPECT_EQ(volume, 255);
    EXPECT_EQ(pan, 128);
    EXPECT_EQ(priority, 0);
    ASSERT_TRUE(FSOUND_Sample_SetLoopPoints(sample, 2, 3)); // end included
    EXPECT_FALSE(FSOUND_Sample_SetLoopPoints(sample, 2, 5));

    // On the channel asked for, at full volume in the middle: both sides carry the sample.
    ASSERT_EQ(FSOUND_PlaySound(3, sample), 3);
    EXPECT_TRUE(FSOUND_IsPlaying(3));
    EXPECT_FALSE(FSOUND_IsPlaying(2));
    EXPECT_EQ(Left(Render(8)), (std::vector<int16_t>{100, 200, 300, 400, 300, 400, 300, 400}));
    ASSERT_TRUE(FSOUND_SetLoopMode(3, FSOUND_LOOP_OFF)); // on from the loop's end to the sample's
    EXPECT_EQ(Left(Render(3)), (std::vector<int16_t>{500, 0, 0}));
    EXPECT_FALSE(FSOUND_IsPlaying(3));

    // 8-bit samples are unsigned, silent at 0x80 when allocated.
    FSOUND_SAMPLE* bytes =
        FSOUND_Sample_Alloc(FSOUND_FREE, 3, FSOUND_8BITS | FSOUND_STEREO, 44100, 255, 128, 0);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(FSOUND_Sample_GetMode(bytes), unsigned(FSOUND_8BITS | FSOUND_STEREO | FSOUND_LOOP_OFF));
    void* data = nullptr;
    unsigned int length = 0;
    ASSERT_TRUE(FSOUND_Sample_Lock(bytes, 2, 100, &data, nullptr, &length, nullptr));
    EXPECT_EQ(length, 4u); // what there is after the offset
    static_cast<uint8_t*>(data)[0] = 0xC0;
    ASSERT_TRUE(FSOUND_Sample_Unlock(bytes, data, nullptr, length, 0));
    ASSERT_EQ(FSOUND_PlaySound(FSOUND_FREE, bytes), 0); // the first idle channel
    EXPECT_EQ(Render(2), (std::vector<int16_t>{0, 0, 16384, 0}));
    ASSERT_TRUE(FSOUND_Sample_Free(bytes));
    EXPECT_FALSE(FSOUND_Sample_Free(bytes));
    EXPECT_FALSE(FSOUND_Sample_GetLength(bytes));
}

TEST_F(FmodTest, ChannelVolumePanAndPause)
{
    FSOUND_SAMPLE* sample =
        Alloc16(std::vector<int16_t>(200, 20000), FSOUND_16BITS | FSOUND_MONO | FSOUND_LOOP_NORMAL);
    ASSERT_EQ(FSOUND_PlaySound(1, sample), 1);
    ASSERT_TRUE(FSOUND_SetVolume(1, 51)); // a fifth of 255: -14 dB
    EXPECT_EQ(Render(1), (std::vector<int16_t>{4000, 4000}));
    ASSERT_TRUE(FSOUND_SetPaused(1, TRUE));
    EXPECT_EQ(Render(1), (std::vector<int16_t>{0, 0}));
    EXPECT_TRUE(FSOUND_IsPlaying(1));
    ASSERT_TRUE(FSOUND_SetPaused(1, FALSE));
    EXPECT_EQ(Render(1), (std::vector<int16_t>{4000, 4000}));
    ASSERT_TRUE(FSOUND_StopSound(1));
    EXPECT_FALSE(FSOUND_IsPlaying(1));
    EXPECT_FALSE(FSOUND_SetVolume(1, 255));     // nothing plays there now
    EXPECT_EQ(FSOUND_PlaySound(8, sample), -1); // channels 0..7
    // Pan 0 is the left side only.
    FSOUND_SAMPLE* left = FSOUND_Sample_Alloc(FSOUND_FREE, 4, FSOUND_16BITS | FSOUND_MONO, 44100, 255, 0, 0);
    ASSERT_EQ(FSOUND_PlaySound(2, left), 2);
    void* data = nullptr;
    unsigned int length = 0;
    ASSERT_TRUE(FSOUND_Sample_Lock(left, 0, 8, &data, nullptr, &length, nullptr));
    static_cast<int16_t*>(data)[0] = 1000;
    ASSERT_TRUE(FSOUND_Sample_Unlock(left, data, nullptr, length, 0));
    EXPECT_EQ(Render(1), (std::vector<int16_t>{1000, 0}));
}

TEST_F(FmodTest, SamplesDecodeWholeFromWavOggAndMp3)
{
    // A WAV sample keeps its bytes (8-bit data is widened to 16 bits).
    const fs::path wav = mFolder / "two.wav";
    {
        const std::vector<uint8_t> file = Wav(2, 22050, 16, Pcm16({1, -2, 3, -4}));
        FILE* out = std::fopen(wav.c_str(), "wb");
        ASSERT_TRUE(out);
        std::fwrite(file.data(), 1, file.size(), out);
        std::fclose(out);
    }
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, wav.c_str(), 0, 0);
    ASSERT_TRUE(sample);
    EXPECT_EQ(FSOUND_Sample_GetMode(sample), unsigned(FSOUND_16BITS | FSOUND_STEREO | FSOUND_LOOP_OFF));
    EXPECT_EQ(FSOUND_Sample_GetLength(sample), 2u);
    void* data = nullptr;
    unsigned int length = 0;
    ASSERT_TRUE(FSOUND_Sample_Lock(sample, 0, 8, &data, nullptr, &length, nullptr));
    ASSERT_EQ(length, 8u);
    EXPECT_EQ(std::vector<uint8_t>(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + 8),
              Pcm16({1, -2, 3, -4}));
    FSOUND_Sample_Unlock(sample, data, nullptr, length, 0);

    // The Ogg test loop: 10000 frames of mono 44100 Hz; named the Windows way.
    std::string ogg = std::string(LUMO_AUDIO_TEST_DATA) + "/loop.ogg";
    std::replace(ogg.begin(), ogg.end(), '/', '\\');
    sample = FSOUND_Sample_Load(FSOUND_FREE, ogg.c_str(), 0, 0);
    ASSERT_TRUE(sample);
    EXPECT_EQ(FSOUND_Sample_GetLength(sample), 10000u);
    EXPECT_EQ(FSOUND_Sample_GetMode(sample), unsigned(FSOUND_16BITS | FSOUND_MONO | FSOUND_LOOP_OFF));

    // The MP3 effect: 22050 Hz mono, as long as its source and the encoder's delay and padding
    // (the file carries no tag that tells them).
    sample = FSOUND_Sample_Load(FSOUND_FREE, LUMO_AUDIO_TEST_DATA "/ding.mp3", 0, 0);
    ASSERT_TRUE(sample);
    int frequency = 0;
    ASSERT_TRUE(FSOUND_Sample_GetDefaults(sample, &frequency, nullptr, nullptr, nullptr));
    EXPECT_EQ(frequency, 22050);
    EXPECT_EQ(FSOUND_Sample_GetMode(sample), unsigned(FSOUND_16BITS | FSOUND_MONO | FSOUND_LOOP_OFF));
    EXPECT_GE(FSOUND_Sample_GetLength(sample), 48510u);
    EXPECT_LE(FSOUND_Sample_GetLength(sample), 48510u + 2 * 1152u);
    ASSERT_EQ(FSOUND_PlaySound(FSOUND_FREE, sample), 0);
    EXPECT_GT(PeakOf(Mono(Render(8000)), 0, 8000), 5000);

    EXPECT_FALSE(FSOUND_Sample_Load(FSOUND_FREE, (mFolder / "missing.wav").c_str(), 0, 0));
    EXPECT_FALSE(FSOUND_Sample_Load(FSOUND_FREE, kTune.c_str(), 0, 0)); // a module is no sample

    // An Ogg claiming 60 M frames that it does not hold: refused without taking that memory.
    const std::vector<uint8_t> claims =
        OggClaimingFrames(LUMO_ASSETS_DIR "/sfx/cashregister.ogg", 60'000'000);
    const fs::path claimsPath = mFolder / "claims.ogg";
    FILE* out = std::fopen(claimsPath.c_str(), "wb");
    ASSERT_TRUE(out && !claims.empty());
    std::fwrite(claims.data(), 1, claims.size(), out);
    std::fclose(out);
    PeakMemory peak;
    EXPECT_FALSE(FSOUND_Sample_Load(FSOUND_FREE, claimsPath.c_str(), 0, 0));
    EXPECT_LT(peak.RiseKb(), 64 * 1024);

    // A long sample is decoded into its own bytes a block at a time: decoded whole beside them,
    // and read from the file whole for that, it took 2.6 times its size. Blocks of 1 MB and more
    // come new from the system, so that what each step takes shows in the peak.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    const size_t longBytes = 8u << 20;
    const fs::path longPath = mFolder / "long.wav";
    {
        const std::vector<uint8_t> file = Wav(2, 44100, 16, std::vector<uint8_t>(longBytes, 1));
        out = std::fopen(longPath.c_str(), "wb");
        ASSERT_TRUE(out);
        std::fwrite(file.data(), 1, file.size(), out);
        std::fclose(out);
    }
    PeakMemory loading;
    sample = FSOUND_Sample_Load(FSOUND_FREE, longPath.c_str(), 0, 0);
    ASSERT_TRUE(sample);
    EXPECT_EQ(FSOUND_Sample_GetLength(sample), longBytes / 4);
    // Under the address sanitizer the blocks the growing bytes left wait in its quarantine.
#if defined(__SANITIZE_ADDRESS__)
    constexpr size_t kQuarters = 12;
#else
    constexpr size_t kQuarters = 7;
#endif
    EXPECT_LT(loading.RiseKb(), long(longBytes * kQuarters / 4 / 1024));
    FSOUND_Sample_Free(sample);
}

TEST_F(FmodTest, StreamPlaysOnAChannelAndLoops)
{
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(LUMO_AUDIO_TEST_DATA "/loop.ogg", FSOUND_LOOP_NORMAL, 0);
    ASSERT_TRUE(stream);
    ASSERT_EQ(FSOUND_Stream_Play(4, stream), 4);
    auto out = Left(Render(20500));
    for (size_t i = 0; i < 10500; i++)
        ASSERT_EQ(out[i], out[i + 10000]) << i; // the same across the loop point
    EXPECT_TRUE(FSOUND_IsPlaying(4));
    ASSERT_TRUE(FSOUND_Stream_Close(stream));
    EXPECT_FALSE(FSOUND_IsPlaying(4));
    EXPECT_FALSE(FSOUND_Stream_Close(stream));

    // Looping switched on with the end already decoded ahead: it goes round all the same.
    stream = FSOUND_Stream_OpenFile(LUMO_AUDIO_TEST_DATA "/loop.ogg", FSOUND_LOOP_OFF, 0);
    ASSERT_TRUE(stream);
    ASSERT_EQ(FSOUND_Stream_Play(4, stream), 4);
    const auto first = Left(Render(9000));
    ASSERT_TRUE(FSOUND_SetLoopMode(4, FSOUND_LOOP_NORMAL));
    const auto next = Left(Render(3000));
    for (size_t i = 0; i < 2000; i++)
        ASSERT_EQ(next[1000 + i], first[i]) << i;
    ASSERT_TRUE(FSOUND_Stream_Close(stream));
}

TEST(FmodLibraryUninitialised, LoadsNothingBeforeInit)
{
    void* library = OpenLibrary("fmod.so");
    ASSERT_TRUE(library);
    auto load = reinterpret_cast<decltype(&::FMUSIC_LoadSong)>(dlsym(library, "FMUSIC_LoadSong"));
    auto init = reinterpret_cast<decltype(&::FSOUND_Init)>(dlsym(library, "FSOUND_Init"));
    ASSERT_TRUE(load && init);
    EXPECT_FALSE(load(kTune.c_str()));
    EXPECT_FALSE(init(22050, 8, 0)); // the mixer's rate only
    dlclose(library);
}
