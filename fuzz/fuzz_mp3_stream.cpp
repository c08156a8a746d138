// MP3 files read by the music stand-ins while they play, and decoded whole as samples.
#include "stream_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzStream(data, size, &LumoAudio::OpenMp3Stream);
    return 0;
}
