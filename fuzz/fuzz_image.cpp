// The whole load-by-name path: extension rules, reader order and alpha companions.
#include "FuzzFile.h"
#include "ImageFuzzLayout.h"
#include "media/ImageLib.h"

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzFolder folder;
    static const bool made = std::filesystem::create_directory(folder / "sub.d");
    (void)made;
    if (size == 0)
        return 0;
    ImageFuzzLayout layout = LayoutForSelector(data[0]);
    for (const std::string& name : {layout.file, layout.alphaFile})
        if (!name.empty())
            FuzzFolder::Write(folder / name, data + 1, size - 1);
    delete ImageLib::GetImage(folder / layout.loadName, layout.lookForAlpha);
    for (const std::string& name : {layout.file, layout.alphaFile})
        if (!name.empty())
            unlink((folder / name).c_str());
    return 0;
}
