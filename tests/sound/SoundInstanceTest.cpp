// Sound instances over a recording dsound.dll: the attenuation, pan and frequency each call
// passes to the buffer, and the end of the program when a duplicate fails.
#include "FakeDSound.h"
#include "SoundTestSupport.h"
#include "media/DSoundInstance.h"
#include "media/DSoundManager.h"

#include <cmath>
#include <memory>

using namespace SoundTest;
using Lumo::DSoundManager;
using Lumo::SoundInstance;

TEST(VolumeToDB, ValuesAndLimits)
{
    EXPECT_EQ(DSoundManager::VolumeToDB(1.0), 0);
    EXPECT_EQ(DSoundManager::VolumeToDB(0.85), -146);
    EXPECT_EQ(DSoundManager::VolumeToDB(0.5), -605);
    EXPECT_EQ(DSoundManager::VolumeToDB(0.1), -1682);
    EXPECT_EQ(DSoundManager::VolumeToDB(0.05), -1956);
    EXPECT_EQ(DSoundManager::VolumeToDB(0.04), -10000);
    EXPECT_EQ(DSoundManager::VolumeToDB(0.0), -10000);
    // Out of range: clamped to 0..1 before the conversion.
    EXPECT_EQ(DSoundManager::VolumeToDB(2.5), 0);
    EXPECT_EQ(DSoundManager::VolumeToDB(-0.5), -10000);
    EXPECT_EQ(DSoundManager::VolumeToDB(std::nan("")), -10000);
}

namespace
{
class InstanceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Lumo::gDSoundDLL = LoadFakeDSound();
        ASSERT_NE(Lumo::gDSoundDLL, nullptr);
        mFolder.Write("low.wav", Wav(1, 22050, 16, Pcm16({1, 2, 3, 4})));
        mFolder.Write("high.wav", Wav(2, 44100, 16, Pcm16({1, 2, 3, 4})));
        mManager = std::make_unique<DSoundManager>(TestWindow(), false);
        ASSERT_TRUE(mManager->Initialized());
        mLow = mManager->LoadSound("low");
        mHigh = mManager->LoadSound("high");
        ASSERT_GE(mLow, 0);
        ASSERT_GE(mHigh, 0);
    }
    void TearDown() override
    {
        mManager.reset();
        FreeLibrary(Lumo::gDSoundDLL);
        Lumo::gDSoundDLL = nullptr;
    }
    // The instance and the recording buffer behind it.
    SoundInstance* Instance(int id, std::shared_ptr<FakeBufferLog>& log)
    {
        size_t before = FakeState().duplicates.size();
        SoundInstance* instance = mManager->GetSoundInstance(unsigned(id));
        EXPECT_NE(instance, nullptr);
        EXPECT_EQ(FakeState().duplicates.size(), before + 1);
        log = FakeState().duplicates.back()->Log();
        return instance;
    }

    WorkingFolder mFolder;
    std::unique_ptr<DSoundManager> mManager;
    int mLow = -1;
    int mHigh = -1;
};
} // namespace

TEST_F(InstanceTest, VolumesReachTheBufferAsAttenuation)
{
    std::shared_ptr<FakeBufferLog> log;
    ASSERT_TRUE(mManager->SetBaseVolume(unsigned(mLow), 0.5));
    SoundInstance* instance = Instance(mLow, log);
    EXPECT_EQ(log->volumes.back(), -605);

    instance->SetVolume(0.0);
    EXPECT_EQ(log->volumes.back(), -10000);

    ASSERT_TRUE(mManager->SetBaseVolume(unsigned(mHigh), 1.0));
    mManager->SetVolume(0.85);
    SoundInstance* second = Instance(mHigh, log);
    second->SetVolume(1.0);
    EXPECT_EQ(log->volumes.back(), -146);
    mManager->SetVolume(1.0); // re-applied to the instances that exist
    EXPECT_EQ(log->volumes.back(), 0);

    second->SetBaseVolume(0.3);
    second->SetVolume(0.7);
    EXPECT_DOUBLE_EQ(second->GetVolume(), 0.7);

    // Out of range values are clamped before the conversion.
    second->SetBaseVolume(1.0);
    second->SetVolume(7.0);
    EXPECT_EQ(log->volumes.back(), 0);
    second->SetVolume(-3.0);
    EXPECT_EQ(log->volumes.back(), -10000);
}

TEST_F(InstanceTest, PansAddAndStayInTheBuffersRange)
{
    std::shared_ptr<FakeBufferLog> log;
    ASSERT_TRUE(mManager->SetBasePan(unsigned(mLow), 8000));
    EXPECT_FALSE(mManager->SetBasePan(256, 100));
    SoundInstance* instance = Instance(mLow, log);
    EXPECT_EQ(log->pans.back(), 8000);
    instance->SetPan(-3000);
    EXPECT_EQ(log->pans.back(), 5000);
    instance->SetPan(5000);
    EXPECT_EQ(log->pans.back(), 10000);
    instance->SetPan(-2000000000);
    EXPECT_EQ(log->pans.back(), -10000);
}

