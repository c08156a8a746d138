// A seam for tests and measurements: a sound file that is slow or stuck to read, as on a busy
// or network disk. While a hook is set, files the decoders open from then on call it before
// every read they make from the disk. One hook per process: this library is shared.
#pragma once

#include "audio/Mixer.h"

namespace LumoAudio
{
using ReadHook = void (*)();

LUMO_AUDIO_API void SetReadHook(ReadHook hook);
LUMO_AUDIO_API ReadHook CurrentReadHook();
} // namespace LumoAudio
