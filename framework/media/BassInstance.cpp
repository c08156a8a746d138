#include "media/BassInstance.h"
#include "media/AudioHost.h"

#include <cstdio>
#include <mutex>

namespace Lumo
{

namespace
{
std::mutex gBassLock;
BASS_INSTANCE* gBassInstance = nullptr;
LONG gBassReferences = 0;

template <typename Fn> bool Find(HMODULE module, const char* name, Fn& entry)
{
    entry = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return entry != nullptr;
}

void Fatal(const char* text)
{
    AudioFatalError(text, "Error", MB_OK | MB_ICONERROR);
}
} // namespace

BASS_INSTANCE::BASS_INSTANCE(const char* dllName)
{
    mModule = LoadLibraryA(dllName);
    if (!mModule)
    {
        Fatal("Can't find bass.dll.");
        return;
    }
    const char* missing = nullptr;
    auto require = [&](const char* name, auto& entry)
    {
        if (!Find(mModule, name, entry) && !missing)
            missing = name;
    };
    require("BASS_Init", BASS_InitV1);
    Find(mModule, "BASS_Init", BASS_InitV2);
    require("BASS_Free", BASS_Free);
    require("BASS_Stop", BASS_Stop);
    require("BASS_Start", BASS_Start);
    Find(mModule, "BASS_SetGlobalVolumes", BASS_SetGlobalVolumes);
    Find(mModule, "BASS_SetVolume", BASS_SetVolume);
    isVersion2 = Find(mModule, "BASS_SetConfig", BASS_SetConfig);
    require("BASS_MusicSetAmplify", BASS_MusicSetAmplify);
    require("BASS_ChannelStop", BASS_ChannelStop);
    require("BASS_ChannelPause", BASS_ChannelPause);
    require("BASS_ChannelResume", BASS_ChannelResume);
    require("BASS_ChannelSetAttributes", BASS_ChannelSetAttributes);
    require("BASS_ChannelSetPosition", BASS_ChannelSetPosition);
    require("BASS_ChannelIsActive", BASS_ChannelIsActive);
    require("BASS_MusicLoad", BASS_MusicLoadV1);
    Find(mModule, "BASS_MusicLoad", BASS_MusicLoadV2);
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
        Fatal(text);
        return;
    }
    if (!BASS_SetGlobalVolumes && !BASS_SetVolume)
    {
        Fatal("Neither BASS_SetGlobalVolumes or BASS_SetVolume found in bass.dll");
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
    std::lock_guard<std::mutex> lock(gBassLock);
    if (!gBassInstance)
    {
        gBassInstance = new BASS_INSTANCE("bass.dll");
        if (!gBassInstance->IsLoaded())
        {
            delete gBassInstance;
            gBassInstance = nullptr;
            return nullptr;
        }
    }
    InterlockedIncrement(&gBassReferences);
    return gBassInstance;
}

void ReleaseBassInstance()
{
    std::lock_guard<std::mutex> lock(gBassLock);
    if (gBassReferences > 0 && InterlockedDecrement(&gBassReferences) < 1)
    {
        delete gBassInstance;
        gBassInstance = nullptr;
    }
}

void SetBassInstance(BASS_INSTANCE* instance)
{
    std::lock_guard<std::mutex> lock(gBassLock);
    if (gBassReferences == 0)
    {
        delete gBassInstance;
        gBassInstance = instance;
    }
    else
        delete instance; // the library in use stays
}

} // namespace Lumo
