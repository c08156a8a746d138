#include "text/DescParser.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Lumo;

namespace
{

// Records every command with the line it began on; "def NAME VALUE" stores a define,
// "fail" stops the parse.
class RecordingParser : public DescParser
{
public:
    struct Command
    {
        std::string text;
        int line;
    };
    std::vector<Command> commands;
    std::vector<std::string> errors;

    bool Error(const std::string& msg) override
    {
        errors.push_back(msg + "@" + std::to_string(mCommandLineNumber));
        return DescParser::Error(msg);
    }
    bool HandleCommand(const ListDataElement& params) override
    {
        commands.push_back({ElementToText(&params), mCommandLineNumber});
        const std::string word = static_cast<const SingleDataElement*>(params.mItems[0])->mText;
        if (word == "fail")
            return false;
        if (word == "def")
            SetDefine(static_cast<const SingleDataElement*>(params.mItems[1])->mText,
                      params.mItems[2]->Duplicate());
        return true;
    }
    void Define(const std::string& name, DataElement* value) { SetDefine(name, value); }
};

struct ParserFile : ::testing::Test
{
    TempFolder folder;
    RecordingParser parser;

    bool Parse(const std::string& bytes)
    {
        folder.Write("font.txt", bytes);
        return parser.ParseDescriptorFile(folder.Path() + "/font.txt");
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const auto& c : parser.commands)
            texts.push_back(c.text);
        return texts;
    }
};

ListDataElement Tokenize(DescParser& parser, const std::string& text, bool* ok = nullptr)
{
    ListDataElement list;
    bool result = parser.TokenizeToList(text, &list, false, nullptr);
    if (ok)
        *ok = result;
    return list;
}

std::string Text(const DataElement* e)
{
    return DescParser::ElementToText(e);
}

} // namespace

TEST_F(ParserFile, CommentsAndBlankLinesRunNothing)
{
    EXPECT_TRUE(Parse("# a comment\n\n   \n\t# indented comment\n"));
    EXPECT_TRUE(parser.commands.empty());
    EXPECT_EQ(parser.mCommandLineNumber, 0);
    EXPECT_EQ(parser.mErrorText, "");
}

TEST_F(ParserFile, SemicolonsSplitCommandsOutsideQuotesOnly)
{
    EXPECT_TRUE(Parse("one a;two b\nthree 'x;y' \"p;q\";\n"));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"(one, a)", "(two, b, three, 'x;y', \"p;q\")"}));
}

TEST_F(ParserFile, HashOnlyStartsACommentAtTheLineStart)
{
    EXPECT_TRUE(Parse("cmd a#b;\n   # all comment; still comment\ncmd2 c;"));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"(cmd, a#b)", "(cmd2, c)"}));
}

TEST_F(ParserFile, MultiLineCommandKeepsNewlinesAndItsFirstLine)
{
    EXPECT_TRUE(Parse("\n\n  first (1 2\n   3 4)\n  x;\nsecond;"));
    ASSERT_EQ(parser.commands.size(), 2u);
    EXPECT_EQ(parser.commands[0].text, "(first, (1, 2, 3, 4), x)");
    EXPECT_EQ(parser.commands[0].line, 3);
    EXPECT_EQ(parser.commands[1].line, 6);
}

TEST_F(ParserFile, LastCommandNeedsNoTerminator)
{
    EXPECT_TRUE(Parse("a 1;\nb 2"));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"(a, 1)", "(b, 2)"}));
}

TEST_F(ParserFile, CrlfFilesParseLikeLfFiles)
{
    const std::string lf = "# c\ncmd (1\n2);\n\n  other 'a b' x\ny;\nbad (;";
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_FALSE(Parse(lf));
    auto lfCommands = parser.commands;
    auto lfErrors = parser.errors;
    RecordingParser other;
    folder.Write("crlf.txt", crlf);
    EXPECT_FALSE(other.ParseDescriptorFile(folder.Path() + "/crlf.txt"));
    ASSERT_EQ(other.commands.size(), lfCommands.size());
    for (size_t i = 0; i < lfCommands.size(); ++i)
    {
        EXPECT_EQ(other.commands[i].text, lfCommands[i].text);
        EXPECT_EQ(other.commands[i].line, lfCommands[i].line);
    }
    EXPECT_EQ(other.errors, lfErrors);
    EXPECT_EQ(other.errors, (std::vector<std::string>{"Unterminated List@7"}));
}

TEST_F(ParserFile, EscapesInsideQuotesKeepTheBackslash)
{
    // Inside quotes a backslash protects a quote from closing the text; the splitter then
    // drops the backslash.
    EXPECT_TRUE(Parse("cmd 'a\\'b' \"c\\\\d\" e\\f;"));
    ASSERT_EQ(parser.commands.size(), 1u);
    EXPECT_EQ(parser.commands[0].text, "(cmd, 'a'b', \"c\\d\", ef)");
}

