#include "dsound/Device.h"
#include "dsound/SoundBuffer.h"
#include "audio/Mixer.h"
#include "core/faults.h"

namespace DSound
{
namespace
{
bool ValidSecondaryFormat(const WAVEFORMATEX* format)
{
    return format && format->wFormatTag == WAVE_FORMAT_PCM &&
           (format->nChannels == 1 || format->nChannels == 2) &&
           (format->wBitsPerSample == 8 || format->wBitsPerSample == 16) &&
           format->nSamplesPerSec >= DSBFREQUENCY_MIN && format->nSamplesPerSec <= DSBFREQUENCY_MAX &&
           format->nBlockAlign == format->nChannels * format->wBitsPerSample / 8;
}
} // namespace

Device::~Device()
{
    LumoAudio::Mixer::Instance().ReleaseDevice();
}

HRESULT WINAPI Device::SetCooperativeLevel(HWND window, DWORD level)
{
    if (!window || level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY)
        return DSERR_INVALIDPARAM;
    mLevel = level;
    return DS_OK;
}

HRESULT WINAPI Device::CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer, LPUNKNOWN outer)
{
    if (outer)
        return DSERR_NOAGGREGATION;
    if (!desc || !buffer || (desc->dwSize != DSBUFFERDESC_SIZE_32BIT && desc->dwSize != sizeof(DSBUFFERDESC)))
        return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (mLevel == 0)
        return DSERR_UNINITIALIZED;
    if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER)
    {
        // The primary buffer has no memory of its own and takes its format later.
        if (desc->dwBufferBytes != 0 || desc->lpwfxFormat)
            return DSERR_INVALIDPARAM;
        *buffer = SoundBuffer::CreatePrimary(this, desc->dwFlags);
        return DS_OK;
    }
    if (!ValidSecondaryFormat(desc->lpwfxFormat))
        return DSERR_BADFORMAT;
    if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX)
        return DSERR_INVALIDPARAM;
    SoundBuffer* created = SoundBuffer::CreateSecondary(this, *desc);
    if (!created)
        return DSERR_OUTOFMEMORY;
    *buffer = created;
    return DS_OK;
}

HRESULT WINAPI Device::DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original, LPDIRECTSOUNDBUFFER* duplicate)
{
    if (!original || !duplicate)
        return DSERR_INVALIDPARAM;
    *duplicate = nullptr;
    SoundBuffer* source = static_cast<SoundBuffer*>(original);
    if (source->IsPrimary())
        return DSERR_INVALIDCALL;
    *duplicate = source->Duplicate();
    return DS_OK;
}
} // namespace DSound

extern "C" HRESULT WINAPI DirectSoundCreate(LPCGUID device, LPDIRECTSOUND* directSound, LPUNKNOWN outer)
{
    if (!directSound)
        return DSERR_INVALIDPARAM;
    *directSound = nullptr;
    if (outer)
        return DSERR_NOAGGREGATION;
    if (device) // only the default output exists
        return DSERR_NODRIVER;
    LumoAudio::Mixer& mixer = LumoAudio::Mixer::Instance();
    mixer.SetFaultHook(&Platform::ShouldFail);
    if (!mixer.AcquireDevice())
        return DSERR_NODRIVER;
    *directSound = new DSound::Device();
    return DS_OK;
}
