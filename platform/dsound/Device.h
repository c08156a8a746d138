// The DirectSound object: holds the shared mixer's device open while it lives.
#pragma once

#include "dsound/dsound.h"
#include "win32/ComObject.h"

#include <atomic>

namespace DSound
{
class Device final : public ComObject<IDirectSound, IID_IDirectSound>
{
public:
    Device() = default;

    HRESULT WINAPI CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer,
                                     LPUNKNOWN outer) override;
    HRESULT WINAPI DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                        LPDIRECTSOUNDBUFFER* duplicate) override;
    HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD level) override;

    DWORD CooperativeLevel() const { return mLevel.load(); }

private:
    ~Device() override;
    std::atomic<DWORD> mLevel{0};
};
} // namespace DSound
