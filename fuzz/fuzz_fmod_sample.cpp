// Any bytes as a sound effect loaded through the fmod stand-in (seeded with MP3 files, as the
// game's effects are): a sample is refused or holds whole frames of its stated layout, and
// plays through the mixer.
#include "FuzzFile.h"
#include "audio/Mixer.h"
#include "fmod/fmod.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = []
    {
        // No sound card needed; the mixer is driven by hand below.
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        LumoAudio::Mixer::Instance().SetManual(true);
        return FSOUND_Init(44100, 4, 0) != FALSE;
    }();
    if (!ready)
        std::abort();
    ReadThroughFile(
        "effect.mp3", data, size,
        [](const std::string& path)
        {
            FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_LOOP_OFF, 0);
            if (!sample)
                return;
            const unsigned int mode = FSOUND_Sample_GetMode(sample);
            const unsigned int frames = FSOUND_Sample_GetLength(sample);
            const unsigned int frameBytes = (mode & FSOUND_STEREO) ? 4 : 2;
            void* bytes = nullptr;
            unsigned int locked = 0;
            if (frames == 0 || !(mode & FSOUND_16BITS) ||
                !FSOUND_Sample_Lock(sample, 0, int(frames * frameBytes), &bytes, nullptr, &locked, nullptr) ||
                locked != frames * frameBytes)
                std::abort();
            FSOUND_Sample_Unlock(sample, bytes, nullptr, locked, 0);
            if (FSOUND_PlaySound(FSOUND_FREE, sample) < 0)
                std::abort();
            int16_t out[2 * 512];
            LumoAudio::Mixer::Instance().Render(out, 512);
            FSOUND_Sample_Free(sample);
        });
    return 0;
}
