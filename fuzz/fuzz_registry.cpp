// The registry file reader: any bytes either parse or are refused, and what parses
// writes back to text that reads to the same tree.
#include "win32/registry_file.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    Platform::Registry::Key top;
    std::string error;
    if (!Platform::Registry::Parse(text, top, error))
        return 0;
    Platform::Registry::Key again;
    if (!Platform::Registry::Parse(Platform::Registry::Format(top), again, error) || !(again == top))
        std::abort();
    return 0;
}
