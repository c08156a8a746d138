// Any bytes read as a card list of the 3-D self test (vhw.dat, vhwb.dat), then matched against
// card descriptions: every fragment kept is trimmed, not blank and free of NUL bytes (such a line
// matches no card), and matches a description that is itself.
#include "FuzzFile.h"
#include "app/Common.h"
#include "display/D3DTester.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadThroughFile(
        "vhw.dat", data, size,
        [](const std::string& path)
        {
            auto check = [](const std::string& line)
            {
                if (line.empty() || Lumo::Trim(line) != line || line.find('\0') != std::string::npos ||
                    Lumo::FindNoCase(line.c_str(), line.c_str()) != 0)
                    std::abort();
                return false;
            };
            bool matches = false;
            if (!Lumo::ForEachCardLine(path.c_str(), check) ||
                !Lumo::CardListMatches(path.c_str(), "Example Graphics RX 580 (rev 2)", matches) ||
                !Lumo::CardListMatches(path.c_str(), "", matches) || matches)
                std::abort();
        });
    return 0;
}
