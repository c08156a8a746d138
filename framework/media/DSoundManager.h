// The sound manager over DirectSound. Without a sound device it is silent: it loads nothing
// and every request succeeds, so the rest of the program never tests for sound.
#pragma once

#include "dsound/dsound.h"
#include "media/SoundManager.h"

#include <cstdint>
#include <string>

namespace Lumo
{

struct FMOD_INSTANCE;

class DSoundManager : public SoundManager
{
public:
    static constexpr unsigned int kMaxSounds = 256;
    static constexpr int kMaxChannels = 32;

    DSoundManager(HWND window, bool useFMod);
    ~DSoundManager() override;

    bool Initialized() override;
    int LoadSound(const std::string& name) override;
    bool LoadSound(unsigned int id, const std::string& name) override;
    void ReleaseSound(unsigned int id) override;
    void SetVolume(double volume) override;
    bool SetBaseVolume(unsigned int id, double volume) override;
    bool SetBasePan(unsigned int id, int pan) override;
    SoundInstance* GetSoundInstance(unsigned int id) override;
    void ReleaseSounds() override;
    void ReleaseChannels() override;
    double GetMasterVolume() override;
    void SetMasterVolume(double volume) override;
    void Idle() override;
    void SetCooperativeWindow(HWND window, bool windowed) override;
    void StopAllSounds() override;

    // Linear volume 0..1 as DirectSound attenuation in hundredths of a decibel.
    static int VolumeToDB(double volume);

    // The readers: each loads a full file name into the id's buffer.
    bool LoadWAVSound(unsigned int id, const std::string& fileName);
    bool LoadFModSound(unsigned int id, const std::string& fileName);
    bool LoadOGGSound(unsigned int id, const std::string& fileName);
    bool LoadAUSound(unsigned int id, const std::string& fileName);
    // Writes the id's buffer as the converted-sound cache file of `sourceName`.
    bool WriteCacheWAV(const std::string& cacheName, unsigned int id, const std::string& sourceName);
    static bool GetFileWriteTime(const std::string& fileName, FILETIME& time);

    // Read by the instances.
    IDirectSound* DirectSound() const { return mDirectSound; }
    double VolumeScale() const { return mVolumeScale; }

private:
    int FindFreeChannel();
    void DeleteReleasedChannels();
    // A secondary buffer for the id in the format given; false when it cannot be made.
    bool CreateBuffer(unsigned int id, WORD channels, DWORD samplesPerSec, WORD bits, DWORD bytes);
    // WriteCacheWAV with the source's last-write time as it was before the source was read.
    bool WriteCache(const std::string& cacheName, unsigned int id, const std::string& sourceName,
                    const FILETIME& sourceTime);
    // Undoes CreateBuffer after a reader failed part-way.
    void DropBuffer(unsigned int id);

    IDirectSoundBuffer* mSourceSounds[kMaxSounds] = {};
    std::string mSourceFileNames[kMaxSounds];
    IDirectSoundBuffer* mPrimaryBuffer = nullptr;
    uint32_t mSourceDataSizes[kMaxSounds] = {};
    double mBaseVolumes[kMaxSounds];
    int mBasePans[kMaxSounds] = {};
    SoundInstance* mPlayingSounds[kMaxChannels] = {};
    double mVolumeScale = 1.0;
    uint32_t mLastReleaseTick = 0;
    IDirectSound* mDirectSound = nullptr;
    bool mUseFMod;
    FMOD_INSTANCE* mFMod = nullptr; // with mUseFMod: the library that decodes ".mp3" sounds
};

} // namespace Lumo
