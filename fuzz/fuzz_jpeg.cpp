// The JPEG reader on arbitrary file contents.
#include "FuzzFile.h"
#include "media/ImageLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadThroughFile("pic.jpg", data, size,
                    [](const std::string& path) { delete ImageLib::GetJPEGImage(path); });
    return 0;
}
