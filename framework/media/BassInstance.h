// bass.dll, loaded by name at run time with every entry point looked up by name. One
// process-wide instance, shared by reference count.
#pragma once

#include "win32/windows.h"

#include <cstdint>

namespace Lumo
{

typedef uint64_t BASS_QWORD;

struct BASS_INSTANCE
{
    // Version 1 argument lists, picked when the library has no BASS_SetConfig.
    typedef BOOL (*InitV1Fn)(int device, DWORD freq, DWORD flags, HWND window);
    typedef BOOL (*InitV2Fn)(int device, DWORD freq, DWORD flags, HWND window, const GUID* clsid);
    typedef DWORD (*MusicLoadV1Fn)(BOOL memory, const void* file, DWORD offset, DWORD length, DWORD flags);
    typedef DWORD (*MusicLoadV2Fn)(BOOL memory, const void* file, BASS_QWORD offset, DWORD length,
                                   DWORD flags, DWORD freq);
    typedef BOOL (*VoidFn)();
    typedef BOOL (*HandleFn)(DWORD handle);
    typedef BOOL (*GlobalVolumesFn)(int music, int sample, int stream);
    typedef BOOL (*SetVolumeFn)(DWORD volume);
    typedef DWORD (*SetConfigFn)(DWORD option, DWORD value);
    typedef BOOL (*AmplifyFn)(DWORD handle, DWORD amplify);
    typedef BOOL (*SetAttributesFn)(DWORD handle, int freq, int volume, int pan);
    typedef BOOL (*SetPositionFn)(DWORD handle, BASS_QWORD position);
    typedef DWORD (*IsActiveFn)(DWORD handle);
    typedef BOOL (*MusicPlayExFn)(DWORD handle, DWORD position, int flags, BOOL reset);
    typedef DWORD (*StreamCreateFileFn)(BOOL memory, const void* file, BASS_QWORD offset, BASS_QWORD length,
                                        DWORD flags);
    typedef BOOL (*StreamPlayFn)(DWORD handle, BOOL flush, DWORD flags);

    // An empty table, for a caller that fills it itself.
    BASS_INSTANCE() = default;
    // Loads the library and looks every entry point up. A missing library or entry point
    // takes the fatal path; when that returns, IsLoaded is false.
    explicit BASS_INSTANCE(const char* dllName);
    virtual ~BASS_INSTANCE();
    BASS_INSTANCE(const BASS_INSTANCE&) = delete;
    BASS_INSTANCE& operator=(const BASS_INSTANCE&) = delete;

    bool IsLoaded() const { return mLoaded; }

    HMODULE mModule = nullptr;
    bool mLoaded = false;
    bool isVersion2 = false;
    InitV1Fn BASS_InitV1 = nullptr; // both set from "BASS_Init"
    InitV2Fn BASS_InitV2 = nullptr;
    VoidFn BASS_Free = nullptr;
    VoidFn BASS_Stop = nullptr;
    VoidFn BASS_Start = nullptr;
    GlobalVolumesFn BASS_SetGlobalVolumes = nullptr;
    SetVolumeFn BASS_SetVolume = nullptr;
    SetConfigFn BASS_SetConfig = nullptr;
    AmplifyFn BASS_MusicSetAmplify = nullptr;
    HandleFn BASS_ChannelStop = nullptr;
    HandleFn BASS_ChannelPause = nullptr;
    HandleFn BASS_ChannelResume = nullptr;
    SetAttributesFn BASS_ChannelSetAttributes = nullptr;
    SetPositionFn BASS_ChannelSetPosition = nullptr;
    IsActiveFn BASS_ChannelIsActive = nullptr;
    MusicLoadV1Fn BASS_MusicLoadV1 = nullptr; // both set from "BASS_MusicLoad"
    MusicLoadV2Fn BASS_MusicLoadV2 = nullptr;
    HandleFn BASS_MusicPlay = nullptr;
    MusicPlayExFn BASS_MusicPlayEx = nullptr;
    HandleFn BASS_MusicFree = nullptr;
    StreamCreateFileFn BASS_StreamCreateFile = nullptr;
    HandleFn BASS_StreamFree = nullptr;
    StreamPlayFn BASS_StreamPlay = nullptr;
};

// The process-wide instance: the first acquire loads "bass.dll", the last release unloads it.
// Null only when the fatal path for a missing library returned.
BASS_INSTANCE* AcquireBassInstance();
void ReleaseBassInstance();
// Puts a ready instance in place of the library for the next first acquire (a recording table
// in tests); the last release deletes it.
void SetBassInstance(BASS_INSTANCE* instance);

} // namespace Lumo
