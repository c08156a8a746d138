// The DirectSound object: holds the shared mixer's device open while it lives.
#pragma once

#include "dsound/dsound.h"

#include <atomic>

namespace DSound
{
class Device final : public IDirectSound
{
public:
    Device() = default;

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override;
    ULONG WINAPI AddRef() override;
    ULONG WINAPI Release() override;
    HRESULT WINAPI CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer,
                                     LPUNKNOWN outer) override;
    HRESULT WINAPI DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                        LPDIRECTSOUNDBUFFER* duplicate) override;
    HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD level) override;

    DWORD CooperativeLevel() const { return mLevel.load(); }

private:
    ~Device();
    std::atomic<ULONG> mRefs{1};
    std::atomic<DWORD> mLevel{0};
};

bool SameGuid(const GUID& a, const GUID& b);
} // namespace DSound
