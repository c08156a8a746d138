#include "app/CommandLine.h"
#include "app/LumoAppBase.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

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

// ---- the application's own options ------------------------------------------------

namespace Lumo
{
namespace
{
// atoi's reading (blanks, a sign, digits, then anything), held to an int instead of running past it.
int CommandLineNumber(const std::string& value)
{
    long number = std::strtol(value.c_str(), nullptr, 10);
    return int(std::clamp<long>(number, INT_MIN, INT_MAX));
}
} // namespace

void LumoAppBase::ParseCommandLine()
{
    if (std::optional<std::string> arguments = ArgumentsAfterProgramName(GetCommandLineA()))
        SplitCommandLine(*arguments);
    mCommandLineParsed = true;
}

void LumoAppBase::SplitCommandLine(const std::string& line)
{
    SplitCommandLinePairs(line, [this](const std::string& name, const std::string& value)
                          { HandleCommandLineOption(name, value); });
}

void LumoAppBase::HandleCommandLineOption(const std::string& name, const std::string& value)
{
    if (name == "-play")
    {
        mPlayingDemo = true;
        mRecordingDemo = false;
    }
    else if (name == "-record")
    {
        mRecordingDemo = true;
        mPlayingDemo = false;
    }
    else if (name == "-demofile")
    {
        mDemoFileName = value;
        mDemoFileNumber = 0;
    }
    else if (name == "-recnum")
    {
        int keep = CommandLineNumber(value);
        if (keep < 1)
            keep = 5;
        mDemoFileNumber = DemoFileNumbering(keep, true) + 1;
        mDemoFileName = NumberedDemoFileName(mDemoFilePrefix, mDemoFileNumber);
        mRecordingDemo = true;
        mPlayingDemo = false;
    }
    else if (name == "-playnum")
    {
        int asked = CommandLineNumber(value);
        int back = asked > 1 ? asked - 1 : 0;
        mDemoFileName = NumberedDemoFileName(mDemoFilePrefix, DemoFileNumbering(back, false) - back);
        mPlayingDemo = true;
        mRecordingDemo = false;
    }
    else if (name == "-screensaver")
        mScreenSaverMode = true;
    else if (name == "-crash")
        std::abort(); // test hook: the process fails at once, as a crash would
    else
    {
        ShowFatalError("Invalid Command Line Param: " + name);
        ExitNow(FATAL_EXIT_CODE);
    }
}
} // namespace Lumo