TEST_F(ParserFile, FailingCommandStopsTheParse)
{
    EXPECT_FALSE(Parse("a;\nfail;\nc;"));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"(a)", "(fail)"}));
    EXPECT_EQ(parser.mCommandLineNumber, 0);
}

TEST_F(ParserFile, EveryLanguageErrorCarriesItsLine)
{
    struct Case
    {
        const char* text;
        const char* error;
    } cases[] = {
        {"ok;\n\ncmd (1 2;", "Unterminated List@3"},         {"ok;\ncmd 1 2);", "Unexpected List End@2"},
        {"\n\n\ncmd word(1 2);", "Unexpected List Start@4"}, {"cmd 'abc", "Unterminated Single Quotes@1"},
        {"\ncmd \"abc", "Unterminated Double Quotes@2"},     {"ok;\n(1 2) 3;", "Missing Command@2"},
    };
    for (const Case& c : cases)
    {
        RecordingParser p;
        folder.Write("e.txt", c.text);
        EXPECT_FALSE(p.ParseDescriptorFile(folder.Path() + "/e.txt")) << c.text;
        EXPECT_EQ(p.errors, std::vector<std::string>{c.error}) << c.text;
    }
}

TEST_F(ParserFile, UnindentedLineTerminatorEndsTheCommandBefore)
{
    parser.mTerminatorFlags = DescParser::TERMINATE_UNINDENTED;
    EXPECT_TRUE(Parse("a 1\n  2\nb 3\n\n   \nc;d"));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"(a, 1, 2)", "(b, 3)", "(c;d)"}));
}

TEST_F(ParserFile, MissingFileFailsWithoutMessage)
{
    EXPECT_FALSE(parser.ParseDescriptorFile(folder.Path() + "/none.txt"));
    EXPECT_TRUE(parser.errors.empty());
    EXPECT_EQ(parser.mErrorText, "");
}

TEST_F(ParserFile, WindowsSeparatorsOpenTheFile)
{
    folder.Write("w.txt", "cmd;");
    EXPECT_TRUE(parser.ParseDescriptorFile(folder.WindowsPath("w.txt")));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"(cmd)"}));
}

