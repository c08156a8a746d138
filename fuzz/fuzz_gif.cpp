// The GIF reader on arbitrary file contents.
#include "FuzzFile.h"
#include "media/ImageLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadThroughFile("pic.gif", data, size,
                    [](const std::string& path) { delete ImageLib::GetGIFImage(path); });
    return 0;
}
