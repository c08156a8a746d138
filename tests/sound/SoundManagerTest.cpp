// The sound manager over the layer's DirectSound: sound ids, the silent manager, channels,
// the master volume and what the mixer plays.
#include "ManagerFixture.h"
#include "media/SoundInstance.h"

#include <cmath>
#include <memory>

using namespace SoundTest;
using Lumo::DSoundManager;
using Lumo::SoundInstance;

using ManagerTest = ManagerFixture;

TEST_F(ManagerTest, IdsByNameFromTheTopDown)
{
    mFolder.Write("one.wav", Wav(1, 22050, 8, Bytes(16, 0x80)));
    mFolder.Write("two.wav", Wav(1, 22050, 8, Bytes(16, 0x80)));
    EXPECT_EQ(mManager->LoadSound("one"), 255);
    EXPECT_EQ(mManager->LoadSound("two"), 254);
    // The same name again is the same id, without loading: the file may be gone by now.
    std::filesystem::remove(mFolder.Path("one.wav"));
    EXPECT_EQ(mManager->LoadSound("one"), 255);
    EXPECT_EQ(mManager->LoadSound("ONE"), -1); // names are compared exactly
    EXPECT_EQ(mManager->LoadSound("two"), 254);

    mManager->ReleaseSound(255);
    EXPECT_EQ(mManager->LoadSound("two"), 254);
    EXPECT_EQ(mManager->LoadSound("one"), -1);
    // Ids past the table are ignored.
    mManager->ReleaseSound(256);
    mManager->ReleaseSound(0xFFFFFFFFu);
    EXPECT_FALSE(mManager->LoadSound(256, "two"));
    EXPECT_FALSE(mManager->SetBaseVolume(300, 0.5));
    EXPECT_EQ(mManager->GetSoundInstance(256), nullptr);
    EXPECT_EQ(mManager->GetSoundInstance(10), nullptr); // not loaded
}

TEST_F(ManagerTest, AFailedLoadForgetsTheName)
{
    EXPECT_EQ(mManager->LoadSound("later"), -1);
    mFolder.Write("later.wav", Wav(1, 22050, 16, Pcm16({5, 6})));
    EXPECT_EQ(mManager->LoadSound("later"), 255); // tried again, not an id without a sound
    SoundInstance* instance = mManager->GetSoundInstance(255);
    ASSERT_NE(instance, nullptr);
    EXPECT_TRUE(instance->Play(false, true));
}

TEST_F(ManagerTest, AllIdsTaken)
{
    mFolder.Write("s.wav", Wav(1, 22050, 8, Bytes(8, 0x80)));
    // Absolute names: nothing is cached.
    for (int i = 0; i < 256; i++)
    {
        std::filesystem::copy_file(mFolder.Path("s.wav"), mFolder.Path("s" + std::to_string(i) + ".wav"));
        ASSERT_EQ(mManager->LoadSound(mFolder.Path("s" + std::to_string(i))), 255 - i);
    }
    EXPECT_EQ(mManager->LoadSound(mFolder.Path("s")), -1);
    EXPECT_EQ(mManager->LoadSound(mFolder.Path("s17")), 255 - 17);
    EXPECT_FALSE(std::filesystem::exists(mFolder.Path("cached")));
}

TEST_F(ManagerTest, MixerPlaysTheSoundAtItsVolumeAndPan)
{
    mFolder.Write("tone.wav", Wav(1, 44100, 16, Pcm16(std::vector<int16_t>(100, 8000))));
    const int id = mManager->LoadSound("tone");
    ASSERT_EQ(id, 255);
    SoundInstance* instance = mManager->GetSoundInstance(unsigned(id));
    ASSERT_NE(instance, nullptr);
    instance->SetVolume(0.5); // -605
    instance->SetPan(-2000);  // the right side 20 dB further down
    ASSERT_TRUE(instance->Play(false, true));
    std::vector<int16_t> out = AudioTest::Render(150);
    const int left = int(std::lround(8000 * std::pow(10.0, -605 / 2000.0)));
    const int right = int(std::lround(8000 * std::pow(10.0, -2605 / 2000.0)));
    EXPECT_NEAR(out[0], left, 1);
    EXPECT_NEAR(out[1], right, 1);
    EXPECT_NEAR(out[2 * 99], left, 1);
    EXPECT_NEAR(out[2 * 99 + 1], right, 1);
    EXPECT_EQ(out[2 * 100], 0); // a one-shot sound ends
    EXPECT_FALSE(instance->IsPlaying());
    EXPECT_TRUE(instance->IsReleased());
}

TEST_F(ManagerTest, MasterVolumeIsTheWaveOutputControl)
{
    mManager->SetMasterVolume(0.5);
    MIXERCONTROLDETAILS_UNSIGNED value{};
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof(details);
    details.dwControlID = 1;
    details.cChannels = 1;
    details.cbDetails = sizeof(value);
    details.paDetails = &value;
    HMIXER mixer = nullptr;
    ASSERT_EQ(mixerOpen(&mixer, 0, 0, 0, 0), MMRESULT(MMSYSERR_NOERROR));
    ASSERT_EQ(mixerGetControlDetailsA(reinterpret_cast<HMIXEROBJ>(mixer), &details, 0),
              MMRESULT(MMSYSERR_NOERROR));
    mixerClose(mixer);
    EXPECT_EQ(value.dwValue, 32767u);
    EXPECT_DOUBLE_EQ(mManager->GetMasterVolume(), 32767 / 65535.0);

    // It scales everything the output plays.
    mFolder.Write("tone.wav", Wav(1, 44100, 16, Pcm16(std::vector<int16_t>(10, 10000))));
    SoundInstance* instance = mManager->GetSoundInstance(unsigned(mManager->LoadSound("tone")));
    ASSERT_NE(instance, nullptr);
    instance->Play(false, false);
    EXPECT_NEAR(AudioTest::Render(1)[0], 10000 * 32767 / 65535, 1);

    mManager->SetMasterVolume(7.0);
    EXPECT_DOUBLE_EQ(mManager->GetMasterVolume(), 1.0);
}

TEST(SilentManager, EveryRequestSucceedsQuietly)
{
    DSoundManager manager(nullptr, false);
    EXPECT_FALSE(manager.Initialized());
    EXPECT_TRUE(manager.LoadSound(3, "anything"));
    EXPECT_EQ(manager.LoadSound("a"), 255);
    EXPECT_EQ(manager.LoadSound("b"), 255); // nothing is stored
    SoundInstance* instance = manager.GetSoundInstance(77);
    ASSERT_NE(instance, nullptr);
    EXPECT_FALSE(instance->Play(false, true));
    EXPECT_FALSE(instance->IsPlaying());
    EXPECT_TRUE(instance->IsReleased());
    EXPECT_EQ(manager.GetSoundInstance(256), nullptr);
    manager.SetCooperativeWindow(TestWindow(), true);
    manager.StopAllSounds();

    // A window but no dsound.dll: silent as well.
    Lumo::gDSoundDLL = nullptr;
    DSoundManager noModule(TestWindow(), false);
    EXPECT_FALSE(noModule.Initialized());
}
