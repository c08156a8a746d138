// A seam for tests and measurements: sound files that are slow or stuck to read, as on a busy
// or network disk. While a hook is set, the decoders call it before every read they make from
// the disk. One hook per process: this library is shared.
#pragma once

#include "audio/Mixer.h"

namespace LumoAudio
{
using ReadHook = void (*)();

LUMO_AUDIO_API void SetReadHook(ReadHook hook);
LUMO_AUDIO_API ReadHook CurrentReadHook();
} // namespace LumoAudio
