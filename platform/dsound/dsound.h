// Our DirectSound: sound buffers mixed in software into the process's one audio device.
#pragma once

#include "win32/types.h"
#include "win32/unknwn.h"
#include "win32/mmreg.h"

// ---- results ----------------------------------------------------------------------------------
#define DS_OK S_OK
#define DSERR_ALLOCATED LUMO_HRESULT(0x8878000Au)
#define DSERR_CONTROLUNAVAIL LUMO_HRESULT(0x8878001Eu)
#define DSERR_INVALIDPARAM E_INVALIDARG
#define DSERR_INVALIDCALL LUMO_HRESULT(0x88780032u)
#define DSERR_GENERIC E_FAIL
#define DSERR_PRIOLEVELNEEDED LUMO_HRESULT(0x88780046u)
#define DSERR_OUTOFMEMORY E_OUTOFMEMORY
#define DSERR_BADFORMAT LUMO_HRESULT(0x88780064u)
#define DSERR_UNSUPPORTED E_NOTIMPL
#define DSERR_NODRIVER LUMO_HRESULT(0x88780078u)
#define DSERR_ALREADYINITIALIZED LUMO_HRESULT(0x88780082u)
#define DSERR_NOAGGREGATION LUMO_HRESULT(0x80040110u)
#define DSERR_BUFFERLOST LUMO_HRESULT(0x88780096u)
#define DSERR_OTHERAPPHASPRIO LUMO_HRESULT(0x887800A0u)
#define DSERR_UNINITIALIZED LUMO_HRESULT(0x887800AAu)
#define DSERR_NOINTERFACE E_NOINTERFACE

// ---- cooperative levels -----------------------------------------------------------------------
#define DSSCL_NORMAL 0x00000001
#define DSSCL_PRIORITY 0x00000002
#define DSSCL_EXCLUSIVE 0x00000003
#define DSSCL_WRITEPRIMARY 0x00000004

// ---- buffer capabilities ----------------------------------------------------------------------
#define DSBCAPS_PRIMARYBUFFER 0x00000001
#define DSBCAPS_STATIC 0x00000002
#define DSBCAPS_LOCHARDWARE 0x00000004
#define DSBCAPS_LOCSOFTWARE 0x00000008
#define DSBCAPS_CTRL3D 0x00000010
#define DSBCAPS_CTRLFREQUENCY 0x00000020
#define DSBCAPS_CTRLPAN 0x00000040
#define DSBCAPS_CTRLVOLUME 0x00000080
#define DSBCAPS_CTRLPOSITIONNOTIFY 0x00000100
#define DSBCAPS_STICKYFOCUS 0x00004000
#define DSBCAPS_GLOBALFOCUS 0x00008000
#define DSBCAPS_GETCURRENTPOSITION2 0x00010000
#define DSBCAPS_MUTE3DATMAXDISTANCE 0x00020000
#define DSBCAPS_LOCDEFER 0x00040000

// ---- play, status, lock -----------------------------------------------------------------------
#define DSBPLAY_LOOPING 0x00000001
#define DSBSTATUS_PLAYING 0x00000001
#define DSBSTATUS_BUFFERLOST 0x00000002
#define DSBSTATUS_LOOPING 0x00000004
#define DSBLOCK_FROMWRITECURSOR 0x00000001
#define DSBLOCK_ENTIREBUFFER 0x00000002

// ---- control ranges ---------------------------------------------------------------------------
#define DSBFREQUENCY_ORIGINAL 0
#define DSBFREQUENCY_MIN 100
#define DSBFREQUENCY_MAX 100000
#define DSBPAN_LEFT -10000
#define DSBPAN_CENTER 0
#define DSBPAN_RIGHT 10000
#define DSBVOLUME_MIN -10000
#define DSBVOLUME_MAX 0
#define DSBSIZE_MIN 4
#define DSBSIZE_MAX 0x0FFFFFFF

// Laid out as the 32-bit original (20 bytes there), which callers pass as the size.
typedef struct _DSBUFFERDESC
{
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    LPWAVEFORMATEX lpwfxFormat;
} DSBUFFERDESC, *LPDSBUFFERDESC;
typedef const DSBUFFERDESC* LPCDSBUFFERDESC;
#define DSBUFFERDESC_SIZE_32BIT 20

inline constexpr GUID IID_IDirectSound = {
    0x279AFA83, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr GUID IID_IDirectSoundBuffer = {
    0x279AFA85, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
typedef const GUID* LPCGUID;

struct IDirectSoundBuffer : IUnknown
{
    virtual HRESULT WINAPI GetCurrentPosition(LPDWORD playCursor, LPDWORD writeCursor) = 0;
    virtual HRESULT WINAPI GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten) = 0;
    virtual HRESULT WINAPI GetVolume(LPLONG volume) = 0;
    virtual HRESULT WINAPI GetPan(LPLONG pan) = 0;
    virtual HRESULT WINAPI GetFrequency(LPDWORD frequency) = 0;
    virtual HRESULT WINAPI GetStatus(LPDWORD status) = 0;
    virtual HRESULT WINAPI Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, LPDWORD audioBytes1,
                                LPVOID* audioPtr2, LPDWORD audioBytes2, DWORD flags) = 0;
    virtual HRESULT WINAPI Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
    virtual HRESULT WINAPI SetCurrentPosition(DWORD newPosition) = 0;
    virtual HRESULT WINAPI SetFormat(LPCWAVEFORMATEX format) = 0;
    virtual HRESULT WINAPI SetVolume(LONG volume) = 0;
    virtual HRESULT WINAPI SetPan(LONG pan) = 0;
    virtual HRESULT WINAPI SetFrequency(DWORD frequency) = 0;
    virtual HRESULT WINAPI Stop() = 0;
    virtual HRESULT WINAPI Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2,
                                  DWORD audioBytes2) = 0;

protected:
    ~IDirectSoundBuffer() = default;
};
typedef IDirectSoundBuffer* LPDIRECTSOUNDBUFFER;

struct IDirectSound : IUnknown
{
    virtual HRESULT WINAPI CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer,
                                             LPUNKNOWN outer) = 0;
    virtual HRESULT WINAPI DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                                LPDIRECTSOUNDBUFFER* duplicate) = 0;
    virtual HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD level) = 0;

protected:
    ~IDirectSound() = default;
};
typedef IDirectSound* LPDIRECTSOUND;

extern "C" HRESULT WINAPI DirectSoundCreate(LPCGUID device, LPDIRECTSOUND* directSound, LPUNKNOWN outer);
typedef HRESULT(WINAPI* LPDIRECTSOUNDCREATE)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);

namespace Platform
{
// Makes "dsound.dll" known to LoadLibraryA with its one looked-up entry point.
void RegisterDSoundModule();
} // namespace Platform
