// A sound manager over the layer's dsound.dll, in a working folder of its own, with the
// mixer rendered by hand.
#pragma once

#include "SoundTestSupport.h"
#include "media/DSoundManager.h"
#include "tests/audio/AudioTestSupport.h"

#include <memory>

namespace SoundTest
{
class ManagerFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Lumo::gDSoundDLL = LoadLibraryA("dsound.dll");
        ASSERT_NE(Lumo::gDSoundDLL, nullptr);
        mManager = std::make_unique<Lumo::DSoundManager>(TestWindow(), false);
        ASSERT_TRUE(mManager->Initialized());
    }
    void TearDown() override
    {
        mManager.reset();
        FreeLibrary(Lumo::gDSoundDLL);
        Lumo::gDSoundDLL = nullptr;
        EXPECT_EQ(LumoAudio::Mixer::Instance().VoiceCount(), 0u);
    }

    WorkingFolder mFolder;
    AudioTest::ManualMixing mManual;
    std::unique_ptr<Lumo::DSoundManager> mManager;
};
} // namespace SoundTest
