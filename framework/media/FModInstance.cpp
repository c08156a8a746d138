#include "media/FModInstance.h"
#include "media/ClosedLibrary.h"

#include <cstdio>

namespace Lumo
{

namespace
{
SharedLibrary<FMOD_INSTANCE> gFModInstance("fmod.dll");
} // namespace

FMOD_INSTANCE::FMOD_INSTANCE(const char* dllName)
{
    mModule = LoadLibraryA(dllName);
    if (!mModule)
    {
        LibraryFatalError("Can't find fmod.dll.");
        return;
    }
    // Every one is required; the first missing one is named.
    const char* missing = nullptr;
    auto require = [&](const char* name, auto& entry)
    {
        if (!FindEntryPoint(mModule, name, entry) && !missing)
            missing = name;
    };
    require("_FSOUND_SetBufferSize@4", FSOUND_SetBufferSize);
    require("_FSOUND_SetHWND@4", FSOUND_SetHWND);
    require("_FSOUND_Init@12", FSOUND_Init);
    require("_FSOUND_Close@0", FSOUND_Close);
    require("_FSOUND_Sample_Load@16", FSOUND_Sample_Load);
    require("_FSOUND_Sample_Alloc@28", FSOUND_Sample_Alloc);
    require("_FSOUND_Sample_Free@4", FSOUND_Sample_Free);
    require("_FSOUND_Sample_Lock@28", FSOUND_Sample_Lock);
    require("_FSOUND_Sample_Unlock@20", FSOUND_Sample_Unlock);
    require("_FSOUND_Sample_SetLoopPoints@12", FSOUND_Sample_SetLoopPoints);
    require("_FSOUND_Sample_GetLength@4", FSOUND_Sample_GetLength);
    require("_FSOUND_Sample_GetDefaults@20", FSOUND_Sample_GetDefaults);
    require("_FSOUND_Sample_GetMode@4", FSOUND_Sample_GetMode);
    require("_FSOUND_PlaySound@8", FSOUND_PlaySound);
    require("_FSOUND_StopSound@4", FSOUND_StopSound);
    require("_FSOUND_SetVolume@8", FSOUND_SetVolume);
    require("_FSOUND_SetPaused@8", FSOUND_SetPaused);
    require("_FSOUND_SetLoopMode@8", FSOUND_SetLoopMode);
    require("_FSOUND_IsPlaying@4", FSOUND_IsPlaying);
    require("_FSOUND_Stream_OpenFile@12", FSOUND_Stream_OpenFile);
    require("_FSOUND_Stream_Close@4", FSOUND_Stream_Close);
    require("_FSOUND_Stream_Play@8", FSOUND_Stream_Play);
    require("_FMUSIC_LoadSong@4", FMUSIC_LoadSong);
    require("_FMUSIC_PlaySong@4", FMUSIC_PlaySong);
    require("_FMUSIC_StopSong@4", FMUSIC_StopSong);
    require("_FMUSIC_SetLooping@8", FMUSIC_SetLooping);
    require("_FMUSIC_SetOrder@8", FMUSIC_SetOrder);
    require("_FMUSIC_SetPaused@8", FMUSIC_SetPaused);
    require("_FMUSIC_SetMasterVolume@8", FMUSIC_SetMasterVolume);
    require("_FMUSIC_IsPlaying@4", FMUSIC_IsPlaying);
    if (missing)
    {
        char text[256];
        std::snprintf(text, sizeof(text), "\"%s\" function not found in fmod.dll", missing);
        LibraryFatalError(text);
        return;
    }
    mLoaded = true;
}

FMOD_INSTANCE::~FMOD_INSTANCE()
{
    if (mModule)
        FreeLibrary(mModule);
}

FModSampleFormat SampleFormatOf(const FMOD_INSTANCE& fmod, FSOUND_SAMPLE* sample)
{
    FModSampleFormat format;
    format.mode = fmod.FSOUND_Sample_GetMode(sample);
    format.channels = format.mode & FSOUND_MONO ? 1 : 2;
    format.bits = format.mode & FSOUND_8BITS ? 8 : 16;
    fmod.FSOUND_Sample_GetDefaults(sample, &format.frequency, nullptr, nullptr, nullptr);
    format.frames = fmod.FSOUND_Sample_GetLength(sample);
    return format;
}

FMOD_INSTANCE* AcquireFModInstance()
{
    return gFModInstance.Acquire();
}

void ReleaseFModInstance()
{
    gFModInstance.Release();
}

void SetFModInstance(FMOD_INSTANCE* instance)
{
    gFModInstance.Set(instance);
}

} // namespace Lumo
