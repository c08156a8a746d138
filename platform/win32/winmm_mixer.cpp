// The audio mixer of winmm: one device (0) with the wave-output line and its volume control,
// 0..65535, which scales everything the shared sound output plays.
#include "audio/Mixer.h"
#include "core/faults.h"
#include "win32/windows.h"

#include <atomic>
#include <cstring>

namespace
{
constexpr DWORD kWaveOutLine = 0x10000;
constexpr DWORD kVolumeControl = 1;
constexpr DWORD kMaxValue = 65535;

// One open handle per mixerOpen; the value is any non-null token.
std::atomic<uintptr_t> gNextHandle{1};
std::atomic<DWORD> gVolume{kMaxValue};

void CopyName(CHAR* target, size_t size, const char* name)
{
    std::strncpy(target, name, size - 1);
    target[size - 1] = 0;
}
} // namespace

MMRESULT WINAPI mixerOpen(LPHMIXER mixer, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, DWORD flags)
{
    if (!mixer)
        return MMSYSERR_INVALPARAM;
    *mixer = nullptr;
    if (deviceId != 0 || Platform::ShouldFail("mixerOpen"))
        return MMSYSERR_BADDEVICEID;
    *mixer = reinterpret_cast<HMIXER>(gNextHandle.fetch_add(1));
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI mixerClose(HMIXER mixer)
{
    return mixer ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT WINAPI mixerGetDevCapsA(UINT_PTR deviceId, LPMIXERCAPSA caps, UINT size)
{
    if (!caps || size < sizeof(MIXERCAPSA))
        return MMSYSERR_INVALPARAM;
    // A device number below 0x10000, or a handle from mixerOpen.
    if (deviceId != 0 && deviceId < 0x10000)
        return MMSYSERR_BADDEVICEID;
    std::memset(caps, 0, sizeof(MIXERCAPSA));
    CopyName(caps->szPname, sizeof(caps->szPname), "Sound output");
    caps->cDestinations = 1;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI mixerGetLineInfoA(HMIXEROBJ mixer, LPMIXERLINEA line, DWORD flags)
{
    if (!line || line->cbStruct < sizeof(MIXERLINEA))
        return MMSYSERR_INVALPARAM;
    if ((flags & MIXER_GETLINEINFOF_QUERYMASK) != MIXER_GETLINEINFOF_COMPONENTTYPE)
        return MMSYSERR_INVALFLAG;
    if (line->dwComponentType != MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT)
        return MIXERR_INVALLINE;
    DWORD size = line->cbStruct;
    std::memset(line, 0, sizeof(MIXERLINEA));
    line->cbStruct = size;
    line->dwLineID = kWaveOutLine;
    line->dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    line->cChannels = 2;
    line->cControls = 1;
    CopyName(line->szShortName, sizeof(line->szShortName), "Wave");
    CopyName(line->szName, sizeof(line->szName), "Wave output");
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI mixerGetLineControlsA(HMIXEROBJ mixer, LPMIXERLINECONTROLSA controls, DWORD flags)
{
    if (!controls || controls->cbStruct < sizeof(MIXERLINECONTROLSA) || !controls->pamxctrl ||
        controls->cbmxctrl < sizeof(MIXERCONTROLA) || controls->cControls < 1)
        return MMSYSERR_INVALPARAM;
    if ((flags & MIXER_GETLINECONTROLSF_QUERYMASK) != MIXER_GETLINECONTROLSF_ONEBYTYPE)
        return MMSYSERR_INVALFLAG;
    if (controls->dwLineID != kWaveOutLine)
        return MIXERR_INVALLINE;
    if (controls->dwControlType != MIXERCONTROL_CONTROLTYPE_VOLUME)
        return MIXERR_INVALCONTROL;
    MIXERCONTROLA* control = controls->pamxctrl;
    std::memset(control, 0, sizeof(MIXERCONTROLA));
    control->cbStruct = sizeof(MIXERCONTROLA);
    control->dwControlID = kVolumeControl;
    control->dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    control->Bounds.dwMinimum = 0;
    control->Bounds.dwMaximum = kMaxValue;
    control->Metrics.cSteps = kMaxValue + 1;
    CopyName(control->szShortName, sizeof(control->szShortName), "Volume");
    CopyName(control->szName, sizeof(control->szName), "Wave output volume");
    return MMSYSERR_NOERROR;
}

namespace
{
// The one value the details carry: every channel of the control has the same level.
MIXERCONTROLDETAILS_UNSIGNED* Values(LPMIXERCONTROLDETAILS details, MMRESULT& error)
{
    error = MMSYSERR_INVALPARAM;
    if (!details || details->cbStruct < sizeof(MIXERCONTROLDETAILS) || !details->paDetails ||
        details->cbDetails < sizeof(MIXERCONTROLDETAILS_UNSIGNED) || details->cChannels < 1)
        return nullptr;
    error = MIXERR_INVALCONTROL;
    if (details->dwControlID != kVolumeControl)
        return nullptr;
    error = MMSYSERR_NOERROR;
    return static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails);
}
} // namespace

MMRESULT WINAPI mixerGetControlDetailsA(HMIXEROBJ mixer, LPMIXERCONTROLDETAILS details, DWORD flags)
{
    MMRESULT error;
    MIXERCONTROLDETAILS_UNSIGNED* values = Values(details, error);
    if (!values)
        return error;
    auto* bytes = static_cast<uint8_t*>(details->paDetails);
    for (DWORD i = 0; i < details->cChannels; i++)
        reinterpret_cast<MIXERCONTROLDETAILS_UNSIGNED*>(bytes + size_t(i) * details->cbDetails)->dwValue =
            gVolume.load();
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI mixerSetControlDetails(HMIXEROBJ mixer, LPMIXERCONTROLDETAILS details, DWORD flags)
{
    MMRESULT error;
    MIXERCONTROLDETAILS_UNSIGNED* values = Values(details, error);
    if (!values)
        return error;
    DWORD value = values->dwValue > kMaxValue ? kMaxValue : values->dwValue;
    gVolume = value;
    LumoAudio::Mixer::Instance().SetMasterGain(float(value) / float(kMaxValue));
    return MMSYSERR_NOERROR;
}
