#include "../BigClaims.h"
#include "AudioTestSupport.h"
#include "audio/ReadHook.h"
#include "bass/bass.h"
#include "dsound/dsound.h"
#include "tremor/OggLinks.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

using namespace AudioTest;
namespace fs = std::filesystem;

namespace
{
const char* const kEntryPoints[] = {"BASS_Init",
                                    "BASS_Free",
                                    "BASS_Stop",
                                    "BASS_Start",
                                    "BASS_SetGlobalVolumes",
                                    "BASS_SetVolume",
                                    "BASS_SetConfig",
                                    "BASS_MusicSetAmplify",
                                    "BASS_ChannelStop",
                                    "BASS_ChannelPause",
                                    "BASS_ChannelResume",
                                    "BASS_ChannelSetAttributes",
                                    "BASS_ChannelSetPosition",
                                    "BASS_ChannelIsActive",
                                    "BASS_MusicLoad",
                                    "BASS_MusicPlay",
                                    "BASS_MusicPlayEx",
                                    "BASS_MusicFree",
                                    "BASS_StreamCreateFile",
                                    "BASS_StreamFree",
                                    "BASS_StreamPlay"};

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(file);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::vector<int16_t> Ramp(size_t frames)
{
    std::vector<int16_t> samples;
    for (size_t i = 0; i < frames; i++)
        samples.push_back(int16_t(i * 7 - 10000));
    return samples;
}

// A disk that stops answering: every read from another thread than the test's waits until
// the reads are let go.
struct StuckReads
{
    static inline std::mutex lock;
    static inline std::condition_variable changed;
    static inline std::thread::id reader;
    static inline int waiting = 0;
    static inline bool stuck = true;

    static void Read()
    {
        if (std::this_thread::get_id() == reader)
            return;
        std::unique_lock<std::mutex> hold(lock);
        waiting++;
        changed.wait(hold, [] { return !stuck; });
        waiting--;
    }
    static bool Waiting()
    {
        std::lock_guard<std::mutex> hold(lock);
        return waiting > 0;
    }
    static void LetGo()
    {
        std::lock_guard<std::mutex> hold(lock);
        stuck = false;
        changed.notify_all();
    }
};

// The library as a program sees it: opened by file name, every entry point by name.
class BassTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mLibrary = OpenLibrary("bass.so");
        ASSERT_TRUE(mLibrary) << dlerror();
#define LOOK_UP(name)                                                                                        \
    ASSERT_TRUE(name = reinterpret_cast<decltype(&::BASS_##name)>(dlsym(mLibrary, "BASS_" #name)))
        LOOK_UP(Init);
        LOOK_UP(Free);
        LOOK_UP(Start);
        LOOK_UP(Stop);
        LOOK_UP(ErrorGetCode);
        LOOK_UP(SetConfig);
        LOOK_UP(SetVolume);
        LOOK_UP(ChannelSetAttributes);
        LOOK_UP(ChannelStop);
        LOOK_UP(ChannelPause);
        LOOK_UP(ChannelResume);
        LOOK_UP(ChannelSetPosition);
        LOOK_UP(ChannelIsActive);
        LOOK_UP(MusicLoad);
        LOOK_UP(MusicPlay);
        LOOK_UP(MusicPlayEx);
        LOOK_UP(MusicFree);
        LOOK_UP(StreamCreateFile);
        LOOK_UP(StreamFree);
        LOOK_UP(StreamPlay);
#undef LOOK_UP
        ASSERT_TRUE(Init(1, 44100, 0, reinterpret_cast<HWND>(uintptr_t(1)), nullptr));
        mFolder = fs::temp_directory_path() / ("lumo_bass_" + std::to_string(getpid()));
        fs::create_directories(mFolder);
    }
    void TearDown() override
    {
        if (Free)
        {
            EXPECT_TRUE(Free());
        }
        EXPECT_EQ(LumoAudio::Mixer::Instance().VoiceCount(), 0u);
        EXPECT_FALSE(LumoAudio::Mixer::Instance().HasDevice());
        if (mLibrary)
            dlclose(mLibrary);
        std::error_code ignored;
        fs::remove_all(mFolder, ignored);
    }

    HSTREAM LoadWav(const std::vector<uint8_t>& file, const char* name = "music.wav")
    {
        fs::path path = mFolder / name;
        WriteFile(path, file);
        return StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    }

    ManualMixing mManual;
    void* mLibrary = nullptr;
    fs::path mFolder;
    decltype(&::BASS_Init) Init = nullptr;
    decltype(&::BASS_Free) Free = nullptr;
    decltype(&::BASS_Start) Start = nullptr;
    decltype(&::BASS_Stop) Stop = nullptr;
    decltype(&::BASS_ErrorGetCode) ErrorGetCode = nullptr;
    decltype(&::BASS_SetConfig) SetConfig = nullptr;
    decltype(&::BASS_SetVolume) SetVolume = nullptr;
    decltype(&::BASS_ChannelSetAttributes) ChannelSetAttributes = nullptr;
    decltype(&::BASS_ChannelStop) ChannelStop = nullptr;
    decltype(&::BASS_ChannelPause) ChannelPause = nullptr;
    decltype(&::BASS_ChannelResume) ChannelResume = nullptr;
    decltype(&::BASS_ChannelSetPosition) ChannelSetPosition = nullptr;
    decltype(&::BASS_ChannelIsActive) ChannelIsActive = nullptr;
    decltype(&::BASS_MusicLoad) MusicLoad = nullptr;
    decltype(&::BASS_MusicPlay) MusicPlay = nullptr;
    decltype(&::BASS_MusicPlayEx) MusicPlayEx = nullptr;
    decltype(&::BASS_MusicFree) MusicFree = nullptr;
    decltype(&::BASS_StreamCreateFile) StreamCreateFile = nullptr;
    decltype(&::BASS_StreamFree) StreamFree = nullptr;
    decltype(&::BASS_StreamPlay) StreamPlay = nullptr;
};
} // namespace

