// The owner of every short sound effect: up to 256 loaded sounds, played on up to 32 channels.
#pragma once

#include "win32/windows.h"

#include <string>

namespace Lumo
{

class SoundInstance;

class SoundManager
{
public:
    virtual ~SoundManager() = default;
    virtual bool Initialized() = 0;
    // The id the sound is loaded under, loading it into a free id first when needed; -1 on failure.
    virtual int LoadSound(const std::string& name) = 0;
    virtual bool LoadSound(unsigned int id, const std::string& name) = 0;
    virtual void ReleaseSound(unsigned int id) = 0;
    virtual void SetVolume(double volume) = 0;
    virtual bool SetBaseVolume(unsigned int id, double volume) = 0;
    virtual bool SetBasePan(unsigned int id, int pan) = 0;
    // Owned by the manager: callers Release it and never delete it.
    virtual SoundInstance* GetSoundInstance(unsigned int id) = 0;
    virtual void ReleaseSounds() = 0;
    virtual void ReleaseChannels() = 0;
    virtual double GetMasterVolume() = 0;
    virtual void SetMasterVolume(double volume) = 0;
    virtual void Idle() = 0;
    virtual void SetCooperativeWindow(HWND window, bool windowed) = 0;
    virtual void StopAllSounds() = 0;
};

} // namespace Lumo
