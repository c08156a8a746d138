// Splitting of the program's command line into (name, value) option pairs.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace Lumo
{
using CommandLinePairHandler = std::function<void(const std::string& name, const std::string& value)>;

// The argument text of a whole process command line: what follows the first space after the
// program name (a quoted name is skipped whole). None when the line carries no arguments.
std::optional<std::string> ArgumentsAfterProgramName(const std::string& commandLine);

// Splits "name=value" arguments separated by blanks; double quotes protect blanks and are
// never kept. Empty pairs (two blanks in a row, a blank after a closing quote) are skipped.
void SplitCommandLinePairs(const std::string& line, const CommandLinePairHandler& onPair);
} // namespace Lumo
