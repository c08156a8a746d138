// Numbers, paths and searches as they arrive from settings, command lines and descriptor files.
#include "app/Common.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t split = text.find('\n');
    std::string first = text.substr(0, split);
    std::string second = split == std::string::npos ? std::string() : text.substr(split + 1);

    int number = 0;
    double real = 0.0;
    Lumo::StringToInt(first, &number);
    Lumo::StringToDouble(first, &real);
    Lumo::CommaSeparate(number);
    Lumo::Trim(text);
    Lumo::StringToUpper(text);
    Lumo::ResolveRelativePath(first, second);
    Lumo::GetFileDir(first);
    Lumo::AddTrailingSlash(Lumo::RemoveTrailingSlash(second));
    Lumo::FindNoCase(first.c_str(), second.c_str());
    Lumo::FormatString("%s|%d", second.c_str(), number);
    return 0;
}
