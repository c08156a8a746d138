#include "media/AudioHost.h"
#include "app/LumoAppBase.h"

#include <atomic>
#include <cstdlib>

namespace Lumo
{

HMODULE gDSoundDLL = nullptr;

namespace
{
void ShowAndExit(const char* text, const char* caption, UINT boxType)
{
    if (text)
        MessageBoxA(nullptr, text, caption, boxType);
    std::exit(LumoAppBase::FATAL_EXIT_CODE);
}

std::atomic<AudioFatalHandler> gFatalHandler{&ShowAndExit};
} // namespace

void SetAudioFatalHandler(AudioFatalHandler handler)
{
    gFatalHandler = handler ? handler : &ShowAndExit;
}

void AudioFatalError(const char* text, const char* caption, UINT boxType)
{
    gFatalHandler.load()(text, caption, boxType);
}

} // namespace Lumo
