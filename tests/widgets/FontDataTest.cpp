#include "text/FontData.h"

#include "tests/BigClaims.h"
#include "tests/platform/TempFolder.h"
#include "tests/widgets/FontTestHost.h"

#include <gtest/gtest.h>
#include <malloc.h>

using namespace Lumo;

namespace
{

// A 12x4 sheet: glyphs 'a', 'b', 'c' side by side, 3, 4 and 5 pixels wide.
const char* kSheetCommands = "Define Widths (3 4 5);\n"
                             "CreateHorzSpanRectList Rects (0 0 99 4) Widths;\n"
                             "CreateLayer Main;\n"
                             "LayerSetImage Main 'sheet.png';\n";

struct FontDataTest : ::testing::Test
{
    TempFolder folder;
    FontTestHost host;
    FontData* data = nullptr;

    FontDataTest() { host.mPictures["sheet.png"] = {12, 4, std::vector<uint32_t>(48, 0xFF102030)}; }
    ~FontDataTest() override
    {
        if (data)
            data->Release();
    }
    bool Load(const std::string& text)
    {
        folder.Write("font.txt", text);
        data = new FontData();
        data->AddRef();
        EXPECT_TRUE(data->Load(&host, folder.Path() + "/font.txt"));
        return data->mInitialized;
    }
    FontLayer& Layer(const std::string& name) { return *data->mFontLayerMap.at(name); }
    std::string Define(const std::string& name)
    {
        DataElement* e = data->Dereference(name);
        return e ? DescParser::ElementToText(e) : "<none>";
    }
    // The message part of each fatal report.
    std::vector<std::string> Messages()
    {
        std::vector<std::string> messages;
        const std::string header = "Font Descriptor Error in " + folder.Path() + "/font.txt\r\n";
        for (const std::string& text : host.mFatalErrors)
        {
            EXPECT_EQ(text.compare(0, header.size(), header), 0) << text;
            std::string rest = text.substr(header.size());
            messages.push_back(rest.substr(0, rest.find(" on Line ")));
        }
        return messages;
    }
};

} // namespace

TEST_F(FontDataTest, SpanRectListAndImageMap)
{
    ASSERT_TRUE(Load(std::string(kSheetCommands) + "LayerSetImageMap Main ('a' 'b' 'c') Rects;\n"
                                                   "LayerSetCharWidths Main ('a' 'b' 'c') Widths;\n"));
    EXPECT_EQ(Define("rects"), "((0, 0, 3, 4), (3, 0, 4, 4), (7, 0, 5, 4))");
    FontLayer& main = Layer("MAIN");
    EXPECT_EQ(main.mCharData['b'].mImageRect, Rect(3, 0, 4, 4));
    EXPECT_EQ(main.mCharData['c'].mWidth, 5);
    EXPECT_EQ(main.mDefaultHeight, 4);
    EXPECT_EQ(main.mFontData, data);
    ASSERT_EQ(host.mRequests.size(), 1u);
    EXPECT_EQ(host.mRequests[0], folder.Path() + "/sheet.png");
    EXPECT_TRUE(main.mImage.GetImage()->IsPalette()); // new images are palettized
    EXPECT_TRUE(host.mFatalErrors.empty());
}

TEST_F(FontDataTest, SpanRectListFromTheExample)
{
    ASSERT_TRUE(Load("CreateHorzSpanRectList R (10 20 0 16) (3 4 5);"));
    EXPECT_EQ(Define("R"), "((10, 20, 3, 16), (13, 20, 4, 16), (17, 20, 5, 16))");
}

