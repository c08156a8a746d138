// The system's wave-output volume control (mixer device 0), open while this object lives.
#pragma once

#include "win32/windows.h"

namespace Lumo
{

class WaveOutVolume
{
public:
    WaveOutVolume();
    ~WaveOutVolume();
    WaveOutVolume(const WaveOutVolume&) = delete;
    WaveOutVolume& operator=(const WaveOutVolume&) = delete;

    // 0..65535; results of the mixer are not tested, so a missing control reads 0.
    DWORD Get();
    void Set(DWORD value);

private:
    MMRESULT Details(bool write, DWORD& value);

    HMIXER mMixer = nullptr;
    MIXERCONTROLA mControl{};
};

} // namespace Lumo
