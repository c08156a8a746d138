// How the whole-path image harness lays one input out on disk: the first byte
// chooses the names, the rest is the file's content.
#pragma once

#include <cstdint>
#include <string>

struct ImageFuzzLayout
{
    std::string file;      // where the content goes, relative to the scratch folder
    std::string alphaFile; // a copy as the alpha companion, or empty
    std::string loadName;  // the name given to the loader
    bool lookForAlpha = false;
};

inline ImageFuzzLayout LayoutForSelector(uint8_t selector)
{
    static const char* const kExtensions[] = {".tga", ".jpg", ".png", ".gif"};
    ImageFuzzLayout layout;
    std::string extension = kExtensions[selector & 3];
    bool named = (selector & 4) != 0;      // the load name carries the extension
    bool alpha = (selector & 8) != 0;      // the content is also the alpha companion
    bool onlyAlpha = (selector & 16) != 0; // no main picture at all
    layout.lookForAlpha = (selector & 32) != 0;
    std::string folder = (selector & 64) ? "sub.d\\" : "";
    layout.file = onlyAlpha ? "" : "sub.d/pic" + extension;
    if (alpha || onlyAlpha)
        layout.alphaFile = "sub.d/_pic" + extension;
    layout.loadName = folder.empty() ? "sub.d/pic" : folder + "pic";
    if (named)
        layout.loadName += extension;
    return layout;
}
