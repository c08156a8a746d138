#include "app/Common.h"
#include "win32/windows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Lumo;
namespace fs = std::filesystem;

class FileHelpers : public ::testing::Test
{
protected:
    fs::path mRoot;

    void SetUp() override
    {
        mRoot = fs::temp_directory_path() / ("lumo_files_" + std::to_string(getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(mRoot);
        fs::create_directories(mRoot);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(mRoot, ignored);
    }
    static void Touch(const fs::path& path) { std::ofstream(path) << "x"; }
};

TEST_F(FileHelpers, MkDirMakesEveryBackslashLevel)
{
    std::string base = mRoot.string();
    MkDir(base + "\\a\\b\\c");
    EXPECT_TRUE(fs::is_directory(mRoot / "a" / "b" / "c"));
    MkDir(base + "\\a\\b\\c"); // exists already: ignored
    EXPECT_TRUE(fs::is_directory(mRoot / "a" / "b" / "c"));
    // "/" does not separate levels.
    MkDir(base + "/x/y");
    EXPECT_FALSE(fs::exists(mRoot / "x"));
}

TEST_F(FileHelpers, FileDateInSecondsSince1970)
{
    fs::path file = mRoot / "dated.txt";
    Touch(file);
    struct timespec times[2] = {{1700000000, 0}, {1700000123, 900000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    EXPECT_EQ(GetFileDate(file.string()), 1700000123);
    EXPECT_EQ(GetFileDate((mRoot / "missing.txt").string()), 0);
}

TEST_F(FileHelpers, DeleteTreeOfMissingOrTooShortPath)
{
    EXPECT_FALSE(DeleteTree((mRoot / "missing").string()));
    EXPECT_FALSE(DeleteTree("x"));
    EXPECT_TRUE(fs::exists(mRoot));
}

TEST_F(FileHelpers, DeleteTreeRemovesEverything)
{
    fs::path tree = mRoot / "tree";
    fs::create_directories(tree / "sub" / "deeper");
    Touch(tree / "a.png");
    Touch(tree / "sub" / "b.txt");
    Touch(tree / "sub" / "deeper" / "c");
    EXPECT_TRUE(DeleteTree(mRoot.string() + "\\tree"));
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_TRUE(fs::exists(mRoot));
}

TEST_F(FileHelpers, DeleteTreeDeletesWhatItCanAndReportsTheRest)
{
    fs::path tree = mRoot / "tree";
    fs::create_directories(tree / "sub");
    Touch(tree / "sub" / "gone.txt");
    Touch(tree / "kept.txt");
    ASSERT_TRUE(SetFileAttributesA((tree / "kept.txt").c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_FALSE(DeleteTree(tree.string()));
    EXPECT_TRUE(fs::exists(tree / "kept.txt"));
    EXPECT_FALSE(fs::exists(tree / "sub"));
}

TEST_F(FileHelpers, DeleteTreeRemovesLinksButNotWhatTheyPointAt)
{
    fs::path outside = mRoot / "outside";
    fs::create_directories(outside / "inner");
    Touch(outside / "keep.txt");
    Touch(outside / "inner" / "keep too.txt");
    fs::path tree = mRoot / "tree";
    fs::create_directories(tree);
    fs::create_directory_symlink(outside, tree / "linked folder");
    fs::create_symlink(outside / "keep.txt", tree / "linked file");
    fs::create_symlink(mRoot / "nowhere", tree / "dangling");

    EXPECT_TRUE(DeleteTree(tree.string()));
    EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
    EXPECT_TRUE(fs::exists(outside / "keep.txt"));
    EXPECT_TRUE(fs::exists(outside / "inner" / "keep too.txt"));

    // The folder named may itself be a link: only the link goes.
    fs::create_directory_symlink(outside, tree);
    EXPECT_TRUE(DeleteTree(tree.string() + "\\"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
    EXPECT_TRUE(fs::exists(outside / "keep.txt"));
    EXPECT_TRUE(fs::exists(outside / "inner" / "keep too.txt"));
}
