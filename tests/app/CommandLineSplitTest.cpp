#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using Lumo::ArgumentsAfterProgramName;
using Lumo::SplitCommandLinePairs;
using Pairs = std::vector<std::pair<std::string, std::string>>;

static Pairs Split(const std::string& line)
{
    Pairs pairs;
    SplitCommandLinePairs(line,
                          [&](const std::string& n, const std::string& v) { pairs.emplace_back(n, v); });
    return pairs;
}

TEST(CommandLineSplit, NamesValuesAndQuotes)
{
    EXPECT_EQ(Split("-play"), (Pairs{{"-play", ""}}));
    EXPECT_EQ(Split("-record -play"), (Pairs{{"-record", ""}, {"-play", ""}}));
    EXPECT_EQ(Split("-play -demofile=\"my demo.dmo\""), (Pairs{{"-play", ""}, {"-demofile", "my demo.dmo"}}));
    // "=" inside quotes still starts the value; quote characters are never kept.
    EXPECT_EQ(Split("\"-recnum=3\""), (Pairs{{"-recnum", "3"}}));
    EXPECT_EQ(Split("-demofile=a=b"), (Pairs{{"-demofile", "ab"}}));
    EXPECT_EQ(Split("-demofile="), (Pairs{{"-demofile", ""}}));
    EXPECT_EQ(Split("=x"), (Pairs{{"", "x"}}));
    EXPECT_EQ(Split(""), Pairs{});
}

TEST(CommandLineSplit, EmptyPairsAreSkipped)
{
    EXPECT_EQ(Split("-record  -play"), (Pairs{{"-record", ""}, {"-play", ""}}));
    // A quoted value that is not last: the blank after its closing quote ends no extra pair.
    EXPECT_EQ(Split("-demofile=\"a b.dmo\" -play"), (Pairs{{"-demofile", "a b.dmo"}, {"-play", ""}}));
    EXPECT_EQ(Split("   "), Pairs{});
    EXPECT_EQ(Split("-play "), (Pairs{{"-play", ""}}));
    EXPECT_EQ(Split("\"\""), Pairs{});
}

TEST(CommandLineSplit, UnclosedQuoteRunsToTheEnd)
{
    EXPECT_EQ(Split("-demofile=\"a b -play"), (Pairs{{"-demofile", "a b -play"}}));
}

TEST(CommandLineProgramName, SkippedPlainOrQuoted)
{
    EXPECT_EQ(ArgumentsAfterProgramName("crustavia -play"), "-play");
    EXPECT_EQ(ArgumentsAfterProgramName("\"C:\\Program Files\\Crustavia\\game.exe\" -record -x"),
              "-record -x");
    EXPECT_EQ(ArgumentsAfterProgramName("\"/opt/my games/crustavia\"x -play"), "-play");
    EXPECT_EQ(ArgumentsAfterProgramName("crustavia "), "");
    EXPECT_FALSE(ArgumentsAfterProgramName("crustavia").has_value());
    EXPECT_FALSE(ArgumentsAfterProgramName("\"/opt/my games/crustavia\"").has_value());
    EXPECT_FALSE(ArgumentsAfterProgramName("\"/opt/my games -play").has_value());
    EXPECT_FALSE(ArgumentsAfterProgramName("").has_value());
}
