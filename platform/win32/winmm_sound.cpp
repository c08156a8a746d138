// PlaySoundA over the shared mixer: one voice at a time, decoded from a WAV file.
#include "audio/Mixer.h"
#include "win32/windows.h"

#include <SDL.h>

#include <cstring>
#include <memory>
#include <mutex>

namespace
{
std::mutex gSoundLock;
std::shared_ptr<LumoAudio::Voice> gCurrent;

void StopCurrent()
{
    if (gCurrent)
    {
        gCurrent->Stop();
        LumoAudio::Mixer::Instance().Remove(gCurrent.get());
        gCurrent.reset();
    }
}

// The file's samples in a layout the mixer plays; null when it is no 8/16-bit PCM WAV.
std::shared_ptr<LumoAudio::Voice> LoadWave(const std::string& path)
{
    SDL_AudioSpec layout{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(path.c_str(), &layout, &buffer, &length) == nullptr)
        return nullptr;
    LumoAudio::PcmFormat format;
    format.rate = uint32_t(layout.freq);
    format.channels = layout.channels;
    format.bits = layout.format == AUDIO_U8 ? 8 : layout.format == AUDIO_S16LSB ? 16 : 0;
    std::shared_ptr<LumoAudio::Voice> voice;
    if (format.IsValid() && length >= format.BlockAlign())
    {
        auto data =
            std::make_shared<std::vector<uint8_t>>(buffer, buffer + length - length % format.BlockAlign());
        voice = LumoAudio::Voice::FromPcm(format, data);
    }
    SDL_FreeWAV(buffer);
    return voice;
}
} // namespace

BOOL WINAPI PlaySoundA(LPCSTR sound, HMODULE, DWORD flags)
{
    std::lock_guard<std::mutex> guard(gSoundLock);
    if (sound == nullptr)
    {
        StopCurrent();
        return TRUE;
    }
    // Only files are known: there are no sound resources or registered system sounds.
    if (!(flags & SND_FILENAME) || !LumoAudio::Mixer::Instance().HasDevice())
        return FALSE;
    if ((flags & SND_NOSTOP) && gCurrent && gCurrent->IsPlaying())
        return FALSE;
    std::shared_ptr<LumoAudio::Voice> voice = LoadWave(Platform::HostPath(sound));
    if (!voice)
        return FALSE;
    StopCurrent();
    gCurrent = voice;
    LumoAudio::Mixer::Instance().Add(voice);
    voice->Play((flags & SND_LOOP) != 0);
    return TRUE;
}
