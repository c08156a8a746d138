#include "media/WaveOutVolume.h"

namespace Lumo
{

WaveOutVolume::WaveOutVolume()
{
    mixerOpen(&mMixer, 0, 0, 0, 0);
    MIXERCAPSA caps{};
    mixerGetDevCapsA(0, &caps, sizeof(caps));
    MIXERLINEA line{};
    line.cbStruct = sizeof(line);
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    HMIXEROBJ object = reinterpret_cast<HMIXEROBJ>(mMixer);
    mixerGetLineInfoA(object, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE);
    MIXERLINECONTROLSA controls{};
    controls.cbStruct = sizeof(controls);
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof(mControl);
    controls.pamxctrl = &mControl;
    mixerGetLineControlsA(object, &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE);
}

WaveOutVolume::~WaveOutVolume()
{
    if (mMixer)
        mixerClose(mMixer);
}

MMRESULT WaveOutVolume::Details(bool write, DWORD& value)
{
    MIXERCONTROLDETAILS_UNSIGNED detail{value};
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof(details);
    details.dwControlID = mControl.dwControlID;
    details.cChannels = 1;
    details.cbDetails = sizeof(detail);
    details.paDetails = &detail;
    HMIXEROBJ object = reinterpret_cast<HMIXEROBJ>(mMixer);
    MMRESULT result = write ? mixerSetControlDetails(object, &details, MIXER_OBJECTF_HMIXER)
                            : mixerGetControlDetailsA(object, &details, MIXER_OBJECTF_HMIXER);
    value = detail.dwValue;
    return result;
}

DWORD WaveOutVolume::Get()
{
    DWORD value = 0;
    Details(false, value);
    return value;
}

void WaveOutVolume::Set(DWORD value)
{
    Details(true, value);
}

} // namespace Lumo
