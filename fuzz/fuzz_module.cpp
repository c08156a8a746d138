// Tracker modules as the music stand-ins load them: read whole, rendered, moved between orders.
#include "audio/decode/ModulePlayer.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<LumoAudio::ModulePlayer> module = LumoAudio::ModulePlayer::FromMemory(data, size);
    if (!module)
        return 0;
    int16_t frames[2 * 1024];
    module->SetLooping(true);
    // Bounded: a module loops forever, and may claim to be hours long.
    for (int i = 0; i < 16 && module->Read(frames, 1024) > 0; i++)
    {
    }
    for (int order : {module->OrderCount() - 1, 0, -1, module->OrderCount()})
        if (module->SetOrder(order))
            module->Read(frames, 1024);
    module->SetLooping(false);
    module->SetGain(-600);
    if (module->Seek(module->Length() / 2))
        module->Read(frames, 1024);
    return 0;
}
