// Any bytes as a "cached_" copy of a music track: taken only as a whole copy of the layout the
// cache writes, its stated sizes those of the file.
#include "FuzzFile.h"
#include "media/FModMusicInterface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadThroughFile("cached_track.wav", data, size,
                    [size](const std::string& path)
                    {
                        if (Lumo::FModMusicInterface::CacheIsWhole(path) && size < 44)
                            std::abort();
                    });
    return 0;
}
