#include "app/DemoFile.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace Lumo;
using Bytes = std::vector<unsigned char>;
namespace fs = std::filesystem;

namespace
{
// magic, version 2, seed 0x12345678, "Crustavia", an empty marker block, 100 updates, one key-down.
const Bytes kKnownFile = {0x78, 0xEF, 0xBE, 0x42, 0x02, 0x00, 0x00, 0x00, 0x78, 0x56, 0x34, 0x12, 0x09,
                          0x00, 'C',  'r',  'u',  's',  't',  'a',  'v',  'i',  'a',  0x04, 0x00, 0x00,
                          0x00, 0x00, 0x00, 0x00, 0x00, 0x64, 0x00, 0x00, 0x00, 0x60, 0x04, 0x01};

std::string Parse(const Bytes& bytes, DemoFileContents& out, const std::string& product = "Crustavia")
{
    std::string error;
    if (ParseDemoFile(bytes.data(), bytes.size(), product, out, error))
        return "ok";
    return error;
}

class DemoFolder : public ::testing::Test
{
protected:
    fs::path mDir;
    void SetUp() override
    {
        // The process's own: other test runs share the temporary folder.
        mDir = fs::temp_directory_path() / ("lumo_demo_" + std::to_string(getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(mDir);
        fs::create_directories(mDir);
    }
    void TearDown() override { fs::remove_all(mDir); }
    void Touch(const std::string& name) { std::ofstream(mDir / name) << "x"; }
};
} // namespace

TEST(DemoFileBytes, WritesTheKnownFile)
{
    DemoFileContents c;
    c.mRandSeed = 0x12345678;
    c.mProductName = "Crustavia";
    c.mDemoLength = 100;
    c.mEvents = {0x60, 0x04, 0x01};
    EXPECT_EQ(BuildDemoFile(c), kKnownFile);
}

TEST(DemoFileBytes, ReadsTheKnownFileAndMarkers)
{
    DemoFileContents c;
    ASSERT_EQ(Parse(kKnownFile, c), "ok");
    EXPECT_EQ(c.mVersion, 2);
    EXPECT_EQ(c.mRandSeed, 0x12345678u);
    EXPECT_EQ(c.mDemoLength, 100);
    EXPECT_EQ(c.mEvents, (Bytes{0x60, 0x04, 0x01}));
    EXPECT_TRUE(c.mMarkers.empty());

    DemoFileContents m = c;
    m.mMarkers = {{"Level 2", 3000}, {"", 4500}};
    DemoFileContents back;
    ASSERT_EQ(Parse(BuildDemoFile(m), back), "ok");
    ASSERT_EQ(back.mMarkers.size(), 2u);
    EXPECT_EQ(back.mMarkers[0].mName, "Level 2");
    EXPECT_EQ(back.mMarkers[0].mUpdateCount, 3000);
    EXPECT_EQ(back.mMarkers[1].mUpdateCount, 4500);
    EXPECT_EQ(back.mEvents, c.mEvents);

    // The list is made once at its size: a demo of many markers took twice their room growing it.
    m.mMarkers.assign(1000, {"", 1});
    ASSERT_EQ(Parse(BuildDemoFile(m), back), "ok");
    EXPECT_EQ(back.mMarkers.size(), 1000u);
    EXPECT_EQ(back.mMarkers.capacity(), 1000u);
}

TEST(DemoFileBytes, VersionOneHasNoMarkerBlock)
{
    Bytes v1 = {0x78, 0xEF, 0xBE, 0x42, 0x01, 0, 0, 0, 7, 0, 0, 0, 1, 0, 'P', 50, 0, 0, 0, 0x60, 0x04, 0x01};
    DemoFileContents c;
    ASSERT_EQ(Parse(v1, c, "P"), "ok");
    EXPECT_EQ(c.mVersion, 1);
    EXPECT_EQ(c.mRandSeed, 7u);
    EXPECT_EQ(c.mDemoLength, 50);
    EXPECT_EQ(c.mEvents.size(), 3u);
}

TEST(DemoFileErrors, ExactMessages)
{
    DemoFileContents c;
    EXPECT_EQ(Parse(kKnownFile, c, "crustavia"), "This demo file appears to be for 'Crustavia'");

    Bytes badMagic = kKnownFile;
    badMagic[0] = 0x79;
    EXPECT_EQ(Parse(badMagic, c), "Invalid demo file.");

    Bytes noEvents(kKnownFile.begin(), kKnownFile.end() - 3); // ends after the final update count
    EXPECT_EQ(Parse(noEvents, c), "Invalid demo file.");

    Bytes longBlock = kKnownFile;
    longBlock[23] = 0x0E; // marker block of 14 bytes: no room for the final update count
    EXPECT_EQ(Parse(longBlock, c), "Invalid demo file.");
    longBlock[23] = 0x00;
    longBlock[26] = 0x80; // length read unsigned: 0x80000000 is not negative
    EXPECT_EQ(Parse(longBlock, c), "Invalid demo file.");

    Bytes fewerMarkers = kKnownFile;
    fewerMarkers[27] = 0x02; // two markers counted, none there
    EXPECT_EQ(Parse(fewerMarkers, c), "Invalid demo file.");

    std::string error;
    EXPECT_FALSE(ReadDemoFile("no/such/dir/x.dmo", "Crustavia", c, error));
    EXPECT_EQ(error, "Demo file not found: no/such/dir/x.dmo");
}

TEST(DemoFileErrors, EveryTruncationIsRejected)
{
    for (size_t n = 0; n <= kKnownFile.size() - 3; n++)
    {
        DemoFileContents c;
        EXPECT_EQ(Parse(Bytes(kKnownFile.begin(), kKnownFile.begin() + n), c), "Invalid demo file.") << n;
    }
}

TEST_F(DemoFolder, FileRoundTrip)
{
    DemoFileContents c;
    c.mRandSeed = 99;
    c.mProductName = "Crustavia";
    c.mDemoLength = 12;
    c.mEvents = {1, 2, 3, 4};
    std::string name = (mDir / "lumoapp.dmo").string();
    std::string error;
    ASSERT_TRUE(WriteDemoFile(name, c, error)) << error;
    DemoFileContents back;
    ASSERT_TRUE(ReadDemoFile(name, "Crustavia", back, error)) << error;
    EXPECT_EQ(back.mRandSeed, 99u);
    EXPECT_EQ(back.mEvents, c.mEvents);
    EXPECT_FALSE(WriteDemoFile((mDir / "missing" / "x.dmo").string(), c, error));
    EXPECT_EQ(error, std::strerror(ENOENT));
    // A file that cannot be written whole leaves the one before it as it was, and no other file.
    c.mRandSeed = 100;
    {
        FileSizeLimit full(16);
        EXPECT_FALSE(WriteDemoFile(name, c, error));
    }
    EXPECT_EQ(error, std::strerror(EFBIG));
    ASSERT_TRUE(ReadDemoFile(name, "Crustavia", back, error)) << error;
    EXPECT_EQ(back.mRandSeed, 99u);
    EXPECT_EQ(std::distance(fs::directory_iterator(mDir), fs::directory_iterator()), 1);
    ASSERT_TRUE(WriteDemoFile(name, c, error));
    EXPECT_EQ(std::distance(fs::directory_iterator(mDir), fs::directory_iterator()), 1);
}

// Only a regular file is read, its header before the rest, and never more than a demo can hold:
// a device, a pipe or a folder is refused at once, as is a file longer than the format allows.
TEST_F(DemoFolder, ReadsOnlyFilesOfADemosSize)
{
    const std::string fifo = (mDir / "pipe.dmo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto sparse = [&](const std::string& name, const std::string& product)
    {
        DemoFileContents c;
        c.mProductName = product;
        c.mEvents = {1};
        std::string path = (mDir / name).string(), error;
        EXPECT_TRUE(WriteDemoFile(path, c, error));
        fs::resize_file(path, uintmax_t(1) << 33); // no disk space taken
        return path;
    };
    const std::pair<std::string, std::string> cases[] = {
        {"/dev/zero", "Invalid demo file."},
        {fifo, "Invalid demo file."},
        {mDir.string(), "Invalid demo file."},
        {sparse("huge.dmo", "Crustavia"), "Invalid demo file."},
        {sparse("other.dmo", "Other"), "This demo file appears to be for 'Other'"},
    };
    for (const auto& [path, message] : cases)
    {
        DemoFileContents c;
        std::string error;
        EXPECT_FALSE(ReadDemoFile(path, "Crustavia", c, error)) << path;
        EXPECT_EQ(error, message) << path;
    }
}

TEST_F(DemoFolder, NumberingKeepsTheNewest)
{
    for (int i = 1; i <= 5; i++)
        Touch("lumoapp" + std::to_string(i) + ".dmo");
    Touch("lumoappx.dmo");
    Touch("lumoapp.dmo");
    Touch("other7.dmo");
    EXPECT_EQ(DemoFileNumbering(mDir.string(), "lumoapp", 5, true), 5);
    EXPECT_FALSE(fs::exists(mDir / "lumoapp1.dmo"));
    EXPECT_TRUE(fs::exists(mDir / "lumoapp2.dmo"));
    EXPECT_EQ(NumberedDemoFileName("lumoapp", 6), "lumoapp6.dmo");
}

TEST_F(DemoFolder, NumberingWithGaps)
{
    Touch("lumoapp4.dmo");
    Touch("lumoapp7.dmo");
    Touch("lumoapp9.dmo");
    EXPECT_EQ(DemoFileNumbering(mDir.string(), "lumoapp", 3, true), 9);
    EXPECT_FALSE(fs::exists(mDir / "lumoapp4.dmo"));
    // Playing never deletes.
    EXPECT_EQ(DemoFileNumbering(mDir.string(), "lumoapp", 0, false), 9);
    EXPECT_TRUE(fs::exists(mDir / "lumoapp7.dmo"));
    fs::remove_all(mDir);
    EXPECT_EQ(DemoFileNumbering(mDir.string(), "lumoapp", 5, true), 0);
}