TEST(BassLibrary, OffersEveryEntryPointByName)
{
    void* library = OpenLibrary("bass.so");
    ASSERT_TRUE(library) << dlerror();
    for (const char* name : kEntryPoints)
        EXPECT_TRUE(dlsym(library, name)) << name;
    EXPECT_TRUE(dlsym(library, "BASS_ErrorGetCode"));
    // Only the entry points are visible, not the stand-in's insides.
    EXPECT_FALSE(dlsym(library, "_ZN9LumoAudio13OpenWavStreamEP8_IO_FILE"));
    dlclose(library);
}

TEST(BassLibrary, IncompleteStandInLacksOneEntryPoint)
{
    void* library = OpenLibrary("bass_incomplete.so");
    ASSERT_TRUE(library) << dlerror();
    int missing = 0;
    for (const char* name : kEntryPoints)
        missing += dlsym(library, name) ? 0 : 1;
    EXPECT_EQ(missing, 1);
    EXPECT_FALSE(dlsym(library, "BASS_StreamPlay"));
    dlclose(library);
}

TEST_F(BassTest, WavStreamPlaysThroughTheSharedMixer)
{
    const auto samples = Ramp(3000);
    HSTREAM stream = LoadWav(Wav(1, 44100, 16, Pcm16(samples)));
    ASSERT_NE(stream, 0u) << ErrorGetCode();
    EXPECT_EQ(LumoAudio::Mixer::Instance().VoiceCount(), 1u);
    EXPECT_EQ(ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED));
    ASSERT_TRUE(StreamPlay(stream, TRUE, 0));
    EXPECT_EQ(ChannelIsActive(stream), DWORD(BASS_ACTIVE_PLAYING));
    auto out = Render(3100);
    for (size_t i = 0; i < 3000; i++)
    {
        ASSERT_EQ(out[2 * i], samples[i]) << i;
        ASSERT_EQ(out[2 * i + 1], samples[i]) << i;
    }
    EXPECT_EQ(out[2 * 3000], 0);
    EXPECT_EQ(ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED)); // a one-shot stream ends

    // Played again without flushing, a stream that ran out starts over.
    ASSERT_TRUE(StreamPlay(stream, FALSE, 0));
    EXPECT_EQ(Left(Render(2)), (std::vector<int16_t>{samples[0], samples[1]}));
    EXPECT_TRUE(StreamFree(stream));
    EXPECT_EQ(LumoAudio::Mixer::Instance().VoiceCount(), 0u);
    EXPECT_FALSE(StreamFree(stream));
    EXPECT_EQ(ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(BassTest, LoopingWavHasNoGapAndGoesOnWhereItStopped)
{
    const auto samples = Ramp(1000); // shorter than a decoded block, so the loop lands inside one
    HSTREAM stream = LoadWav(Wav(1, 44100, 16, Pcm16(samples)));
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(StreamPlay(stream, TRUE, BASS_SAMPLE_LOOP));
    auto out = Left(Render(3500));
    for (size_t i = 0; i < out.size(); i++)
        ASSERT_EQ(out[i], samples[i % 1000]) << i;
    EXPECT_EQ(ChannelIsActive(stream), DWORD(BASS_ACTIVE_PLAYING));
    // Stopped after going round three times, played again without flushing: not from the start.
    ASSERT_TRUE(ChannelStop(stream));
    ASSERT_TRUE(StreamPlay(stream, FALSE, BASS_SAMPLE_LOOP));
    EXPECT_EQ(Left(Render(1)), (std::vector<int16_t>{samples[500]}));
}

TEST_F(BassTest, StereoEightBitWavWithOddChunk)
{
    // A 3-byte chunk before "fmt " is followed by its pad byte.
    HSTREAM stream = LoadWav(Wav(2, 22050, 8, {228, 28, 128, 178}, {'a', 'b', 'c'}));
    ASSERT_NE(stream, 0u) << ErrorGetCode();
    ASSERT_TRUE(StreamPlay(stream, TRUE, 0));
    // 22050 Hz is stretched to twice as many output frames.
    EXPECT_EQ(Render(4), (std::vector<int16_t>{25600, -25600, 12800, -6400, 0, 12800, 0, 12800}));
}

TEST_F(BassTest, PauseResumeAndPosition)
{
    const auto samples = Ramp(4000);
    HSTREAM stream = LoadWav(Wav(1, 44100, 16, Pcm16(samples)));
    ASSERT_NE(stream, 0u);
    EXPECT_FALSE(ChannelPause(stream));
    EXPECT_EQ(ErrorGetCode(), BASS_ERROR_NOPLAY);
    ASSERT_TRUE(StreamPlay(stream, TRUE, 0));
    Render(100);
    ASSERT_TRUE(ChannelPause(stream));
    EXPECT_EQ(ChannelIsActive(stream), DWORD(BASS_ACTIVE_PAUSED));
    EXPECT_EQ(Left(Render(50)), std::vector<int16_t>(50, 0));
    ASSERT_TRUE(ChannelResume(stream));
    EXPECT_FALSE(ChannelResume(stream));
    EXPECT_EQ(ErrorGetCode(), BASS_ERROR_NOPAUSE);
    EXPECT_EQ(Left(Render(2)), (std::vector<int16_t>{samples[100], samples[101]}));

    // Positions are bytes of the decoded data.
    ASSERT_TRUE(ChannelSetPosition(stream, 2 * 3000));
    EXPECT_EQ(Left(Render(2)), (std::vector<int16_t>{samples[3000], samples[3001]}));
    EXPECT_FALSE(ChannelSetPosition(stream, 2 * 4000));
    EXPECT_EQ(ErrorGetCode(), BASS_ERROR_POSITION);

    // Stopped, then played without flushing: on from where it stopped.
    ASSERT_TRUE(ChannelStop(stream));
    EXPECT_EQ(ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED));
    ASSERT_TRUE(StreamPlay(stream, FALSE, 0));
    EXPECT_EQ(Left(Render(1)), (std::vector<int16_t>{samples[3002]}));
    ASSERT_TRUE(StreamPlay(stream, TRUE, 0));
    EXPECT_EQ(Left(Render(1)), (std::vector<int16_t>{samples[0]}));

    // The output stopped and started again holds and resumes every stream.
    ASSERT_TRUE(Stop());
    EXPECT_EQ(ChannelIsActive(stream), DWORD(BASS_ACTIVE_PAUSED));
    EXPECT_EQ(Left(Render(1)), (std::vector<int16_t>{0}));
    ASSERT_TRUE(Start());
    EXPECT_EQ(Left(Render(1)), (std::vector<int16_t>{samples[1]}));
}

