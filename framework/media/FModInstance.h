// fmod.dll, loaded by name at run time with each entry point looked up by its decorated name.
// One process-wide instance, shared by the sound manager and the FMOD music back end.
#pragma once

#include "win32/windows.h"

#include <cstdint>

namespace Lumo
{

struct FSOUND_SAMPLE;
struct FSOUND_STREAM;
struct FMUSIC_MODULE;

// Mode bits of samples.
constexpr unsigned int FSOUND_LOOP_OFF = 0x01;
constexpr unsigned int FSOUND_LOOP_NORMAL = 0x02;
constexpr unsigned int FSOUND_8BITS = 0x08;
constexpr unsigned int FSOUND_MONO = 0x20;

struct FMOD_INSTANCE
{
    typedef BOOL (*SetBufferSizeFn)(int milliseconds);
    typedef BOOL (*SetHWNDFn)(void* window);
    typedef BOOL (*InitFn)(int mixRate, int maxChannels, unsigned int flags);
    typedef void (*CloseFn)();
    typedef FSOUND_SAMPLE* (*SampleLoadFn)(int index, const char* name, unsigned int mode, int length);
    typedef FSOUND_SAMPLE* (*SampleAllocFn)(int index, int length, unsigned int mode, int frequency,
                                            int volume, int pan, int priority);
    typedef BOOL (*SampleFn)(FSOUND_SAMPLE* sample);
    typedef BOOL (*SampleLockFn)(FSOUND_SAMPLE* sample, int offset, int length, void** data1, void** data2,
                                 unsigned int* length1, unsigned int* length2);
    typedef BOOL (*SampleUnlockFn)(FSOUND_SAMPLE* sample, void* data1, void* data2, unsigned int length1,
                                   unsigned int length2);
    typedef BOOL (*SampleSetLoopPointsFn)(FSOUND_SAMPLE* sample, int loopStart, int loopEnd);
    typedef unsigned int (*SampleGetFn)(FSOUND_SAMPLE* sample);
    typedef BOOL (*SampleGetDefaultsFn)(FSOUND_SAMPLE* sample, int* frequency, int* volume, int* pan,
                                        int* priority);
    typedef int (*PlaySoundFn)(int channel, FSOUND_SAMPLE* sample);
    typedef BOOL (*ChannelFn)(int channel);
    typedef BOOL (*ChannelValueFn)(int channel, int value);
    typedef BOOL (*SetLoopModeFn)(int channel, unsigned int loopMode);
    typedef FSOUND_STREAM* (*StreamOpenFileFn)(const char* name, unsigned int mode, int length);
    typedef BOOL (*StreamCloseFn)(FSOUND_STREAM* stream);
    typedef int (*StreamPlayFn)(int channel, FSOUND_STREAM* stream);
    typedef FMUSIC_MODULE* (*LoadSongFn)(const char* name);
    typedef BOOL (*SongFn)(FMUSIC_MODULE* module);
    typedef BOOL (*SongValueFn)(FMUSIC_MODULE* module, int value);
    typedef BOOL (*SetLoopingFn)(FMUSIC_MODULE* module, unsigned int looping);

    // An empty table, for a caller that fills it itself.
    FMOD_INSTANCE() = default;
    // Loads the library and looks every entry point up. A missing library or entry point
    // takes the fatal path; when that returns, IsLoaded is false.
    explicit FMOD_INSTANCE(const char* dllName);
    virtual ~FMOD_INSTANCE();
    FMOD_INSTANCE(const FMOD_INSTANCE&) = delete;
    FMOD_INSTANCE& operator=(const FMOD_INSTANCE&) = delete;

    bool IsLoaded() const { return mLoaded; }

    HMODULE mModule = nullptr;
    bool mLoaded = false;
    SetBufferSizeFn FSOUND_SetBufferSize = nullptr;
    SetHWNDFn FSOUND_SetHWND = nullptr;
    InitFn FSOUND_Init = nullptr;
    CloseFn FSOUND_Close = nullptr;
    SampleLoadFn FSOUND_Sample_Load = nullptr;
    SampleAllocFn FSOUND_Sample_Alloc = nullptr;
    SampleFn FSOUND_Sample_Free = nullptr;
    SampleLockFn FSOUND_Sample_Lock = nullptr;
    SampleUnlockFn FSOUND_Sample_Unlock = nullptr;
    SampleSetLoopPointsFn FSOUND_Sample_SetLoopPoints = nullptr;
    SampleGetFn FSOUND_Sample_GetLength = nullptr;
    SampleGetDefaultsFn FSOUND_Sample_GetDefaults = nullptr;
    SampleGetFn FSOUND_Sample_GetMode = nullptr;
    PlaySoundFn FSOUND_PlaySound = nullptr;
    ChannelFn FSOUND_StopSound = nullptr;
    ChannelValueFn FSOUND_SetVolume = nullptr;
    ChannelValueFn FSOUND_SetPaused = nullptr;
    SetLoopModeFn FSOUND_SetLoopMode = nullptr;
    ChannelFn FSOUND_IsPlaying = nullptr;
    StreamOpenFileFn FSOUND_Stream_OpenFile = nullptr; // looked up, never called
    StreamCloseFn FSOUND_Stream_Close = nullptr;
    StreamPlayFn FSOUND_Stream_Play = nullptr;
    LoadSongFn FMUSIC_LoadSong = nullptr;
    SongFn FMUSIC_PlaySong = nullptr;
    SongFn FMUSIC_StopSong = nullptr;
    SetLoopingFn FMUSIC_SetLooping = nullptr;
    SongValueFn FMUSIC_SetOrder = nullptr;
    SongValueFn FMUSIC_SetPaused = nullptr;
    SongValueFn FMUSIC_SetMasterVolume = nullptr;
    SongFn FMUSIC_IsPlaying = nullptr;
};

// A sample's PCM layout, from its mode bits and its defaults.
struct FModSampleFormat
{
    unsigned int mode = 0;
    uint16_t channels = 2; // 1 with FSOUND_MONO
    uint16_t bits = 16;    // 8 with FSOUND_8BITS
    int frequency = 0;
    unsigned int frames = 0;

    unsigned int BlockAlign() const { return channels * bits / 8u; }
    uint64_t Bytes() const { return uint64_t(frames) * BlockAlign(); }
};
FModSampleFormat SampleFormatOf(const FMOD_INSTANCE& fmod, FSOUND_SAMPLE* sample);

// The process-wide instance: the first acquire loads "fmod.dll", the last release unloads it.
// Null only when the fatal path for a missing library returned.
FMOD_INSTANCE* AcquireFModInstance();
void ReleaseFModInstance();
// Puts a ready instance in place of the library for the next first acquire (a recording table
// in tests); the last release deletes it.
void SetFModInstance(FMOD_INSTANCE* instance);

} // namespace Lumo
