// A sound instance over a duplicate of the manager's source buffer, so that one sound can play
// on several channels at once with its own volume, pan and frequency.
#pragma once

#include "dsound/dsound.h"
#include "media/SoundInstance.h"

#include <cstdint>

namespace Lumo
{

class DSoundManager;

class DSoundInstance : public SoundInstance
{
public:
    // A null source buffer makes a silent instance.
    DSoundInstance(DSoundManager* manager, IDirectSoundBuffer* sourceSound);
    ~DSoundInstance() override;

    void Release() override;
    void SetBaseVolume(double volume) override;
    void SetBasePan(int pan) override;
    void AdjustPitch(double semitones) override;
    void SetVolume(double volume) override;
    void SetPan(int pan) override;
    bool Play(bool looping, bool autoRelease) override;
    void Stop() override;
    bool IsPlaying() override;
    bool IsReleased() override;
    double GetVolume() override;

    void ApplyVolume();
    void ApplyPan();
    bool AutoRelease() const { return mAutoRelease; }
    void SetAutoRelease(bool autoRelease) { mAutoRelease = autoRelease; }

private:
    DSoundManager* mSoundManager;
    IDirectSoundBuffer* mSourceSoundBuffer;
    IDirectSoundBuffer* mSoundBuffer = nullptr;
    bool mAutoRelease = false;
    bool mHasPlayed = false;
    bool mReleased = false;
    int mBasePan = 0;
    double mBaseVolume = 1.0;
    int mPan = 0;
    double mVolume = 1.0;
    uint32_t mDefaultFrequency = 44100;
};

} // namespace Lumo