TEST_F(InstanceTest, PitchFromTheSoundsOwnRateClamped)
{
    std::shared_ptr<FakeBufferLog> log;
    SoundInstance* low = Instance(mLow, log);
    low->AdjustPitch(12);
    EXPECT_EQ(log->frequencies.back(), 44100u);
    low->AdjustPitch(12); // from the default frequency again, not accumulated
    EXPECT_EQ(log->frequencies.back(), 44100u);
    low->AdjustPitch(-120);
    EXPECT_EQ(log->frequencies.back(), 100u);
    low->AdjustPitch(std::nan(""));
    EXPECT_EQ(log->frequencies.back(), 100u);

    SoundInstance* high = Instance(mHigh, log);
    high->AdjustPitch(120);
    EXPECT_EQ(log->frequencies.back(), 100000u);
    high->AdjustPitch(0);
    EXPECT_EQ(log->frequencies.back(), 44100u);
}

TEST_F(InstanceTest, PlayRewindsAndStopAllKeepsAutoRelease)
{
    std::shared_ptr<FakeBufferLog> log;
    SoundInstance* instance = Instance(mLow, log);
    EXPECT_FALSE(instance->IsPlaying()); // never played
    ASSERT_TRUE(instance->Play(true, false));
    ASSERT_TRUE(instance->Play(false, true));
    std::vector<std::string> expected = {"Stop", "SetCurrentPosition 0", "Play 1",
                                         "Stop", "SetCurrentPosition 0", "Play 0"};
    EXPECT_EQ(log->calls, expected);
    EXPECT_TRUE(instance->IsPlaying());
    EXPECT_FALSE(instance->IsReleased());

    mManager->StopAllSounds();
    EXPECT_FALSE(instance->IsPlaying());
    EXPECT_TRUE(instance->IsReleased()); // still auto-release, so released once stopped

    // A plain Stop clears auto-release: the instance stays until someone releases it.
    SoundInstance* other = Instance(mLow, log);
    other->Play(false, true);
    other->Stop();
    EXPECT_FALSE(other->IsReleased());
    other->Release();
    EXPECT_TRUE(other->IsReleased());
}

TEST_F(InstanceTest, ThirtyTwoChannelsAndReuseAfterRelease)
{
    std::vector<SoundInstance*> playing;
    for (int i = 0; i < DSoundManager::kMaxChannels; i++)
    {
        SoundInstance* instance = mManager->GetSoundInstance(unsigned(mLow));
        ASSERT_NE(instance, nullptr) << i;
        ASSERT_TRUE(instance->Play(true, false));
        playing.push_back(instance);
    }
    EXPECT_EQ(mManager->GetSoundInstance(unsigned(mLow)), nullptr);
    playing[7]->Release();
    EXPECT_NE(mManager->GetSoundInstance(unsigned(mHigh)), nullptr); // the scan reuses it at once
    EXPECT_EQ(mManager->GetSoundInstance(unsigned(mHigh)), nullptr);
    EXPECT_EQ(mManager->GetSoundInstance(256), nullptr);
}

TEST_F(InstanceTest, FailedDuplicateTakesTheFatalPath)
{
    RecordFatalErrors record;
    const std::pair<HRESULT, const char*> named[] = {{DSERR_ALLOCATED, "DSERR_ALLOCATED"},
                                                     {DSERR_INVALIDCALL, "DSERR_INVALIDCALL"},
                                                     {DSERR_UNINITIALIZED, "DSERR_UNINITIALIZED"},
                                                     {DSERR_OUTOFMEMORY, "DSERR_OUTOFMEMORY"},
                                                     {DSERR_INVALIDPARAM, "DSERR_INVALIDPARAM"}};
    for (auto [result, name] : named)
    {
        FakeState().duplicateResult = result;
        FatalCalls().clear();
        SoundInstance* instance = mManager->GetSoundInstance(unsigned(mLow));
        ASSERT_EQ(FatalCalls().size(), 1u) << name;
        EXPECT_TRUE(FatalCalls()[0].text);
        EXPECT_EQ(FatalCalls()[0].message, name);
        EXPECT_EQ(FatalCalls()[0].caption, "Hey");
        EXPECT_EQ(FatalCalls()[0].type, UINT(MB_OK));
        // Had the handler let the program go on, the instance is silent.
        ASSERT_NE(instance, nullptr);
        EXPECT_FALSE(instance->Play(false, false));
        instance->Release();
    }
    FakeState().duplicateResult = DSERR_BUFFERLOST;
    FatalCalls().clear();
    mManager->GetSoundInstance(unsigned(mLow));
    ASSERT_EQ(FatalCalls().size(), 1u);
    EXPECT_FALSE(FatalCalls()[0].text); // ends the program without a box
}
