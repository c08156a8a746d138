// Any bytes as a music or effect file of the stand-ins: the first bytes pick the reader (WAV, Ogg
// or MP3) or refuse the file, and what opens decodes a while and then whole under the samples'
// limit.
#include "FuzzFile.h"
#include "audio/decode/StreamDecoder.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadThroughFile("music", data, size,
                    [](const std::string& path)
                    {
                        LumoAudio::OpenError error = LumoAudio::OpenError::none;
                        auto decoder = LumoAudio::OpenSoundFile(path.c_str(), error);
                        if ((decoder != nullptr) != (error == LumoAudio::OpenError::none) ||
                            error == LumoAudio::OpenError::noFile)
                            std::abort();
                        if (!decoder)
                            return;
                        int16_t frames[2 * 1024];
                        decoder->Read(frames, 1024);
                        std::vector<uint8_t> whole;
                        if (decoder->Seek(0))
                            LumoAudio::DecodeWhole(*decoder, whole, 1u << 30);
                    });
    return 0;
}
