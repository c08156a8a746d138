// The TGA reader on arbitrary file contents.
#include "FuzzFile.h"
#include "media/ImageLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadThroughFile("pic.tga", data, size,
                    [](const std::string& path) { delete ImageLib::GetTGAImage(path); });
    return 0;
}
