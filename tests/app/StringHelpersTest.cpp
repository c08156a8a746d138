#include "app/Common.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace Lumo;

TEST(FormatString, ShortAndLongTextsExactly)
{
    EXPECT_EQ(FormatString("%s=%d", "x", 42), "x=42");
    EXPECT_EQ(FormatString("%s", ""), "");
    // Around the 160-character stack buffer, and far beyond it.
    for (int length : {159, 160, 161})
    {
        std::string text(length, 'c');
        EXPECT_EQ(FormatString("%s", text.c_str()), text);
    }
    for (int length : {155, 320, 100001})
    {
        std::string text(length, 'a');
        text[length - 1] = 'z';
        std::string formatted = FormatString("<%s|%d>", text.c_str(), length);
        EXPECT_EQ(formatted, "<" + text + "|" + std::to_string(length) + ">");
    }
    // Longer than any fixed growth limit.
    std::string huge(1400000, 'b');
    EXPECT_EQ(FormatString("%s.", huge.c_str()), huge + ".");
}

TEST(StringHelpers, CaseAndTrim)
{
    EXPECT_EQ(StringToUpper("Pizza 7\xE9"), "PIZZA 7\xE9");
    EXPECT_EQ(StringToLower("PiZZa-X"), "pizza-x");
    EXPECT_EQ(Trim("  "), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim(" a b "), "a b");
    EXPECT_EQ(Trim("\t\r\nx\n"), "x");
}

TEST(StringToInt, ParsesStrictly)
{
    struct Case
    {
        const char* text;
        bool ok;
        int value;
    };
    const Case cases[] = {
        {"0x", true, 0},
        {"12a", false, 0},
        {"ff", false, 0},
        {"-", true, 0},
        {"", false, 0},
        {"0x1F", true, 31},
        {"-x1F", true, -31},
        {"-0x1F", false, 0},
        {"0Xab", true, 171},
        {"x1", false, 0},
        {"1x", false, 0},
        {"-42", true, -42},
        {" 1", false, 0},
        {"1 ", false, 0},
        {"--1", false, 0},
        {"0x1g", false, 0},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"0x7FFFFFFF", true, 2147483647},
        {"-x80000000", true, -2147483647 - 1},
        // A number beyond an int is refused rather than wrapped.
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"4294967297", false, 0},
        {"0xFFFFFFFF", false, 0},
        {"99999999999999999999999", false, 0},
    };
    for (const Case& c : cases)
    {
        int value = 1234;
        EXPECT_EQ(StringToInt(c.text, &value), c.ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(StringToDouble, ParsesStrictly)
{
    double value = 9.0;
    EXPECT_FALSE(StringToDouble("1.5.2", &value));
    EXPECT_EQ(value, 0.0);
    EXPECT_TRUE(StringToDouble("-2.25", &value));
    EXPECT_EQ(value, -2.25);
    EXPECT_FALSE(StringToDouble("1e3", &value));
    EXPECT_EQ(value, 0.0);
    EXPECT_TRUE(StringToDouble("-", &value));
    EXPECT_EQ(value, 0.0);
    EXPECT_TRUE(std::signbit(value));
    EXPECT_TRUE(StringToDouble(".", &value));
    EXPECT_EQ(value, 0.0);
    EXPECT_TRUE(StringToDouble("5.", &value));
    EXPECT_EQ(value, 5.0);
    EXPECT_TRUE(StringToDouble("12.5", &value));
    EXPECT_EQ(value, 12.5);
    EXPECT_FALSE(StringToDouble("", &value));
    EXPECT_FALSE(StringToDouble(" 1", &value));
    EXPECT_FALSE(StringToDouble("1-", &value));
}

TEST(StringHelpers, CommaSeparate)
{
    EXPECT_EQ(CommaSeparate(999), "999");
    EXPECT_EQ(CommaSeparate(1000), "1,000");
    EXPECT_EQ(CommaSeparate(100), "100");
    EXPECT_EQ(CommaSeparate(0), "0");
    EXPECT_EQ(CommaSeparate(1234567), "1,234,567");
    EXPECT_EQ(CommaSeparate(-1234567), "-1,234,567");
    EXPECT_EQ(CommaSeparate(-2147483647 - 1), "-2,147,483,648");
}

TEST(StringHelpers, NoCaseOrderAndSearch)
{
    std::set<std::string, StringLessNoCase> names = {"Fonts", "images", "FONTS", "Images2"};
    EXPECT_EQ(names.size(), 3u);
    EXPECT_EQ(*names.begin(), "Fonts");
    EXPECT_TRUE(StringLessNoCase()("abc", "ABD"));
    EXPECT_FALSE(StringLessNoCase()("ABD", "abc"));

    EXPECT_EQ(FindNoCase("Hello", "LLO"), 2);
    EXPECT_EQ(FindNoCase("Hel", "HELLO"), -1);
    EXPECT_EQ(FindNoCase("", ""), -1);
    EXPECT_EQ(FindNoCase("abc", ""), 0);
    EXPECT_EQ(FindNoCase("Radeon 7000 Series", "7000 s"), 7);
    EXPECT_EQ(FindNoCase("aaab", "AAB"), 1);
    EXPECT_EQ(FindNoCase("abc", "abd"), -1);
}
