#include "app/LumoAppBase.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <climits>
#include <ctime>

// Last: the macros' short names would clash with names in the headers above.
#include "app/ModValues.h"

using namespace Lumo;

namespace
{

class BoxRecorder : public LumoAppBase
{
public:
    std::vector<std::pair<std::string, std::string>> mBoxes; // caption, text
    int ShowMessageBox(const std::string& text, const std::string& caption, int flags) override
    {
        mBoxes.emplace_back(caption, text);
        return IDOK;
    }
};

struct ModValuesTest : ::testing::Test
{
    TempFolder folder;
    BoxRecorder app;
    std::map<std::string, FileMods> saved;
    std::string path = folder.Path() + "/tweak.cpp";

    // Every test starts from an empty map; sites registered before keep their entries.
    ModValuesTest() { saved.swap(ModFileMap()); }
    ~ModValuesTest() override { ModFileMap().merge(saved); }

    // Written with a date long before the program was built, or after it.
    void WriteSource(const std::string& text, bool edited)
    {
        folder.Write("tweak.cpp", text);
        utimbuf times{};
        times.actime = times.modtime = edited ? time(nullptr) + 100 : 946684800;
        ASSERT_EQ(utime(path.c_str(), &times), 0);
    }
};

TEST_F(ModValuesTest, WithNothingRegisteredTheReReadWarnsThatNoFileWasParsed)
{
    EXPECT_FALSE(ReparseModValues());
    ASSERT_EQ(app.mBoxes.size(), 1u);
    EXPECT_EQ(app.mBoxes[0].first, "MODVAL WARNING!");
    EXPECT_EQ(app.mBoxes[0].second, "WARNING: No file changes detected.  Files parsed: \r\n  none");
}

TEST_F(ModValuesTest, AnEditedFileGivesItsSitesTheNewValues)
{
    WriteSource("int a = M(5);\ndouble b = M(1.5);\nint c = M1(0x10) + M2(-3);\nint d = SUM(3) + M(8);\n",
                false);
    ModSite a, b, c1, c2, d;
    EXPECT_EQ(ModValue(a, path.c_str(), 1, 0, 5), 5);
    EXPECT_EQ(ModValue(b, path.c_str(), 2, 0, 1.5), 1.5);
    EXPECT_EQ(ModValue(c1, path.c_str(), 3, 1, 16), 16);
    EXPECT_EQ(ModValue(c2, path.c_str(), 3, 2, -3), -3);
    EXPECT_EQ(ModValue(d, path.c_str(), 4, 0, 8), 8);

    // Older than the program: nothing to re-read, and the file is named.
    EXPECT_FALSE(ReparseModValues());
    ASSERT_EQ(app.mBoxes.size(), 1u);
    EXPECT_EQ(app.mBoxes[0].second, "WARNING: No file changes detected.  Files parsed: \r\n  " + path);

    WriteSource("int a = M(7);\ndouble b = M(2.25);\nint c = M1(0x1F) + M2(-4);\nint d = SUM(3) + M(9);\n",
                true);
    EXPECT_TRUE(ReparseModValues());
    EXPECT_EQ(app.mBoxes.size(), 1u);
    EXPECT_EQ(ModValue(a, path.c_str(), 1, 0, 5), 7);
    EXPECT_EQ(ModValue(b, path.c_str(), 2, 0, 1.5), 2.25);
    EXPECT_EQ(ModValue(c1, path.c_str(), 3, 1, 16), 31);
    EXPECT_EQ(ModValue(c2, path.c_str(), 3, 2, -3), -4);
    EXPECT_EQ(ModValue(d, path.c_str(), 4, 0, 8), 9);

    // Seen once: the same date is no change.
    EXPECT_FALSE(ReparseModValues());
    EXPECT_EQ(app.mBoxes.size(), 2u);
}

TEST_F(ModValuesTest, AnUnreadableValueKeepsTheOldOne)
{
    WriteSource("int a = M(4);\n", false);
    ModSite a;
    EXPECT_EQ(ModValue(a, path.c_str(), 1, 0, 4), 4);
    WriteSource("int a = M(4x);\n", true);
    EXPECT_TRUE(ReparseModValues());
    EXPECT_EQ(ModValue(a, path.c_str(), 1, 0, 4), 4);
}

TEST_F(ModValuesTest, AFractionBeyondTheIntRangeGivesTheNearestInt)
{
    WriteSource("int a = M(1.5);\n", false);
    ModSite a;
    EXPECT_EQ(ModValue(a, path.c_str(), 1, 0, 1), 1);
    WriteSource("int a = M(8000000000000.5);\n", true);
    EXPECT_TRUE(ReparseModValues());
    EXPECT_EQ(ModValue(a, path.c_str(), 1, 0, 1), INT_MAX);
}

TEST_F(ModValuesTest, TwoPlainUsesOnOneLineAreAnError)
{
    WriteSource("\nint a = M(1) + M(2);\n", false);
    ModSite a;
    ModValue(a, path.c_str(), 2, 0, 1);
    WriteSource("\nint a = M(1) + M(3);\n", true);
    EXPECT_FALSE(ReparseModValues());
    ASSERT_EQ(app.mBoxes.size(), 1u);
    EXPECT_EQ(app.mBoxes[0].first, "MODVAL ERROR");
    EXPECT_EQ(
        app.mBoxes[0].second,
        "ERROR in " + path +
            " on line 2: If you want to use more than one M() value per line, you must use the numbered "
            "macros (ie: M1(), M2(), M3(), etc), using each one a maximum of once per line.  Alternatively, "
            "you may split up your statement into multiple lines.");
}

TEST_F(ModValuesTest, TheMacrosReadTheirLiteralsAndRegisterTheirLine)
{
    int line = __LINE__ + 1;
    int value = M(42) + M1(1);
    double fraction = M2(0.5);
    EXPECT_EQ(value, 43);
    EXPECT_EQ(fraction, 0.5);
    auto it = ModFileMap().find(__FILE__);
    ASSERT_NE(it, ModFileMap().end());
    ASSERT_GT((int)it->second.mLines.size(), line + 1);
    EXPECT_TRUE(it->second.mLines[line].mRegistered[0]);
    EXPECT_TRUE(it->second.mLines[line].mRegistered[1]);
    EXPECT_TRUE(it->second.mLines[line + 1].mRegistered[2]);
}

} // namespace
