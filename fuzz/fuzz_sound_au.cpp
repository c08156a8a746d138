// Sun AU sound effects, as the sound manager reads them.
#include "SoundFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSoundReader("sound.au", data, size, &Lumo::DSoundManager::LoadAUSound);
    return 0;
}
