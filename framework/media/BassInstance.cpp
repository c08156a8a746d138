#include "media/BassInstance.h"
#include "media/ClosedLibrary.h"

#include <cstdio>

namespace Lumo
{

namespace
{
SharedLibrary<BASS_INSTANCE> gBassInstance("bass.dll");
} // namespace

BASS_INSTANCE::BASS_INSTANCE(const char* dllName)
{
    mModule = LoadLibraryA(dllName);
    if (!mModule)
    {
        LibraryFatalError("Can't find bass.dll.");
        return;
    }
    const char* missing = nullptr;
    auto require = [&](const char* name, auto& entry)
    {
        if (!FindEntryPoint(mModule, name, entry) && !missing)
            missing = name;
    };
    require("BASS_Init", BASS_InitV1);
    FindEntryPoint(mModule, "BASS_Init", BASS_InitV2);
    require("BASS_Free", BASS_Free);
    require("BASS_Stop", BASS_Stop);
    require("BASS_Start", BASS_Start);
    FindEntryPoint(mModule, "BASS_SetGlobalVolumes", BASS_SetGlobalVolumes);
    FindEntryPoint(mModule, "BASS_SetVolume", BASS_SetVolume);
    isVersion2 = FindEntryPoint(mModule, "BASS_SetConfig", BASS_SetConfig);
    require("BASS_MusicSetAmplify", BASS_MusicSetAmplify);
    require("BASS_ChannelStop", BASS_ChannelStop);
    require("BASS_ChannelPause", BASS_ChannelPause);
    require("BASS_ChannelResume", BASS_ChannelResume);
    require("BASS_ChannelSetAttributes", BASS_ChannelSetAttributes);
    require("BASS_ChannelSetPosition", BASS_ChannelSetPosition);
    require("BASS_ChannelIsActive", BASS_ChannelIsActive);
    require("BASS_MusicLoad", BASS_MusicLoadV1);
    FindEntryPoint(mModule, "BASS_MusicLoad", BASS_MusicLoadV2);
    require("BASS_MusicPlay", BASS_MusicPlay);
    require("BASS_MusicPlayEx", BASS_MusicPlayEx);
    require("BASS_MusicFree", BASS_MusicFree);
    require("BASS_StreamCreateFile", BASS_StreamCreateFile);
    require("BASS_StreamFree", BASS_StreamFree);
    require("BASS_StreamPlay", BASS_StreamPlay);
    if (missing)
    {
        char text[256];
        std::snprintf(text, sizeof(text), "%s function not found in bass.dll", missing);
        LibraryFatalError(text);
        return;
    }
    if (!BASS_SetGlobalVolumes && !BASS_SetVolume)
    {
        LibraryFatalError("Neither BASS_SetGlobalVolumes or BASS_SetVolume found in bass.dll");
        return;
    }
    mLoaded = true;
}

BASS_INSTANCE::~BASS_INSTANCE()
{
    if (mModule)
        FreeLibrary(mModule);
}

BASS_INSTANCE* AcquireBassInstance()
{
    return gBassInstance.Acquire();
}

void ReleaseBassInstance()
{
    gBassInstance.Release();
}

void SetBassInstance(BASS_INSTANCE* instance)
{
    gBassInstance.Set(instance);
}

} // namespace Lumo
