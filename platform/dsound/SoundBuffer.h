// A DirectSound buffer over one voice of the shared mixer.
#pragma once

#include "dsound/dsound.h"
#include "audio/Mixer.h"
#include "win32/ComObject.h"

#include <atomic>
#include <memory>

namespace DSound
{
class Device;

class SoundBuffer final : public ComObject<IDirectSoundBuffer, IID_IDirectSoundBuffer>
{
public:
    // Secondary buffer: `desc` has been checked by the device.
    static SoundBuffer* CreateSecondary(Device* device, const DSBUFFERDESC& desc);
    static SoundBuffer* CreatePrimary(Device* device, DWORD flags);
    SoundBuffer* Duplicate() const;
    bool IsPrimary() const { return (mFlags & DSBCAPS_PRIMARYBUFFER) != 0; }

    HRESULT WINAPI GetCurrentPosition(LPDWORD playCursor, LPDWORD writeCursor) override;
    HRESULT WINAPI GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten) override;
    HRESULT WINAPI GetVolume(LPLONG volume) override;
    HRESULT WINAPI GetPan(LPLONG pan) override;
    HRESULT WINAPI GetFrequency(LPDWORD frequency) override;
    HRESULT WINAPI GetStatus(LPDWORD status) override;
    HRESULT WINAPI Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, LPDWORD audioBytes1, LPVOID* audioPtr2,
                        LPDWORD audioBytes2, DWORD flags) override;
    HRESULT WINAPI Play(DWORD reserved, DWORD priority, DWORD flags) override;
    HRESULT WINAPI SetCurrentPosition(DWORD newPosition) override;
    HRESULT WINAPI SetFormat(LPCWAVEFORMATEX format) override;
    HRESULT WINAPI SetVolume(LONG volume) override;
    HRESULT WINAPI SetPan(LONG pan) override;
    HRESULT WINAPI SetFrequency(DWORD frequency) override;
    HRESULT WINAPI Stop() override;
    HRESULT WINAPI Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2, DWORD audioBytes2) override;

private:
    SoundBuffer(Device* device, DWORD flags, const WAVEFORMATEX& format);
    ~SoundBuffer() override;
    DWORD Size() const;
    bool Holds(const void* pointer, DWORD bytes) const;

    // A control exists only on a secondary buffer made with its DSBCAPS_CTRL flag.
    template <typename T, typename Read> HRESULT ReadControl(T* out, DWORD flag, Read read) const
    {
        if (!out)
            return DSERR_INVALIDPARAM;
        if (!mVoice || !(mFlags & flag))
            return DSERR_CONTROLUNAVAIL;
        *out = read(*mVoice);
        return DS_OK;
    }
    template <typename Write> HRESULT WriteControl(DWORD flag, bool valid, Write write)
    {
        if (!mVoice || !(mFlags & flag))
            return DSERR_CONTROLUNAVAIL;
        if (!valid)
            return DSERR_INVALIDPARAM;
        write(*mVoice);
        return DS_OK;
    }

    Device* mDevice; // holds a reference, so the device outlives its buffers
    DWORD mFlags;
    WAVEFORMATEX mFormat;
    std::shared_ptr<LumoAudio::Voice> mVoice; // null for the primary buffer
    std::atomic<int> mLocks{0};
    bool mPrimaryPlaying = false;
};
} // namespace DSound
