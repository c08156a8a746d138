// Tracker modules as the music stand-ins load them: read whole from their file, rendered, moved
// between orders.
#include "FuzzFile.h"
#include "audio/decode/ModulePlayer.h"

#include <cstdint>

namespace
{
void Play(const std::string& path)
{
    LumoAudio::OpenError error = LumoAudio::OpenError::none;
    std::unique_ptr<LumoAudio::ModulePlayer> module = LumoAudio::ModulePlayer::Open(path.c_str(), error);
    if (!module)
        return;
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
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadThroughFile("song.mod", data, size, &Play);
    return 0;
}
