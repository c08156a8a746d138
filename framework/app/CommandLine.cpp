#include "app/CommandLine.h"

namespace Lumo
{
std::optional<std::string> ArgumentsAfterProgramName(const std::string& commandLine)
{
    size_t pos = 0;
    if (!commandLine.empty() && commandLine[0] == '"')
    {
        size_t close = commandLine.find('"', 1);
        if (close == std::string::npos)
            return std::nullopt;
        pos = close + 1;
    }
    size_t space = commandLine.find(' ', pos);
    if (space == std::string::npos)
        return std::nullopt;
    return commandLine.substr(space + 1);
}

void SplitCommandLinePairs(const std::string& line, const CommandLinePairHandler& onPair)
{
    std::string name;
    std::string value;
    bool inQuotes = false;
    bool inValue = false;
    for (size_t i = 0; i < line.size(); i++)
    {
        char c = line[i];
        bool pairEnds = false;
        if (c == '"')
        {
            inQuotes = !inQuotes;
            pairEnds = !inQuotes;
        }
        else if (c == ' ' && !inQuotes)
            pairEnds = true;
        else if (c == '=')
            inValue = true;
        else
            (inValue ? value : name) += c;

        if (pairEnds || i + 1 == line.size())
        {
            // A pair with neither name nor value is only the gap between two arguments.
            if (!name.empty() || !value.empty())
                onPair(name, value);
            name.clear();
            value.clear();
            inValue = false;
        }
    }
}
} // namespace Lumo
