// The winmm mixer: device 0's wave-output line, its volume control, and refused requests.
#include "audio/Mixer.h"
#include "win32/windows.h"

#include <gtest/gtest.h>

namespace
{
struct OpenMixer
{
    OpenMixer() { EXPECT_EQ(mixerOpen(&mixer, 0, 0, 0, 0), MMRESULT(MMSYSERR_NOERROR)); }
    ~OpenMixer() { mixerClose(mixer); }
    HMIXEROBJ Object() const { return reinterpret_cast<HMIXEROBJ>(mixer); }
    HMIXER mixer = nullptr;
};

MMRESULT Details(HMIXEROBJ mixer, DWORD control, bool write, DWORD& value)
{
    MIXERCONTROLDETAILS_UNSIGNED detail{value};
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof(details);
    details.dwControlID = control;
    details.cChannels = 1;
    details.cbDetails = sizeof(detail);
    details.paDetails = &detail;
    MMRESULT result = write ? mixerSetControlDetails(mixer, &details, MIXER_OBJECTF_HMIXER)
                            : mixerGetControlDetailsA(mixer, &details, MIXER_OBJECTF_HMIXER);
    value = detail.dwValue;
    return result;
}
} // namespace

TEST(MixerVolume, WaveOutputLineAndItsVolumeControl)
{
    OpenMixer open;
    HMIXER other = nullptr;
    EXPECT_EQ(mixerOpen(&other, 1, 0, 0, 0), MMRESULT(MMSYSERR_BADDEVICEID));
    EXPECT_EQ(other, nullptr);

    MIXERLINEA line{};
    line.cbStruct = sizeof(line);
    line.dwComponentType = 0x1004; // not offered
    EXPECT_EQ(mixerGetLineInfoA(open.Object(), &line, MIXER_GETLINEINFOF_COMPONENTTYPE),
              MMRESULT(MIXERR_INVALLINE));
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    ASSERT_EQ(mixerGetLineInfoA(open.Object(), &line, MIXER_GETLINEINFOF_COMPONENTTYPE),
              MMRESULT(MMSYSERR_NOERROR));
    EXPECT_EQ(line.cControls, 1u);

    MIXERCONTROLA control{};
    MIXERLINECONTROLSA controls{};
    controls.cbStruct = sizeof(controls);
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = 0x50030002; // not a volume
    controls.cControls = 1;
    controls.cbmxctrl = sizeof(control);
    controls.pamxctrl = &control;
    EXPECT_EQ(mixerGetLineControlsA(open.Object(), &controls, MIXER_GETLINECONTROLSF_ONEBYTYPE),
              MMRESULT(MIXERR_INVALCONTROL));
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    ASSERT_EQ(mixerGetLineControlsA(open.Object(), &controls, MIXER_GETLINECONTROLSF_ONEBYTYPE),
              MMRESULT(MMSYSERR_NOERROR));
    EXPECT_EQ(control.Bounds.dwMinimum, 0u);
    EXPECT_EQ(control.Bounds.dwMaximum, 65535u);

    // Values above the range are held at its top; the output's gain follows.
    DWORD value = 16384;
    ASSERT_EQ(Details(open.Object(), control.dwControlID, true, value), MMRESULT(MMSYSERR_NOERROR));
    EXPECT_FLOAT_EQ(LumoAudio::Mixer::Instance().MasterGain(), 16384.0f / 65535.0f);
    value = 0;
    ASSERT_EQ(Details(open.Object(), control.dwControlID, false, value), MMRESULT(MMSYSERR_NOERROR));
    EXPECT_EQ(value, 16384u);
    value = 900000;
    Details(open.Object(), control.dwControlID, true, value);
    Details(open.Object(), control.dwControlID, false, value);
    EXPECT_EQ(value, 65535u);
    EXPECT_FLOAT_EQ(LumoAudio::Mixer::Instance().MasterGain(), 1.0f);

    EXPECT_EQ(Details(open.Object(), 99, false, value), MMRESULT(MIXERR_INVALCONTROL));
    MIXERCONTROLDETAILS empty{};
    empty.cbStruct = sizeof(empty);
    EXPECT_EQ(mixerGetControlDetailsA(open.Object(), &empty, 0), MMRESULT(MMSYSERR_INVALPARAM));
}