TEST_F(FontDataTest, CommandsIgnoreCaseAndSetLayerFields)
{
    ASSERT_TRUE(
        Load("createlayer Shadow;\n"
             "LAYERSETCHARWIDTHS shadow ('x' 'y') (7 8);\n"
             "layersetcolormult SHADOW (1 0.5 0 1);\n"
             "LayerSetColorAdd Shadow (2 -1 0.25 0);\n"
             "LayerSetOffset Shadow (1 -2);\n"
             "LayerPointRange Shadow 10 12; LayerSetPointSize Shadow 14;\n"
             "LayerSetDrawMode Shadow 1; LayerSetSpacing Shadow -1; LayerSetBaseOrder Shadow -3;\n"
             "LayerSetAscent Shadow 11; LayerSetAscentPadding Shadow 2; LayerSetLineSpacingOffset Shadow 4;\n"
             "LayerSetCharOffsets Shadow ('x') ((3 4)); LayerSetCharOrders Shadow ('y') (300);\n"
             "LayerRequireTags Shadow ('bold' 'x'); LayerExcludeTags Shadow ('thin');\n"
             "LayerSetKerningPairs Shadow ('xy' 'yx') (200 -3);\n"
             "SetDefaultPointSize 14; SetCharMap ('A') ('x');\n"
             "CreateLayerFrom Copy Shadow;"));
    FontLayer& s = Layer("SHADOW");
    EXPECT_EQ(s.mCharData['x'].mWidth, 7);
    EXPECT_EQ(s.mCharData['y'].mWidth, 8);
    EXPECT_EQ(s.mColorMult, Color(255, 127, 0, 255));
    EXPECT_EQ(s.mColorAdd, Color(255, 0, 63, 0)); // clamped per component
    EXPECT_EQ(s.mOffset.mX, 1);
    EXPECT_EQ(s.mOffset.mY, -2);
    EXPECT_EQ(s.mMinPointSize, 10);
    EXPECT_EQ(s.mMaxPointSize, 12);
    EXPECT_EQ(s.mPointSize, 14);
    EXPECT_EQ(s.mDrawMode, 1);
    EXPECT_EQ(s.mSpacing, -1);
    EXPECT_EQ(s.mBaseOrder, -3);
    EXPECT_EQ(s.mAscent, 11);
    EXPECT_EQ(s.mAscentPadding, 2);
    EXPECT_EQ(s.mLineSpacingOffset, 4);
    EXPECT_EQ(s.mCharData['x'].mOffset.mX, 3);
    EXPECT_EQ(s.mCharData['y'].mOrder, 300);
    EXPECT_EQ(s.mRequiredTags, (std::vector<std::string>{"BOLD", "X"}));
    EXPECT_EQ(s.mExcludedTags, (std::vector<std::string>{"THIN"}));
    EXPECT_EQ(s.mCharData['x'].mKerningOffsets['y'], -56);
    EXPECT_EQ(s.mCharData['y'].mKerningOffsets['x'], -3);
    EXPECT_EQ(data->mDefaultPointSize, 14);
    EXPECT_EQ(data->mCharMap['A'], 'x');
    EXPECT_EQ(data->mCharMap['B'], 'B');
    EXPECT_EQ(Layer("COPY").mCharData['x'].mWidth, 7);
    EXPECT_EQ(Layer("COPY").mFontData, data);
    EXPECT_EQ(data->mFontLayerList.size(), 2u);
}

TEST_F(FontDataTest, ImageMapBounds)
{
    ASSERT_TRUE(
        Load(std::string(kSheetCommands) + "LayerSetImageMap Main ('a' 'b') ((9 0 3 4) (0 0 12 4));"));
    EXPECT_EQ(Layer("MAIN").mCharData['a'].mImageRect, Rect(9, 0, 3, 4));
    for (const char* rect : {"(10 0 3 4)", "(0 1 1 4)", "(-1 0 1 1)", "(5 0 -1 4)", "(0 0 1 -2)",
                             "(2147483647 0 1 1)", "(0 2147483647 1 2147483647)"})
    {
        FontTestHost other;
        other.mPictures = host.mPictures;
        folder.Write("bad.txt", std::string(kSheetCommands) + "LayerSetImageMap Main ('a') (" + rect + ");");
        FontData* bad = new FontData();
        bad->AddRef();
        bad->Load(&other, folder.Path() + "/bad.txt");
        EXPECT_FALSE(bad->mInitialized) << rect;
        ASSERT_EQ(other.mFatalErrors.size(), 1u) << rect;
        EXPECT_NE(other.mFatalErrors[0].find("Image rectangle out of bounds on Line 5:"), std::string::npos);
        bad->Release();
    }
}

TEST_F(FontDataTest, FatalTextHasHeaderLineAndCommand)
{
    EXPECT_FALSE(Load("SetDefaultPointSize 10;\n\n  Bogus 1\n  2;\nSetDefaultPointSize 20;"));
    ASSERT_EQ(host.mFatalErrors.size(), 1u);
    EXPECT_EQ(host.mFatalErrors[0], "Font Descriptor Error in " + folder.Path() +
                                        "/font.txt\r\nUnknown Command on Line 3:\r\n\r\nBogus 1\n2");
    EXPECT_EQ(data->mDefaultPointSize, 10); // effects before the error stay
    EXPECT_EQ(data->mErrorText, "");        // reported, not stored
}