TEST_F(BassTest, VolumesAndPan)
{
    HSTREAM stream = LoadWav(Wav(1, 44100, 16, Pcm16(std::vector<int16_t>(100, 20000))));
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(StreamPlay(stream, TRUE, 0));
    ASSERT_TRUE(ChannelSetAttributes(stream, -1, 10, -101)); // 10% = -20 dB
    EXPECT_EQ(Render(1), (std::vector<int16_t>{2000, 2000}));
    ASSERT_TRUE(ChannelSetAttributes(stream, -1, -1, 90)); // left drops to 10%
    EXPECT_EQ(Render(1), (std::vector<int16_t>{200, 2000}));
    EXPECT_EQ(SetConfig(BASS_CONFIG_GVOL_STREAM, 10), 10u);
    EXPECT_EQ(Render(1), (std::vector<int16_t>{20, 200}));
    EXPECT_TRUE(SetVolume(0));
    EXPECT_EQ(Render(1), (std::vector<int16_t>{0, 0}));
    // The library keeps its volumes until it is unloaded: back to full for the tests after.
    EXPECT_TRUE(SetVolume(100));
    EXPECT_EQ(SetConfig(BASS_CONFIG_GVOL_STREAM, 100), 100u);
    EXPECT_FALSE(ChannelSetAttributes(stream, -1, 101, -101));
    EXPECT_EQ(ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(SetConfig(0, 2000), 2000u);
    EXPECT_EQ(SetConfig(99, 1), DWORD(-1));
    EXPECT_EQ(ErrorGetCode(), BASS_ERROR_ILLTYPE);
}

TEST_F(BassTest, OggLoopIsSeamlessAndAudible)
{
    HSTREAM stream = StreamCreateFile(FALSE, LUMO_AUDIO_TEST_DATA "/loop.ogg", 0, 0, 0);
    ASSERT_NE(stream, 0u) << ErrorGetCode();
    ASSERT_TRUE(StreamPlay(stream, TRUE, BASS_SAMPLE_LOOP));
    constexpr size_t kLength = 10000; // frames in the file, 100 periods of its sine
    auto out = Left(Render(2 * kLength + 500));
    // Every pass is the same, sample for sample, right across the loop points.
    for (size_t i = 0; i < kLength + 500; i++)
        ASSERT_EQ(out[i], out[i + kLength]) << i;
    // A 441 Hz sine at about a third of full scale, and no click where it wraps.
    double energy = 0;
    int largestStep = 0;
    for (size_t i = 1; i < out.size(); i++)
    {
        energy += double(out[i]) * out[i];
        largestStep = std::max(largestStep, std::abs(out[i] - out[i - 1]));
    }
    const double rms = std::sqrt(energy / double(out.size() - 1));
    EXPECT_NEAR(rms, 12000 / std::sqrt(2.0), 600);
    EXPECT_LT(largestStep, 1000);               // the sine moves at most 12000 * 2pi / 100 = 754 a frame
    EXPECT_NEAR(out[kLength + 25], 12000, 600); // a quarter period into the second pass
    EXPECT_EQ(ChannelIsActive(stream), DWORD(BASS_ACTIVE_PLAYING));

    ASSERT_TRUE(ChannelSetPosition(stream, 2 * 50)); // half a period in: the sine's zero going down
    out = Left(Render(26));
    EXPECT_NEAR(out[0], 0, 600);
    EXPECT_NEAR(out[25], -12000, 600);
}

TEST_F(BassTest, WhatItCannotPlayFailsWithACode)
{
    EXPECT_EQ(StreamCreateFile(FALSE, (mFolder / "missing.ogg").c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(ErrorGetCode(), BASS_ERROR_FILEOPEN);
    WriteFile(mFolder / "noise.mp3", {0xFF, 0xFB, 0x90, 0x00, 1, 2, 3});
    EXPECT_EQ(StreamCreateFile(FALSE, (mFolder / "noise.mp3").c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(ErrorGetCode(), BASS_ERROR_FILEFORM);
    // Floating-point WAV, and a WAV that ends inside its header.
    auto wav = Wav(1, 44100, 16, {0, 0});
    wav[20] = 3;
    EXPECT_EQ(LoadWav(wav, "float.wav"), 0u);
    EXPECT_EQ(ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_EQ(LoadWav({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm'}, "short.wav"), 0u);
    EXPECT_EQ(StreamCreateFile(FALSE, LUMO_AUDIO_TEST_DATA "/loop.ogg", 0, 0, 0) != 0, true);
    // Chained links: more than any real file has are refused before the decoder keeps the headers of
    // every one (2000 took 248 MB).
    const fs::path chain = mFolder / "chain.ogg";
    WriteFile(chain, OggChain(LUMO_AUDIO_TEST_DATA "/loop.ogg", Platform::kMaxOggLinks));
    EXPECT_NE(StreamCreateFile(FALSE, chain.c_str(), 0, 0, 0), 0u);
    WriteFile(chain, OggChain(LUMO_AUDIO_TEST_DATA "/loop.ogg", Platform::kMaxOggLinks + 1));
    EXPECT_EQ(StreamCreateFile(FALSE, chain.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(ErrorGetCode(), BASS_ERROR_FILEFORM);
    // An Ogg file is no module, and a module no stream.
    EXPECT_EQ(MusicLoad(FALSE, LUMO_AUDIO_TEST_DATA "/loop.ogg", 0, 0, 0x204, 0), 0u);
    EXPECT_EQ(ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_EQ(StreamCreateFile(FALSE, LUMO_AUDIO_TEST_DATA "/tune.mod", 0, 0, 0), 0u);
    EXPECT_EQ(ErrorGetCode(), BASS_ERROR_FILEFORM);
    // A file larger than any module is refused unread: read up to the limit first, it took twice that.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    const fs::path huge = mFolder / "huge.it";
    WriteFile(huge, {0});
    fs::resize_file(huge, 100u << 20);
    PeakMemory peak;
    EXPECT_EQ(MusicLoad(FALSE, huge.c_str(), 0, 0, 0x204, 0), 0u);
    EXPECT_EQ(ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_LT(peak.RiseKb(), 16 * 1024);
    EXPECT_EQ(ChannelIsActive(0x7777), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_FALSE(Init(1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(ErrorGetCode(), BASS_ERROR_ALREADY);
}

TEST_F(BassTest, WavSizeLargerThanTheFilePlaysWhatIsThere)
{
    auto wav = Wav(1, 44100, 16, Pcm16({500, 600, 700}));
    // The data size's top bytes (the size is the last field before the 6 data bytes): about 4 GB.
    wav[wav.size() - 8] = 0xFF;
    wav[wav.size() - 7] = 0xFF;
    HSTREAM stream = LoadWav(wav);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(StreamPlay(stream, TRUE, 0));
    EXPECT_EQ(Left(Render(4)), (std::vector<int16_t>{500, 600, 700, 0}));
}

TEST_F(BassTest, MusicIsReadFromDiskWhilePlaying)
{
    const auto samples = Ramp(100000);
    fs::path path = mFolder / "long.wav";
    WriteFile(path, Wav(1, 44100, 16, Pcm16(samples)));
    HSTREAM stream = StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(StreamPlay(stream, TRUE, 0));
    EXPECT_EQ(Left(Render(100))[99], samples[99]);
    // Frames two seconds ahead are changed on disk now, and are heard changed: the file is read
    // a little ahead of the output, not decoded whole.
    const auto file = Wav(1, 44100, 16, Pcm16(samples));
    const long dataStart = long(file.size() - samples.size() * 2);
    FILE* writer = std::fopen(path.c_str(), "r+b");
    ASSERT_TRUE(writer);
    std::fseek(writer, dataStart + 2 * 90000, SEEK_SET);
    const uint8_t marker[2] = {0x34, 0x12};
    std::fwrite(marker, 1, 2, writer);
    std::fclose(writer);
    auto out = Left(Render(90000));
    EXPECT_EQ(out[90000 - 100], 0x1234);
    EXPECT_EQ(out[90000 - 101], samples[89999]);
}

TEST_F(BassTest, StuckReadsSilenceOnlyTheirStreamAndLoseNothing)
{
    std::vector<int16_t> samples;
    for (int i = 0; i < 100000; i++)
        samples.push_back(int16_t(1 + i % 30000)); // never 0, which is what a late stream plays
    StuckReads::reader = std::this_thread::get_id();
    StuckReads::stuck = true; // again, when the test is repeated
    LumoAudio::SetReadHook(&StuckReads::Read);
    HSTREAM stream = LoadWav(Wav(1, 44100, 16, Pcm16(samples)));
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(ChannelSetAttributes(stream, -1, -1, -100)); // on the left only
    ASSERT_TRUE(StreamPlay(stream, FALSE, 0)); // what was read with the header is decoded already
    auto effect = LumoAudio::Voice::FromPcm(LumoAudio::PcmFormat{44100, 1, 16},
                                            std::make_shared<std::vector<uint8_t>>(Pcm16({1000, 1000})));
    effect->SetPan(LumoAudio::kPanRight);
    LumoAudio::Mixer::Instance().Add(effect);
    effect->Play(true);
    // The output goes on as the device would call it, never waiting: the stream plays what was
    // decoded ahead, in order, then silence once the feeder is stuck in a read.
    size_t heard = 0;
    int silentPeriods = 0;
    for (int period = 0; period < 5000 && silentPeriods < 3; period++)
    {
        std::vector<int16_t> out(2 * 1024);
        LumoAudio::Mixer::Instance().Render(out.data(), 1024);
        bool silent = true;
        for (size_t i = 0; i < 1024; i++)
        {
            ASSERT_EQ(out[2 * i + 1], 1000) << period;
            if (out[2 * i] != 0)
            {
                ASSERT_EQ(out[2 * i], samples[heard++]) << period << " " << i;
            }
            silent = silent && out[2 * i] == 0;
        }
        silentPeriods = silent && StuckReads::Waiting() ? silentPeriods + 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(1)); // pace, as a device does
    }
    EXPECT_EQ(silentPeriods, 3);
    EXPECT_GT(heard, 0u);
    EXPECT_LT(heard, samples.size());
    EXPECT_EQ(ChannelIsActive(stream), DWORD(BASS_ACTIVE_PLAYING)); // late is not ended
    // Once the disk answers, the stream goes on where it fell silent.
    StuckReads::LetGo();
    EXPECT_EQ(Left(Render(2)), (std::vector<int16_t>{samples[heard], samples[heard + 1]}));
    LumoAudio::SetReadHook(nullptr);
    LumoAudio::Mixer::Instance().Remove(effect.get());
}

TEST_F(BassTest, FreeingAStreamStuckInAReadHoldsUpOnlyTheCaller)
{
    StuckReads::reader = std::this_thread::get_id();
    StuckReads::stuck = true;
    LumoAudio::SetReadHook(&StuckReads::Read);
    HSTREAM stream = LoadWav(Wav(1, 44100, 16, Pcm16(Ramp(100000))));
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(StreamPlay(stream, FALSE, 0));
    std::vector<int16_t> out(2 * 1024);
    while (!StuckReads::Waiting())
        LumoAudio::Mixer::Instance().Render(out.data(), 1024);
    // Once the channel is gone the free waits for the read; the output (and the caller's lock)
    // must not, or neither returns before the reads are let go.
    std::thread freeing([&] { StreamFree(stream); });
    while (ChannelIsActive(stream) == BASS_ACTIVE_PLAYING)
        std::this_thread::yield();
    LumoAudio::Mixer::Instance().Render(out.data(), 1024);
    StuckReads::LetGo();
    freeing.join();
    LumoAudio::SetReadHook(nullptr);
}

TEST_F(BassTest, MusicAndEffectsShareOneOutput)
{
    IDirectSound* sound = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK); // the device is already open: shared
    ASSERT_EQ(sound->SetCooperativeLevel(reinterpret_cast<HWND>(uintptr_t(1)), DSSCL_NORMAL), DS_OK);
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
    DSBUFFERDESC desc{DSBUFFERDESC_SIZE_32BIT, DSBCAPS_CTRLVOLUME, 4, 0, &format};
    IDirectSoundBuffer* effect = nullptr;
    ASSERT_EQ(sound->CreateSoundBuffer(&desc, &effect, nullptr), DS_OK);
    void* bytes = nullptr;
    DWORD size = 0;
    ASSERT_EQ(effect->Lock(0, 4, &bytes, &size, nullptr, nullptr, 0), DS_OK);
    const auto effectBytes = Pcm16({1000, 2000});
    std::memcpy(bytes, effectBytes.data(), 4);
    ASSERT_EQ(effect->Unlock(bytes, size, nullptr, 0), DS_OK);

    HSTREAM stream = LoadWav(Wav(1, 44100, 16, Pcm16({30, 40, 50})));
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(StreamPlay(stream, TRUE, 0));
    ASSERT_EQ(effect->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(Left(Render(3)), (std::vector<int16_t>{1030, 2040, 50}));
    EXPECT_EQ(effect->Release(), 0u);
    EXPECT_EQ(sound->Release(), 0u);
    EXPECT_TRUE(LumoAudio::Mixer::Instance().HasDevice()); // still held by the music library
}

TEST_F(BassTest, ModulePlaysFromTheOrderAskedAndLoopsOrEnds)
{
    // tune.mod: three orders of 0.48 s at about 259, 518 and 1036 Hz.
    constexpr size_t kOrder = 21168;
    HMUSIC music = MusicLoad(FALSE, LUMO_AUDIO_TEST_DATA "/tune.mod", 0, 0, BASS_MUSIC_RAMP, 0);
    ASSERT_NE(music, 0u) << ErrorGetCode();
    EXPECT_FALSE(StreamPlay(music, TRUE, 0));     // a module is not a stream
    ASSERT_TRUE(MusicPlayEx(music, 1, 0, FALSE)); // once, from the second order
    auto heard = Mono(Render(3 * kOrder));
    EXPECT_NEAR(PitchOf(heard, 2000, kOrder - 4000), 518, 13);
    EXPECT_NEAR(PitchOf(heard, kOrder + 2000, kOrder - 4000), 1036, 26);
    EXPECT_LT(PeakOf(heard, 2 * kOrder + 6000, kOrder - 6000), 50); // once the last row died away
    EXPECT_EQ(ChannelIsActive(music), DWORD(BASS_ACTIVE_STOPPED));

    // Looping from the last order goes on with the first; BASS_MusicPlay goes on where it is.
    ASSERT_TRUE(MusicPlayEx(music, 2, BASS_SAMPLE_LOOP, TRUE));
    heard = Mono(Render(kOrder + 10000));
    EXPECT_NEAR(PitchOf(heard, 2000, kOrder - 4000), 1036, 26);
    EXPECT_NEAR(PitchOf(heard, kOrder + 2000, 8000), 259, 7);
    ASSERT_TRUE(ChannelPause(music));
    ASSERT_TRUE(MusicPlay(music));
    EXPECT_NEAR(PitchOf(Mono(Render(8000)), 0, 8000), 259, 7);
    EXPECT_EQ(ChannelIsActive(music), DWORD(BASS_ACTIVE_PLAYING));
    EXPECT_FALSE(StreamFree(music));
    EXPECT_TRUE(MusicFree(music));
    EXPECT_EQ(LumoAudio::Mixer::Instance().VoiceCount(), 0u);
}

TEST_F(BassTest, Mp3StreamPlaysAndLoops)
{
    HSTREAM stream = StreamCreateFile(FALSE, LUMO_AUDIO_TEST_DATA "/ding.mp3", 0, 0, 0);
    ASSERT_NE(stream, 0u) << ErrorGetCode();
    ASSERT_TRUE(StreamPlay(stream, TRUE, BASS_SAMPLE_LOOP));
    // 22050 Hz mono, about 2.2 s: four and a half seconds at the mixer's rate go round once.
    auto heard = Mono(Render(2 * 48510 + 8000));
    EXPECT_GT(PeakOf(heard, 0, 8000), 5000);
    EXPECT_GT(PeakOf(heard, 2 * 48510 + 500, 7000), 5000); // the start again, heard
    EXPECT_EQ(ChannelIsActive(stream), DWORD(BASS_ACTIVE_PLAYING));
}
