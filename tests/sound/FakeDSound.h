// A recording dsound.dll for the instance tests: buffers keep their bytes and remember every
// control call, and duplicates can be made to fail with a chosen result.
#pragma once

#include "dsound/dsound.h"
#include "win32/ComObject.h"
#include "win32/kernel32.h"

#include <memory>
#include <string>
#include <vector>

namespace SoundTest
{
struct FakeBufferLog
{
    std::vector<LONG> volumes;
    std::vector<LONG> pans;
    std::vector<DWORD> frequencies;
    std::vector<std::string> calls; // "Play 1", "Stop", "SetCurrentPosition 0"
};

class FakeBuffer final : public ComObject<IDirectSoundBuffer, IID_IDirectSoundBuffer>
{
public:
    FakeBuffer(const WAVEFORMATEX& format, std::shared_ptr<std::vector<uint8_t>> data)
        : mFormat(format), mData(std::move(data)), mLog(std::make_shared<FakeBufferLog>())
    {
    }
    std::shared_ptr<FakeBufferLog> Log() const { return mLog; }
    const WAVEFORMATEX& Format() const { return mFormat; }
    std::shared_ptr<std::vector<uint8_t>> Data() const { return mData; }
    bool playing = false;

    HRESULT WINAPI GetCurrentPosition(LPDWORD, LPDWORD) override { return DS_OK; }
    HRESULT WINAPI GetFormat(LPWAVEFORMATEX format, DWORD size, LPDWORD written) override
    {
        if (written)
            *written = sizeof(WAVEFORMATEX);
        if (format)
            *format = mFormat;
        return DS_OK;
    }
    HRESULT WINAPI GetVolume(LPLONG) override { return DS_OK; }
    HRESULT WINAPI GetPan(LPLONG) override { return DS_OK; }
    HRESULT WINAPI GetFrequency(LPDWORD frequency) override
    {
        *frequency = mFormat.nSamplesPerSec;
        return DS_OK;
    }
    HRESULT WINAPI GetStatus(LPDWORD status) override
    {
        *status = playing ? DSBSTATUS_PLAYING : 0;
        return DS_OK;
    }
    HRESULT WINAPI Lock(DWORD offset, DWORD bytes, LPVOID* p1, LPDWORD n1, LPVOID* p2, LPDWORD n2,
                        DWORD) override
    {
        if (offset + bytes > mData->size())
            return DSERR_INVALIDPARAM;
        *p1 = mData->data() + offset;
        *n1 = bytes;
        return DS_OK;
    }
    HRESULT WINAPI Play(DWORD, DWORD, DWORD flags) override
    {
        mLog->calls.push_back("Play " + std::to_string(flags));
        playing = true;
        return DS_OK;
    }
    HRESULT WINAPI SetCurrentPosition(DWORD position) override
    {
        mLog->calls.push_back("SetCurrentPosition " + std::to_string(position));
        return DS_OK;
    }
    HRESULT WINAPI SetFormat(LPCWAVEFORMATEX) override { return DS_OK; }
    HRESULT WINAPI SetVolume(LONG volume) override
    {
        mLog->volumes.push_back(volume);
        return DS_OK;
    }
    HRESULT WINAPI SetPan(LONG pan) override
    {
        mLog->pans.push_back(pan);
        return DS_OK;
    }
    HRESULT WINAPI SetFrequency(DWORD frequency) override
    {
        mLog->frequencies.push_back(frequency);
        return DS_OK;
    }
    HRESULT WINAPI Stop() override
    {
        mLog->calls.push_back("Stop");
        playing = false;
        return DS_OK;
    }
    HRESULT WINAPI Unlock(LPVOID, DWORD, LPVOID, DWORD) override { return DS_OK; }

private:
    WAVEFORMATEX mFormat;
    std::shared_ptr<std::vector<uint8_t>> mData;
    std::shared_ptr<FakeBufferLog> mLog;
};

struct FakeDSoundState
{
    HRESULT duplicateResult = DS_OK;
    std::vector<FakeBuffer*> duplicates; // every duplicate handed out, newest last (not owned)
};

inline FakeDSoundState& FakeState()
{
    static FakeDSoundState state;
    return state;
}

class FakeDevice final : public ComObject<IDirectSound, IID_IDirectSound>
{
public:
    HRESULT WINAPI CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer, LPUNKNOWN) override
    {
        if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER)
        {
            WAVEFORMATEX none{};
            *buffer = new FakeBuffer(none, std::make_shared<std::vector<uint8_t>>());
            return DS_OK;
        }
        *buffer =
            new FakeBuffer(*desc->lpwfxFormat, std::make_shared<std::vector<uint8_t>>(desc->dwBufferBytes));
        return DS_OK;
    }
    HRESULT WINAPI DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original, LPDIRECTSOUNDBUFFER* duplicate) override
    {
        *duplicate = nullptr;
        if (FAILED(FakeState().duplicateResult))
            return FakeState().duplicateResult;
        FakeBuffer* source = static_cast<FakeBuffer*>(original);
        FakeBuffer* copy = new FakeBuffer(source->Format(), source->Data());
        FakeState().duplicates.push_back(copy);
        *duplicate = copy;
        return DS_OK;
    }
    HRESULT WINAPI SetCooperativeLevel(HWND, DWORD) override { return DS_OK; }
};

inline HRESULT WINAPI FakeDirectSoundCreate(LPCGUID, LPDIRECTSOUND* directSound, LPUNKNOWN)
{
    *directSound = new FakeDevice();
    return DS_OK;
}

// The recording module, loaded by name as the application loads dsound.dll.
inline HMODULE LoadFakeDSound()
{
    static bool registered = false;
    if (!registered)
    {
        Platform::RegisterBuiltinModule(
            "fakedsound.dll", "DirectSoundCreate",
            reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeDirectSoundCreate)));
        registered = true;
    }
    FakeState() = FakeDSoundState{};
    return LoadLibraryA("fakedsound.dll");
}
} // namespace SoundTest
