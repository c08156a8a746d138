// Any bytes read as a card list of the 3-D self test (vhw.dat, vhwb.dat), then matched against
// card descriptions: every fragment kept is trimmed, not blank and free of NUL bytes (such a line
// matches no card), and matches a description that is itself.
#include "FuzzFile.h"
#include "app/Common.h"
#include "display/D3DTester.h"

#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadThroughFile("vhw.dat", data, size,
                    [](const std::string& path)
                    {
                        std::vector<std::string> lines;
                        if (!Lumo::ReadCardList(path.c_str(), lines))
                            std::abort();
                        for (const std::string& line : lines)
                        {
                            if (line.empty() || Lumo::Trim(line) != line ||
                                line.find('\0') != std::string::npos || !Lumo::ListMatches({line}, line))
                                std::abort();
                        }
                        Lumo::ListMatches(lines, "Example Graphics RX 580 (rev 2)");
                        Lumo::ListMatches(lines, "");
                    });
    return 0;
}
