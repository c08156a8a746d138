// Ogg Vorbis sound effects, decoded whole on loading, as the sound manager reads them.
#include "SoundFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSoundReader("sound.ogg", data, size, &Lumo::DSoundManager::LoadOGGSound);
    return 0;
}
