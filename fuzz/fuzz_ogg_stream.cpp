// Ogg Vorbis files read by the music stand-ins while they play.
#include "stream_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzStream(data, size, &LumoAudio::OpenOggStream);
    return 0;
}
