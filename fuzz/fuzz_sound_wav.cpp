// WAV sound effects and the converted-sound cache files, as the sound manager reads them.
#include "SoundFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSoundReader("sound.wav", data, size, &Lumo::DSoundManager::LoadWAVSound);
    return 0;
}
