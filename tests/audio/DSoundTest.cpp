#include "AudioTestSupport.h"
#include "dsound/dsound.h"
#include "core/faults.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>

using namespace AudioTest;

namespace
{
HWND TestWindow()
{
    return reinterpret_cast<HWND>(uintptr_t(0x1234));
}

constexpr DWORD kSoundFlags = DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN |
                              DSBCAPS_CTRLVOLUME | DSBCAPS_GLOBALFOCUS;

WAVEFORMATEX PcmFormat(WORD channels, DWORD rate, WORD bits)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nBlockAlign = WORD(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    return format;
}

DSBUFFERDESC Description(DWORD flags, DWORD bytes, WAVEFORMATEX* format)
{
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_SIZE_32BIT;
    desc.dwFlags = flags;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = format;
    return desc;
}

class DSoundTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(DirectSoundCreate(nullptr, &mSound, nullptr), DS_OK);
        ASSERT_EQ(mSound->SetCooperativeLevel(TestWindow(), DSSCL_PRIORITY), DS_OK);
    }
    void TearDown() override
    {
        if (mSound)
        {
            EXPECT_EQ(mSound->Release(), 0u);
        }
        PlatformTest::ClearFailures();
        EXPECT_EQ(LumoAudio::Mixer::Instance().VoiceCount(), 0u);
        EXPECT_FALSE(LumoAudio::Mixer::Instance().HasDevice());
    }

    // A sound buffer as the sound loaders make it, filled with `bytes`.
    IDirectSoundBuffer* MakeBuffer(WAVEFORMATEX format, const std::vector<uint8_t>& bytes,
                                   DWORD flags = kSoundFlags)
    {
        DSBUFFERDESC desc = Description(flags, DWORD(bytes.size()), &format);
        IDirectSoundBuffer* buffer = nullptr;
        EXPECT_EQ(mSound->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
        if (!buffer)
            return nullptr;
        void* p1 = nullptr;
        DWORD n1 = 0;
        EXPECT_EQ(buffer->Lock(0, desc.dwBufferBytes, &p1, &n1, nullptr, nullptr, 0), DS_OK);
        EXPECT_EQ(n1, bytes.size());
        std::memcpy(p1, bytes.data(), n1);
        EXPECT_EQ(buffer->Unlock(p1, n1, nullptr, 0), DS_OK);
        return buffer;
    }

    DWORD Status(IDirectSoundBuffer* buffer)
    {
        DWORD status = 0xFFFF;
        EXPECT_EQ(buffer->GetStatus(&status), DS_OK);
        return status;
    }

    ManualMixing mManual;
    IDirectSound* mSound = nullptr;
};
} // namespace

TEST(DSoundResults, DocumentedValuesAndSigns)
{
    EXPECT_EQ(DSERR_ALLOCATED, HRESULT(int32_t(0x8878000A)));
    EXPECT_EQ(DSERR_INVALIDCALL, HRESULT(int32_t(0x88780032)));
    EXPECT_EQ(DSERR_UNINITIALIZED, HRESULT(int32_t(0x887800AA)));
    EXPECT_EQ(DSERR_OUTOFMEMORY, HRESULT(int32_t(0x8007000E)));
    EXPECT_EQ(DSERR_INVALIDPARAM, HRESULT(int32_t(0x80070057)));
    EXPECT_EQ(DSERR_NODRIVER, HRESULT(int32_t(0x88780078)));
    EXPECT_TRUE(FAILED(DSERR_ALLOCATED));
    EXPECT_TRUE(SUCCEEDED(DS_OK));
    EXPECT_EQ(kSoundFlags, 0x80EAu);
    EXPECT_EQ(sizeof(WAVEFORMATEX), 18u);
}

TEST(DSoundCreate, FailsWithoutAnAudioDevice)
{
    PlatformTest::FailCall("SDL_OpenAudioDevice", 1);
    IDirectSound* sound = reinterpret_cast<IDirectSound*>(uintptr_t(1));
    EXPECT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(sound, nullptr);
    EXPECT_FALSE(LumoAudio::Mixer::Instance().HasDevice());
    // The device comes back once it can be opened.
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
    EXPECT_TRUE(LumoAudio::Mixer::Instance().HasDevice());
    EXPECT_EQ(sound->Release(), 0u);
    EXPECT_FALSE(LumoAudio::Mixer::Instance().HasDevice());
    PlatformTest::ClearFailures();
}

