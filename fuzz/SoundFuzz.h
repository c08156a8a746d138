// The sound readers under a fuzzer: one manager over the layer's DirectSound (dummy output),
// each input written to a file and read into one id.
#pragma once

#include "FuzzFile.h"
#include "media/AudioHost.h"
#include "media/DSoundManager.h"

#include <cstdlib>

inline Lumo::DSoundManager& FuzzSoundManager()
{
    static Lumo::DSoundManager* manager = []
    {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        Lumo::gDSoundDLL = LoadLibraryA("dsound.dll");
        auto* made = new Lumo::DSoundManager(reinterpret_cast<HWND>(uintptr_t(1)), false);
        if (!made->Initialized())
            std::abort(); // without buffers the readers would stop before the data
        return made;
    }();
    return *manager;
}

inline void FuzzSoundReader(const char* name, const uint8_t* data, size_t size,
                            bool (Lumo::DSoundManager::*reader)(unsigned int, const std::string&))
{
    ReadThroughFile(name, data, size,
                    [reader](const std::string& path)
                    {
                        Lumo::DSoundManager& manager = FuzzSoundManager();
                        (manager.*reader)(0, path);
                        manager.ReleaseSound(0);
                    });
}