TEST(DescParserTokenize, BuildsNestedLists)
{
    RecordingParser p;
    bool ok = false;
    ListDataElement list = Tokenize(p, "Word second ('a' \"b\") ((1 2 3 4) (5,6,7,8))", &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(list.mItems.size(), 4u);
    EXPECT_FALSE(list.mItems[0]->mIsList);
    EXPECT_FALSE(list.mItems[1]->mIsList);
    ASSERT_TRUE(list.mItems[2]->mIsList);
    EXPECT_EQ(static_cast<ListDataElement*>(list.mItems[2])->mItems.size(), 2u);
    ASSERT_TRUE(list.mItems[3]->mIsList);
    auto* rects = static_cast<ListDataElement*>(list.mItems[3]);
    ASSERT_EQ(rects->mItems.size(), 2u);
    EXPECT_EQ(Text(rects->mItems[1]), "(5, 6, 7, 8)");
    EXPECT_EQ(Text(&list), "(Word, second, ('a', \"b\"), ((1, 2, 3, 4), (5, 6, 7, 8)))");
}

TEST(DescParserTokenize, BackslashJoinsAndQuotesKeepSeparators)
{
    RecordingParser p;
    ListDataElement list = Tokenize(p, "a\\,b 'x, y' \"it's\" \\(");
    EXPECT_EQ(Text(&list), "(a,b, 'x, y', \"it's\", ()");
    EXPECT_EQ(list.mItems.size(), 4u);
}

TEST(DescParserTokenize, ErrorsGoThroughError)
{
    RecordingParser p;
    bool ok = true;
    Tokenize(p, "a ) b", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(p.mErrorText, "Unexpected List End");
    Tokenize(p, "a (b (c)", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(p.mErrorText, "Unterminated List");
    Tokenize(p, "'a' \"b", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(p.mErrorText, "Unterminated Double Quotes");
}

TEST(DescParserTokenize, NestingIsRefusedBeyondItsDepth)
{
    const int deepest = DescParser::kMaxListDepth;
    auto nested = [](int depth) { return "cmd " + std::string(depth, '(') + "x" + std::string(depth, ')'); };
    RecordingParser p;
    bool ok = false;
    ListDataElement list = Tokenize(p, nested(deepest), &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(list.mItems.size(), 2u);
    Tokenize(p, nested(deepest + 1), &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(p.mErrorText, "Lists Nested Too Deeply");
}

TEST_F(ParserFile, HundredsOfThousandsOfOpeningsAreAnErrorOnTheirLine)
{
    EXPECT_FALSE(Parse("ok;\n\ncmd " + std::string(300000, '(') + ";\nafter;"));
    EXPECT_EQ(parser.errors, std::vector<std::string>{"Lists Nested Too Deeply@3"});
    EXPECT_EQ(Texts(), std::vector<std::string>{"(ok)"});
}

TEST(DescParserValues, DefinesCannotBuildDeeperOrLargerValues)
{
    // Each define placed in a list sits one level deeper than it was stored.
    RecordingParser p;
    const int deepest = DescParser::kMaxListDepth;
    p.Define("deep",
             Tokenize(p, std::string(deepest, '(') + std::string(deepest, ')')).mItems[0]->Duplicate());
    ListDataElement fits;
    EXPECT_TRUE(p.GetValue(Tokenize(p, "deep"), &fits));
    ListDataElement deeper;
    EXPECT_FALSE(p.GetValue(Tokenize(p, "(deep)"), &deeper));
    EXPECT_EQ(p.mErrorText, "Lists Nested Too Deeply");

    // Sixteen copies of sixteen copies...: refused before memory runs out.
    RecordingParser q;
    std::string ones;
    for (int i = 0; i < 16; i++)
        ones += " 1";
    q.Define("D0", Tokenize(q, "(" + ones + ")").mItems[0]->Duplicate());
    const ListDataElement d2 = Tokenize(q, "D2");
    bool ok = true;
    int level = 1;
    for (; ok && level < 8; level++)
    {
        std::string copies;
        for (int i = 0; i < 16; i++)
            copies += " D" + std::to_string(level - 1);
        auto* value = new ListDataElement();
        ok = q.GetValue(*static_cast<ListDataElement*>(Tokenize(q, "(" + copies + ")").mItems[0]), value);
        q.Define("D" + std::to_string(level), value);
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(level, 5); // D4, of 16^5 values, does not fit
    EXPECT_EQ(q.mErrorText, "Too Many Values");
    ListDataElement copy;
    EXPECT_FALSE(q.DataToList(d2.mItems[0], &copy)); // nothing more is resolved
}

TEST(DescParserTokenize, EmptyAndListFirstCommands)
{
    RecordingParser p;
    EXPECT_TRUE(p.ParseCommandLine("  , \n"));
    EXPECT_TRUE(p.commands.empty());
    EXPECT_FALSE(p.ParseCommandLine("(a) b"));
    EXPECT_EQ(p.mErrorText, "Missing Command");
    EXPECT_TRUE(p.commands.empty());
}

TEST(DescParserValues, UnquoteMakesEachDoubledQuoteOneAndEmptyQuotesNothing)
{
    EXPECT_EQ(DescParser::Unquote("'it''s'"), "it's");
    EXPECT_EQ(DescParser::Unquote("''''"), "'");
    EXPECT_EQ(DescParser::Unquote("\"say \"\"hi\"\"\""), "say \"hi\"");
    EXPECT_EQ(DescParser::Unquote("\"it's\""), "it's");
    EXPECT_EQ(DescParser::Unquote("''"), "");
    EXPECT_EQ(DescParser::Unquote("'"), "");
    EXPECT_EQ(DescParser::Unquote("plain'text"), "plain'text");
    EXPECT_EQ(DescParser::Unquote(""), "");
}

TEST(DescParserValues, IsLiteral)
{
    for (const char* s : {"0", "9x", "-3", "+", "'a'", "\"b"})
        EXPECT_TRUE(DescParser::IsLiteral(s)) << s;
    for (const char* s : {"", "a1", "_", " 1", "."})
        EXPECT_FALSE(DescParser::IsLiteral(s)) << s;
}

TEST(DescParserValues, GetValueResolvesOneLevel)
{
    RecordingParser p;
    p.Define("Widths", Tokenize(p, "(3 4)").mItems[0]->Duplicate());
    p.Define("name", new SingleDataElement("'abc'"));
    ListDataElement src = Tokenize(p, "'q''x' -5 widths (NAME 7)");
    ListDataElement dst;
    ASSERT_TRUE(p.GetValue(src, &dst));
    EXPECT_EQ(Text(&dst), "(q'x, -5, (3, 4), ('abc', 7))");

    ListDataElement bad = Tokenize(p, "1 missing");
    ListDataElement out;
    EXPECT_FALSE(p.GetValue(bad, &out));
    EXPECT_EQ(p.mErrorText, "Unable to Dereference \"missing\"");
}

TEST(DescParserValues, DefinesAreCaseInsensitiveAndReplaced)
{
    RecordingParser p;
    p.Define("Color", new SingleDataElement("1"));
    p.Define("COLOR", new SingleDataElement("2"));
    ASSERT_NE(p.Dereference("color"), nullptr);
    EXPECT_EQ(Text(p.Dereference("cOlOr")), "2");
    EXPECT_EQ(p.mDefines.size(), 1u);
    EXPECT_EQ(p.Dereference("other"), nullptr);
}

TEST(DescParserValues, DataToString)
{
    RecordingParser p;
    p.Define("file", new SingleDataElement("'a b.png'"));
    p.Define("list", Tokenize(p, "(1 2)").mItems[0]->Duplicate());
    std::string out = "junk";
    EXPECT_TRUE(p.DataToString(Tokenize(p, "FILE").mItems[0], &out));
    EXPECT_EQ(out, "a b.png");
    EXPECT_TRUE(p.DataToString(Tokenize(p, "'x''y'").mItems[0], &out));
    EXPECT_EQ(out, "x'y");
    EXPECT_TRUE(p.DataToString(Tokenize(p, "bare").mItems[0], &out));
    EXPECT_EQ(out, "bare");
    EXPECT_FALSE(p.DataToString(Tokenize(p, "list").mItems[0], &out));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(p.DataToString(Tokenize(p, "(a)").mItems[0], &out));
}

TEST(DescParserValues, StringIntAndDoubleVectors)
{
    RecordingParser p;
    p.Define("nums", Tokenize(p, "(10 -20 30)").mItems[0]->Duplicate());
    p.Define("one", new SingleDataElement("7"));
    p.Define("nested", Tokenize(p, "((1 2) 3)").mItems[0]->Duplicate());

    std::vector<std::string> strings;
    EXPECT_TRUE(p.DataToStringVector(Tokenize(p, "('a' 'b,c' one)").mItems[0], &strings));
    EXPECT_EQ(strings, (std::vector<std::string>{"a", "b,c", "7"}));

    std::vector<int> ints;
    EXPECT_TRUE(p.DataToIntVector(Tokenize(p, "nums").mItems[0], &ints));
    EXPECT_EQ(ints, (std::vector<int>{10, -20, 30}));
    EXPECT_FALSE(p.DataToIntVector(Tokenize(p, "(1 2.5)").mItems[0], &ints));
    EXPECT_TRUE(ints.empty());
    EXPECT_FALSE(p.DataToIntVector(Tokenize(p, "one").mItems[0], &ints));
    EXPECT_FALSE(p.DataToIntVector(Tokenize(p, "nested").mItems[0], &ints));
    EXPECT_FALSE(p.DataToStringVector(Tokenize(p, "((1) 2)").mItems[0], &strings));
    EXPECT_TRUE(strings.empty());

    p.mErrorText.clear();
    EXPECT_FALSE(p.DataToIntVector(Tokenize(p, "nothing").mItems[0], &ints));
    EXPECT_EQ(p.mErrorText, "Unable to Dereference \"nothing\"");

    std::vector<double> reals;
    EXPECT_TRUE(p.DataToDoubleVector(Tokenize(p, "(1 0.5 -0.25)").mItems[0], &reals));
    EXPECT_EQ(reals, (std::vector<double>{1.0, 0.5, -0.25}));
}

TEST(DescParserValues, DataToListCopiesDeep)
{
    RecordingParser p;
    p.Define("rects", Tokenize(p, "((0 0 1 1) (1 0 2 1))").mItems[0]->Duplicate());
    ListDataElement out;
    EXPECT_TRUE(p.DataToList(Tokenize(p, "RECTS").mItems[0], &out));
    EXPECT_EQ(Text(&out), "((0, 0, 1, 1), (1, 0, 2, 1))");
    EXPECT_NE(out.mItems[0], static_cast<ListDataElement*>(p.Dereference("rects"))->mItems[0]);
    ListDataElement literal;
    EXPECT_TRUE(p.DataToList(Tokenize(p, "('a' 2)").mItems[0], &literal));
    EXPECT_EQ(Text(&literal), "(a, 2)");
    p.Define("single", new SingleDataElement("3"));
    ListDataElement none;
    EXPECT_FALSE(p.DataToList(Tokenize(p, "single").mItems[0], &none));
    EXPECT_FALSE(p.DataToList(Tokenize(p, "undefined").mItems[0], &none));
}

TEST(DataElementTest, CopiesAreDeep)
{
    RecordingParser p;
    ListDataElement a = Tokenize(p, "x (y z)");
    ListDataElement b(a);
    ListDataElement c;
    c = a;
    static_cast<SingleDataElement*>(a.mItems[0])->mText = "changed";
    EXPECT_EQ(Text(&b), "(x, (y, z))");
    EXPECT_EQ(Text(&c), "(x, (y, z))");
    std::unique_ptr<DataElement> d(b.Duplicate());
    EXPECT_TRUE(d->mIsList);
    EXPECT_EQ(Text(d.get()), "(x, (y, z))");
    c = c;
    EXPECT_EQ(Text(&c), "(x, (y, z))");
}