TEST_F(DSoundTest, PrimaryBufferTakesItsFormatAtPriorityLevel)
{
    DSBUFFERDESC desc = Description(DSBCAPS_PRIMARYBUFFER, 0, nullptr);
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(mSound->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    WAVEFORMATEX format = PcmFormat(2, 44100, 16);
    format.cbSize = 18;
    EXPECT_EQ(primary->SetFormat(&format), DS_OK);
    DWORD size = 0;
    EXPECT_EQ(primary->GetFormat(nullptr, 0, &size), DS_OK);
    EXPECT_EQ(size, sizeof(WAVEFORMATEX));
    WAVEFORMATEX read{};
    EXPECT_EQ(primary->GetFormat(&read, size, nullptr), DS_OK);
    EXPECT_EQ(read.nSamplesPerSec, 44100u);
    EXPECT_EQ(read.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(read.nBlockAlign, 4);
    EXPECT_EQ(primary->Lock(0, 4, nullptr, nullptr, nullptr, nullptr, 0), DSERR_INVALIDPARAM);

    ASSERT_EQ(mSound->SetCooperativeLevel(TestWindow(), DSSCL_NORMAL), DS_OK);
    EXPECT_EQ(primary->SetFormat(&format), DSERR_PRIOLEVELNEEDED);
    EXPECT_EQ(primary->Release(), 0u);

    desc.dwBufferBytes = 100; // the primary buffer has no size of its own
    EXPECT_EQ(mSound->CreateSoundBuffer(&desc, &primary, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(mSound->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DSERR_INVALIDPARAM);
}

TEST_F(DSoundTest, RejectsBadDescriptions)
{
    WAVEFORMATEX format = PcmFormat(1, 22050, 16);
    DSBUFFERDESC desc = Description(kSoundFlags, 64, &format);
    IDirectSoundBuffer* buffer = nullptr;
    format.wFormatTag = 3; // floating point
    EXPECT_EQ(mSound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
    format = PcmFormat(3, 22050, 16);
    EXPECT_EQ(mSound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
    format = PcmFormat(1, 22050, 16);
    format.nBlockAlign = 4; // disagrees with the channels and bits
    EXPECT_EQ(mSound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
    format = PcmFormat(1, 22050, 16);
    desc.dwBufferBytes = 0;
    EXPECT_EQ(mSound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
    desc.dwBufferBytes = 64;
    desc.dwSize = 7;
    EXPECT_EQ(mSound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer, nullptr);
}

TEST_F(DSoundTest, PlaysAtVolumePanAndFrequency)
{
    IDirectSoundBuffer* buffer = MakeBuffer(PcmFormat(1, 44100, 16), Pcm16({12340, -12340, 20000, 0}));
    ASSERT_TRUE(buffer);
    ASSERT_EQ(buffer->SetVolume(-2000), DS_OK);
    ASSERT_EQ(buffer->SetPan(-2000), DS_OK); // right side 20 dB lower still
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(Render(3), (std::vector<int16_t>{1234, 123, -1234, -123, 2000, 200}));

    LONG value = 0;
    EXPECT_EQ(buffer->GetVolume(&value), DS_OK);
    EXPECT_EQ(value, -2000);
    EXPECT_EQ(buffer->GetPan(&value), DS_OK);
    EXPECT_EQ(value, -2000);
    EXPECT_EQ(buffer->SetVolume(-10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetPan(10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetFrequency(99), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetFrequency(100001), DSERR_INVALIDPARAM);

    DWORD frequency = 0;
    EXPECT_EQ(buffer->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, 44100u);
    ASSERT_EQ(buffer->SetFrequency(22050), DS_OK);
    ASSERT_EQ(buffer->SetVolume(0), DS_OK);
    ASSERT_EQ(buffer->SetPan(0), DS_OK);
    ASSERT_EQ(buffer->SetCurrentPosition(0), DS_OK);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(Left(Render(4)), (std::vector<int16_t>{12340, 0, -12340, 3830}));
    EXPECT_EQ(buffer->Release(), 0u);
}

TEST_F(DSoundTest, ControlsNeedTheirCapabilityFlags)
{
    IDirectSoundBuffer* buffer = MakeBuffer(PcmFormat(1, 44100, 8), {128, 128, 128, 128}, DSBCAPS_STATIC);
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->SetVolume(-100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(buffer->SetPan(100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(buffer->SetFrequency(8000), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(buffer->Release(), 0u);
}

TEST_F(DSoundTest, StatusOfOneShotAndLoopingPlay)
{
    // 8-bit stereo: 2 frames.
    IDirectSoundBuffer* buffer = MakeBuffer(PcmFormat(2, 44100, 8), {228, 28, 128, 178});
    ASSERT_TRUE(buffer);
    EXPECT_EQ(Status(buffer), 0u);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(Status(buffer), DWORD(DSBSTATUS_PLAYING));
    EXPECT_EQ(Render(1), (std::vector<int16_t>{25600, -25600}));
    EXPECT_EQ(Status(buffer), DWORD(DSBSTATUS_PLAYING));
    EXPECT_EQ(Render(1), (std::vector<int16_t>{0, 12800}));
    EXPECT_EQ(Status(buffer), 0u); // the one-shot has ended

    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(Status(buffer), DWORD(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
    EXPECT_EQ(Render(3), (std::vector<int16_t>{25600, -25600, 0, 12800, 25600, -25600}));
    DWORD play = 0, write = 0;
    EXPECT_EQ(buffer->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 2u); // one frame of 2 bytes into the second pass
    ASSERT_EQ(buffer->Stop(), DS_OK);
    EXPECT_EQ(Status(buffer), 0u);
    EXPECT_EQ(buffer->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 2u);
    EXPECT_EQ(write, 2u);
    EXPECT_EQ(buffer->SetCurrentPosition(4), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Play(1, 0, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Release(), 0u);
}

TEST_F(DSoundTest, DuplicatesShareSamplesThatOutliveTheOriginal)
{
    IDirectSoundBuffer* original = MakeBuffer(PcmFormat(1, 22050, 16), Pcm16({1000, 3000, 5000}));
    ASSERT_TRUE(original);
    ASSERT_EQ(original->SetVolume(-2000), DS_OK);
    IDirectSoundBuffer* first = nullptr;
    IDirectSoundBuffer* second = nullptr;
    ASSERT_EQ(mSound->DuplicateSoundBuffer(original, &first), DS_OK);
    ASSERT_EQ(mSound->DuplicateSoundBuffer(original, &second), DS_OK);
    DWORD frequency = 0;
    EXPECT_EQ(first->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, 22050u);
    LONG volume = 0;
    EXPECT_EQ(first->GetVolume(&volume), DS_OK);
    EXPECT_EQ(volume, -2000);

    // The copies play while the loaded sound is released, as sounds are unloaded under them.
    ASSERT_EQ(first->SetVolume(0), DS_OK);
    ASSERT_EQ(first->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    ASSERT_EQ(second->SetVolume(0), DS_OK);
    ASSERT_EQ(second->SetFrequency(44100), DS_OK);
    ASSERT_EQ(second->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(original->Release(), 0u);
    EXPECT_EQ(Left(Render(6)), (std::vector<int16_t>{2000, 5000, 8000, 4000, 5000, 3000}));
    EXPECT_EQ(Status(second), 0u);
    EXPECT_EQ(Status(first), DWORD(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));

    // Writing through one copy is heard through the other: the bytes are one.
    void* p1 = nullptr;
    DWORD n1 = 0;
    ASSERT_EQ(second->Lock(0, 2, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    std::memset(p1, 0, n1);
    ASSERT_EQ(second->Unlock(p1, n1, nullptr, 0), DS_OK);
    ASSERT_EQ(first->SetCurrentPosition(0), DS_OK);
    EXPECT_EQ(Left(Render(2)), (std::vector<int16_t>{0, 1500}));
    EXPECT_EQ(first->Release(), 0u);
    EXPECT_EQ(second->Release(), 0u);
}

TEST_F(DSoundTest, LockWrapsPastTheEnd)
{
    IDirectSoundBuffer* buffer = MakeBuffer(PcmFormat(1, 44100, 16), std::vector<uint8_t>(100, 0));
    ASSERT_TRUE(buffer);
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(buffer->Lock(80, 40, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 20u);
    EXPECT_EQ(n2, 20u);
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(static_cast<uint8_t*>(p1) - static_cast<uint8_t*>(p2), 80);
    std::memset(p1, 0x11, n1);
    std::memset(p2, 0x22, n2);
    ASSERT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);

    // A region inside the buffer has no second part.
    ASSERT_EQ(buffer->Lock(10, 20, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(static_cast<uint8_t*>(p1)[0], 0x22); // byte 10 of the wrapped write
    EXPECT_EQ(static_cast<uint8_t*>(p1)[10], 0x00);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(n2, 0u);
    ASSERT_EQ(buffer->Unlock(p1, n1, nullptr, 0), DS_OK);

    ASSERT_EQ(buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(n1, 100u);
    ASSERT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);

    EXPECT_EQ(buffer->Lock(80, 40, &p1, &n1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(100, 4, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(0, 101, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    int16_t elsewhere[4];
    EXPECT_EQ(buffer->Unlock(elsewhere, 8, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Release(), 0u);
}

TEST_F(DSoundTest, BuffersKeepTheDeviceUntilReleased)
{
    IDirectSoundBuffer* buffer = MakeBuffer(PcmFormat(1, 44100, 16), Pcm16({1, 2}));
    ASSERT_TRUE(buffer);
    EXPECT_EQ(mSound->Release(), 1u); // the caller's reference goes; the buffer's keeps the object
    mSound = nullptr;
    EXPECT_TRUE(LumoAudio::Mixer::Instance().HasDevice());
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(Left(Render(2)), (std::vector<int16_t>{1, 2}));
    EXPECT_EQ(buffer->Release(), 0u);
}

TEST_F(DSoundTest, QueryInterfaceKnowsItsInterfaces)
{
    void* object = nullptr;
    ASSERT_EQ(mSound->QueryInterface(IID_IDirectSound, &object), S_OK);
    EXPECT_EQ(object, mSound);
    EXPECT_EQ(mSound->Release(), 1u);
    EXPECT_EQ(mSound->QueryInterface(IID_IDirectSoundBuffer, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

// SDL's audio thread reads hints, which SDL does not guard: every hint is set before the sound
// device opens, even when it opens before any window (a fresh process shows it).
TEST(DSoundDevice, SdlHintsAreSetBeforeTheSoundThreadStarts)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            IDirectSound* sound = nullptr;
            const bool opened = DirectSoundCreate(nullptr, &sound, nullptr) == DS_OK;
            const char* batching = SDL_GetHint(SDL_HINT_RENDER_BATCHING);
            std::_Exit(opened && batching != nullptr && std::strcmp(batching, "1") == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// The device's own thread mixes while buffers are made, played and released on this one.
TEST(DSoundDevice, PlaysOnTheDeviceThreadWhileBuffersComeAndGo)
{
    IDirectSound* sound = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
    ASSERT_EQ(sound->SetCooperativeLevel(TestWindow(), DSSCL_NORMAL), DS_OK);
    WAVEFORMATEX format = PcmFormat(2, 11025, 16);
    DSBUFFERDESC desc = Description(kSoundFlags, 4000, &format);
    IDirectSoundBuffer* music = nullptr;
    ASSERT_EQ(sound->CreateSoundBuffer(&desc, &music, nullptr), DS_OK);
    ASSERT_EQ(music->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    for (int i = 0; i < 300; i++)
    {
        IDirectSoundBuffer* copy = nullptr;
        ASSERT_EQ(sound->DuplicateSoundBuffer(music, &copy), DS_OK);
        copy->SetFrequency(DWORD(1000 + 100 * i));
        copy->SetPan(i * 50 - 7500);
        copy->Play(0, 0, i % 2 ? DSBPLAY_LOOPING : 0);
        DWORD status = 0;
        copy->GetStatus(&status);
        EXPECT_EQ(copy->Release(), 0u);
    }
    // The device thread moves the play cursor; wait for it, but not forever.
    DWORD start = 0, now = 0;
    music->GetCurrentPosition(&start, nullptr);
    for (int i = 0; i < 1000 && now == start; i++)
    {
        SDL_Delay(10);
        music->GetCurrentPosition(&now, nullptr);
    }
    EXPECT_NE(now, start);
    EXPECT_EQ(music->Release(), 0u);
    EXPECT_EQ(sound->Release(), 0u);
    EXPECT_EQ(LumoAudio::Mixer::Instance().VoiceCount(), 0u);
}
