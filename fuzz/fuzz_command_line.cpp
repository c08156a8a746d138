// Any byte string split as a command line: never crashes, and no pair comes out empty.
#include "app/CommandLine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string line(reinterpret_cast<const char*>(data), size);
    size_t total = 0;
    auto onPair = [&](const std::string& name, const std::string& value)
    {
        if (name.empty() && value.empty())
            std::abort();
        total += name.size() + value.size();
    };
    if (auto args = Lumo::ArgumentsAfterProgramName(line))
        Lumo::SplitCommandLinePairs(*args, onPair);
    Lumo::SplitCommandLinePairs(line, onPair);
    if (total > 2 * size)
        std::abort();
    return 0;
}