TEST_F(FontDataTest, LanguageErrorsAreFatalToo)
{
    EXPECT_FALSE(Load("CreateLayer A;\nLayerSetCharWidths A ('a' 'b') (1 2;"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Unterminated List"});
    EXPECT_EQ(data->mFontLayerList.size(), 1u);
}

TEST_F(FontDataTest, EachCommandErrorText)
{
    struct Case
    {
        const char* text;
        std::vector<std::string> messages;
    } cases[] = {
        {"CreateLayer;", {"Invalid Number of Parameters"}},
        {"SetDefaultPointSize 1 2;", {"Invalid Number of Parameters"}},
        {"SetDefaultPointSize x1;", {"Invalid Paramater Type"}},
        {"CreateLayer A; CreateLayer a;", {"Layer Already Exists"}},
        {"LayerSetAscent Nope 1;", {"Undefined Layer", "Invalid Paramater Type"}},
        {"CreateLayer A; LayerSetDrawMode A 2;", {"Invalid Paramater Type"}},
        {"CreateLayer A; LayerSetDrawMode A -1;", {"Invalid Paramater Type"}},
        {"CreateLayer A; LayerSetColorMult A (1 1 1);", {"Invalid Paramater Type"}},
        {"CreateLayer A; LayerSetCharWidths A ('a' 'b') (1);", {"List Size Mismatch"}},
        {"CreateLayer A; LayerSetCharWidths A ('ab' 'c') (1 2);", {"Invalid Paramater Type"}},
        {"CreateLayer A; LayerSetImageMap A ('a') ((0 0 1 1));", {"Layer image not set"}},
        {"CreateLayer A; LayerSetImage A 'missing.png';", {"Failed to Load Image"}},
        {"CreateLayer A; LayerSetKerningPairs A ('abc') (1);", {"Invalid Paramater Type"}},
        {"CreateLayer A; LayerSetCharOffsets A ('a') ((1 2 3));", {"Invalid Paramater Type"}},
        {"CreateLayer A; LayerSetCharOffsets A ('a' 'b') ((1 2) y);", {"Invalid Paramater Type"}},
        {"CreateLayer A; LayerSetAscent A 4294967296;", {"Invalid Paramater Type"}},
        {"CreateLayer A; LayerSetOffset A (1 -2147483649);", {"Invalid Paramater Type"}},
        {"Define 5 x;", {"Invalid Paramater Type"}},
        {"Define 'q' x;", {"Invalid Paramater Type"}},
        {"Define L (a b);", {"Unable to Dereference \"a\""}},
        {"Define L (1 2); Define L (L 3);", {"Unable to Dereference \"L\""}},
        {"CreateHorzSpanRectList R (0 0 0) (1);", {"Invalid Paramater Type"}},
        {"CreateHorzSpanRectList R (0 0 0 4) (1 -1);", {"Invalid Paramater Type"}},
        {"CreateHorzSpanRectList R (2147483640 0 0 4) (5 5 5);", {"Invalid Paramater Type"}},
        {"CreateLayer A; LayerSetCharWidths A Undefined (1);",
         {"Unable to Dereference \"Undefined\"", "Invalid Paramater Type"}},
    };
    for (const Case& c : cases)
    {
        FontTestHost h;
        folder.Write("e.txt", c.text);
        FontData* d = new FontData();
        d->AddRef();
        d->Load(&h, folder.Path() + "/e.txt");
        EXPECT_FALSE(d->mInitialized) << c.text;
        std::vector<std::string> messages;
        for (const std::string& text : h.mFatalErrors)
        {
            size_t start = text.find("\r\n") + 2;
            messages.push_back(text.substr(start, text.find(" on Line ") - start));
        }
        EXPECT_EQ(messages, c.messages) << c.text;
        d->Release();
    }
}

TEST_F(FontDataTest, EntryWiseCommandsApplyTheGoodEntries)
{
    EXPECT_FALSE(Load("SetCharMap ('x' 'yz' 'q') ('a' 'b' 'c');"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Invalid Paramater Type"});
    EXPECT_EQ(data->mCharMap['x'], 'a');
    EXPECT_EQ(data->mCharMap['q'], 'c');
    EXPECT_EQ(data->mCharMap['y'], 'y');
}

TEST_F(FontDataTest, ABareTokenForARectangleOrPairIsOneError)
{
    // Entries are resolved one by one: names of defines work, a bare token is skipped quietly.
    EXPECT_FALSE(Load(std::string(kSheetCommands) +
                      "Define W 9; Define R (0 0 3 4);\n"
                      "LayerSetImageMap Main ('a' 'b' 'c' 'd') (R x ('W' 0 1 1) (W 0 1 1));\n"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Invalid Paramater Type"});
    EXPECT_EQ(Layer("MAIN").mCharData['a'].mImageRect, Rect(0, 0, 3, 4));
    EXPECT_EQ(Layer("MAIN").mCharData['c'].mImageRect, Rect());
    EXPECT_EQ(Layer("MAIN").mCharData['d'].mImageRect, Rect(9, 0, 1, 1));
    host.mFatalErrors.clear();
    data->Release();
    data = nullptr;
    EXPECT_FALSE(Load("CreateLayer A;\nLayerSetCharOffsets A ('a' 'b') ((1 2) Missing);"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Invalid Paramater Type"});
    EXPECT_EQ(Layer("A").mCharData['a'].mOffset.mY, 2);
}

TEST_F(FontDataTest, DeepNestingIsAnErrorWithItsLineAndAShortCommandAndName)
{
    EXPECT_FALSE(Load("CreateLayer A;\n\nLayerSetOffset A " + std::string(200000, '(') + ";"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Lists Nested Too Deeply"});
    ASSERT_EQ(host.mFatalErrors.size(), 1u);
    const std::string& text = host.mFatalErrors[0];
    EXPECT_NE(text.find(" on Line 3:\r\n\r\nLayerSetOffset A ((("), std::string::npos);
    EXPECT_LT(text.size(), 1200u);
    EXPECT_EQ(text.substr(text.size() - 3), "...");
    // A huge name in the message is cut the same way.
    host.mFatalErrors.clear();
    data->Release();
    data = nullptr;
    EXPECT_FALSE(Load("CreateLayer A;\nLayerSetOffset A " + std::string(200000, 'Z') + ";"));
    ASSERT_FALSE(host.mFatalErrors.empty());
    EXPECT_NE(host.mFatalErrors[0].find("Unable to Dereference \"ZZZ"), std::string::npos);
    for (const std::string& shown : host.mFatalErrors)
        EXPECT_LT(shown.size(), 2300u);
}

TEST_F(FontDataTest, DefinesResolveWhenMade)
{
    ASSERT_TRUE(Load("Define A 'it''s';\nDefine B A;\nDefine L (A 5 ('x'));\nDefine A 'new';\n"
                     "Define S 'old';\nDefine S S;"));
    EXPECT_EQ(Define("a"), "'new'");
    EXPECT_EQ(Define("s"), "S"); // the old value is gone before the new one is read
    EXPECT_EQ(Define("b"), "'it''s'");
    EXPECT_EQ(Define("l"), "('it''s', 5, (x))"); // defines are used as stored
    std::string text;
    EXPECT_TRUE(data->DataToString(data->Dereference("b"), &text));
    EXPECT_EQ(text, "it's");
}

namespace
{

std::string Repeat(int times, const std::string& text)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

// "<before>0<after><before>1<after>...": lines that differ only in a number.
std::string Numbered(int times, const std::string& before, const std::string& after)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += before + std::to_string(i) + after;
    return all;
}

} // namespace

TEST_F(FontDataTest, DefinesExpandInProportionToTheTextWhileLargeHonestFilesLoad)
{
    // Four kerning tables of every pair of 92 printable characters, written out (270 KB).
    std::string pairs, values;
    for (char a = ' '; a <= '~'; ++a)
        for (char b = ' '; b <= '~'; ++b)
            if (std::string{a, b}.find_first_of("'\\\"") == std::string::npos)
            {
                pairs += " '" + std::string{a, b} + "'";
                values += " -1";
            }
    std::string tables;
    for (const char* layer : {"A", "B", "C", "D"})
        tables += "CreateLayer " + std::string(layer) + ";\nLayerSetKerningPairs " + layer + " (" + pairs +
                  ") (" + values + ");\n";
    ASSERT_TRUE(Load(tables)) << Messages()[0];
    EXPECT_EQ(Layer("D").mCharData['~'].mKerningOffsets['}'], -1);

    // Defines copied or read again and again: refused once they pass what the text allows.
    const std::string d2 = "Define D0 (" + Repeat(16, " 1") + ");\nDefine D1 (" + Repeat(16, " D0") +
                           ");\nDefine D2 (" + Repeat(16, " D1") + ");\n";
    const std::string widths = "Define W (" + Repeat(1000, " 1") + ");\n";
    for (const std::string& text :
         {d2 + Repeat(100, "Define C D2;\n"), d2 + "Define L (" + Repeat(100, " D2") + ");\n",
          widths + Repeat(60, "CreateHorzSpanRectList R (0 0 0 1) W;\n"),
          widths + "CreateLayer X;\n" + Repeat(200, "LayerSetCharWidths X W W;\n"),
          // A layer is some 74 KB: short lines making many of them are refused too.
          "CreateLayer X;\n" + Numbered(300, "CreateLayerFrom X", " X;\n")})
    {
        host.mFatalErrors.clear();
        data->Release();
        EXPECT_FALSE(Load(text));
        ASSERT_FALSE(Messages().empty());
        EXPECT_EQ(Messages()[0], "Too Many Values");
        size_t held = 0;
        for (const auto& define : data->mDefines)
            held += DescParser::ValueBytes(define.second);
        EXPECT_LE(held, DescParser::kValueByteAllowance + DescParser::kValueBytesPerTextByte * text.size());
    }
}

TEST_F(FontDataTest, HugeFilesOfShortValuesAreRefusedBeforeTakingEightTimesTheirSize)
{
    // 20 and 18 MB of one-character values, in a define and in a command's lists. The address
    // sanitizer's red zones add their own share.
#if defined(__SANITIZE_ADDRESS__)
    constexpr size_t kTimesTheText = 11;
#else
    constexpr size_t kTimesTheText = 8;
#endif
    for (const std::string& text : {"Define X (" + Repeat(10000000, " 1") + ");",
                                    "CreateLayer L; LayerSetCharWidths L (" + Repeat(3000000, " 'a'") +
                                        ") (" + Repeat(3000000, " 1") + ");"})
    {
        malloc_trim(0); // what the case before freed is given back, not counted as room
        PeakMemory peak;
        EXPECT_FALSE(Load(text));
        EXPECT_LT(peak.RiseKb(), long(kTimesTheText * text.size() / 1024));
        EXPECT_EQ(Messages(), std::vector<std::string>{"Too Many Values"});
        data->Release();
        data = nullptr;
        host.mFatalErrors.clear();
    }
}

TEST_F(FontDataTest, LoadTwiceAndWithoutApp)
{
    ASSERT_TRUE(Load("SetDefaultPointSize 3;"));
    EXPECT_FALSE(data->Load(&host, folder.Path() + "/font.txt"));
    FontData* quiet = new FontData();
    quiet->AddRef();
    folder.Write("q.txt", "Bogus;");
    EXPECT_TRUE(quiet->Load(nullptr, folder.Path() + "/q.txt"));
    EXPECT_FALSE(quiet->mInitialized);
    EXPECT_EQ(quiet->mErrorText, "");
    quiet->Release();
    EXPECT_TRUE(host.mFatalErrors.empty());
}

TEST_F(FontDataTest, LegacyMetrics)
{
    folder.Write("m.txt", "4 9\nA 3 b 5 C 2\n");
    MemoryImage sheet;
    sheet.Create(10, 12);
    data = new FontData();
    data->AddRef();
    data->LoadLegacy(&sheet, folder.Path() + "/m.txt");
    ASSERT_TRUE(data->mInitialized);
    FontLayer& layer = Layer("");
    EXPECT_EQ(layer.mCharData[' '].mWidth, 4);
    EXPECT_EQ(layer.mAscent, 9);
    EXPECT_EQ(layer.mDefaultHeight, 12);
    EXPECT_EQ(layer.mCharData['b'].mImageRect, Rect(3, 0, 5, 12));
    EXPECT_EQ(layer.mCharData['C'].mImageRect, Rect(8, 0, 2, 12));
    EXPECT_EQ(data->mCharMap['a'], 'A');
    EXPECT_EQ(data->mCharMap['B'], 'b');
    EXPECT_EQ(data->mCharMap['c'], 'C');
    EXPECT_EQ(data->mCharMap['A'], 'A');
    EXPECT_EQ(data->mCharMap['d'], 'd');
}
