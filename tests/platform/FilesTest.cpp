#include "TempFolder.h"
#include "core/faults.h"
#include "win32/host_files.h"
#include "win32/windows.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace
{
std::vector<std::string> Listing(const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(data.cFileName);
    while (FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(find));
    return names;
}

using Names = std::vector<std::string>;
} // namespace

TEST(FilePattern, WindowsWildcards)
{
    using Platform::MatchesFilePattern;
    EXPECT_TRUE(MatchesFilePattern("README", "*.*"));
    EXPECT_TRUE(MatchesFilePattern("a.b.c", "*.*"));
    EXPECT_TRUE(MatchesFilePattern("..", "*.*"));
    EXPECT_TRUE(MatchesFilePattern("Title.PNG", "*.png"));
    EXPECT_FALSE(MatchesFilePattern("title.png.bak", "*.png"));
    EXPECT_FALSE(MatchesFilePattern("png", "*.png"));
    EXPECT_TRUE(MatchesFilePattern("image7.png", "image?.png"));
    EXPECT_FALSE(MatchesFilePattern("image17.png", "image?.png"));
    EXPECT_FALSE(MatchesFilePattern("image.png", "image?.png"));
    EXPECT_TRUE(MatchesFilePattern("README", "*."));
    EXPECT_FALSE(MatchesFilePattern("a.txt", "*."));
    EXPECT_TRUE(MatchesFilePattern("abc", "a*c"));
    EXPECT_TRUE(MatchesFilePattern("aXbXc", "a*b*c"));
    EXPECT_FALSE(MatchesFilePattern("aXbXd", "a*b*c"));
    EXPECT_TRUE(MatchesFilePattern("exact.txt", "EXACT.TXT"));
}

TEST(FindFiles, ListsWithDotEntriesAndBackslashPaths)
{
    TempFolder temp;
    temp.Write("b.png", "12345");
    temp.Write("a.PNG", "");
    temp.Write("notes.txt", "x");
    temp.Write("README", "");
    ASSERT_TRUE(CreateDirectoryA(temp.WindowsPath("sub").c_str(), nullptr));

    EXPECT_EQ(Listing(temp.WindowsPath("*.*")),
              (Names{".", "..", "a.PNG", "b.png", "notes.txt", "README", "sub"}));
    EXPECT_EQ(Listing(temp.WindowsPath("*")),
              (Names{".", "..", "a.PNG", "b.png", "notes.txt", "README", "sub"}));
    EXPECT_EQ(Listing(temp.WindowsPath("*.png")), (Names{"a.PNG", "b.png"}));
    EXPECT_EQ(Listing(temp.Path() + "/?.png"), (Names{"a.PNG", "b.png"}));
    EXPECT_EQ(Listing(temp.WindowsPath("sub\\*.*")), (Names{".", ".."}));
    EXPECT_EQ(Listing(temp.WindowsPath("notes.txt")), (Names{"notes.txt"}));
}

TEST(FindFiles, AttributesSizesAndTimes)
{
    TempFolder temp;
    temp.Write("data.bin", std::string(1234, 'x'));
    ASSERT_TRUE(CreateDirectoryA(temp.WindowsPath("dir").c_str(), nullptr));
    // 2001-09-09 01:46:40.5 UTC
    struct timespec times[2] = {{1000000000, 500000000}, {1000000000, 500000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, (temp.Path() + "/data.bin").c_str(), times, 0), 0);

    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(temp.WindowsPath("data.bin").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeLow, 1234u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY), 0u);
    uint64_t written =
        ((uint64_t)data.ftLastWriteTime.dwHighDateTime << 32) | data.ftLastWriteTime.dwLowDateTime;
    EXPECT_EQ(written, 116444736000000000ull + 10000000000000000ull + 5000000ull);
    EXPECT_TRUE(FindClose(find));
    EXPECT_FALSE(FindClose(find));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);

    EXPECT_EQ(GetFileAttributesA(temp.WindowsPath("dir").c_str()), (DWORD)FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_TRUE(SetFileAttributesA(temp.WindowsPath("data.bin").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesA(temp.WindowsPath("data.bin").c_str()), (DWORD)FILE_ATTRIBUTE_READONLY);
    struct stat info;
    ASSERT_EQ(stat((temp.Path() + "/data.bin").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH), 0u);
    // A read-only file is not deleted until it is writable again.
    EXPECT_FALSE(DeleteFileA(temp.WindowsPath("data.bin").c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    ASSERT_TRUE(SetFileAttributesA(temp.WindowsPath("data.bin").c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA(temp.WindowsPath("data.bin").c_str()), (DWORD)FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(DeleteFileA(temp.WindowsPath("data.bin").c_str()));
}

TEST(FindFiles, LinksAreMarkedAndRemovedAsLinks)
{
    TempFolder temp;
    temp.Write("target.txt", "kept");
    ASSERT_TRUE(CreateDirectoryA(temp.WindowsPath("folder").c_str(), nullptr));
    temp.Write("folder/inside.txt", "kept");
    ASSERT_EQ(symlink((temp.Path() + "/folder").c_str(), (temp.Path() + "/to-folder").c_str()), 0);
    ASSERT_EQ(symlink((temp.Path() + "/target.txt").c_str(), (temp.Path() + "/to-file").c_str()), 0);
    ASSERT_EQ(symlink((temp.Path() + "/missing").c_str(), (temp.Path() + "/dangling").c_str()), 0);

    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(temp.WindowsPath("to-folder").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes, (DWORD)(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    FindClose(find);
    EXPECT_EQ(GetFileAttributesA(temp.WindowsPath("to-folder").c_str()), data.dwFileAttributes);
    find = FindFirstFileA(temp.WindowsPath("dangling").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes, (DWORD)FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(GetFileAttributesA(temp.WindowsPath("dangling").c_str()), data.dwFileAttributes);
    FindClose(find);

    // A folder link is not a file; removing it as a folder takes the link only.
    EXPECT_FALSE(DeleteFileA(temp.WindowsPath("to-folder").c_str()));
    EXPECT_TRUE(RemoveDirectoryA(temp.WindowsPath("to-folder").c_str()));
    EXPECT_EQ(temp.Read("folder/inside.txt"), "kept");
    EXPECT_TRUE(DeleteFileA(temp.WindowsPath("to-file").c_str()));
    EXPECT_EQ(temp.Read("target.txt"), "kept");
    EXPECT_TRUE(DeleteFileA(temp.WindowsPath("dangling").c_str()));
    struct stat info;
    EXPECT_NE(lstat((temp.Path() + "/dangling").c_str(), &info), 0);
}

TEST(FindFiles, MissingFilesAndFolders)
{
    TempFolder temp;
    WIN32_FIND_DATAA data;
    EXPECT_EQ(FindFirstFileA(temp.WindowsPath("*.png").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstFileA(temp.WindowsPath("nowhere\\*.*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesA(temp.WindowsPath("nothing").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesA(temp.WindowsPath("nowhere\\nothing").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);

    temp.Write("x.txt", "");
    PlatformTest::FailCall("FindFirstFileA", 1);
    EXPECT_EQ(FindFirstFileA(temp.WindowsPath("*.*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Listing(temp.WindowsPath("*.txt")), (Names{"x.txt"}));
}

TEST(Folders, MakeRemoveDeleteCopyMove)
{
    TempFolder temp;
    std::string dir = temp.WindowsPath("a");
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(dir.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryA(temp.WindowsPath("x\\y").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);

    temp.Write("a/f.txt", "hello");
    EXPECT_FALSE(RemoveDirectoryA(dir.c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(DeleteFileA(dir.c_str()));

    EXPECT_TRUE(CopyFileA(temp.WindowsPath("a\\f.txt").c_str(), temp.WindowsPath("g.txt").c_str(), TRUE));
    EXPECT_EQ(temp.Read("g.txt"), "hello");
    temp.Write("g.txt", "old");
    EXPECT_FALSE(CopyFileA(temp.WindowsPath("a\\f.txt").c_str(), temp.WindowsPath("g.txt").c_str(), TRUE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
    EXPECT_EQ(temp.Read("g.txt"), "old");
    EXPECT_TRUE(CopyFileA(temp.WindowsPath("a\\f.txt").c_str(), temp.WindowsPath("g.txt").c_str(), FALSE));
    EXPECT_EQ(temp.Read("g.txt"), "hello");

    EXPECT_FALSE(MoveFileA(temp.WindowsPath("g.txt").c_str(), temp.WindowsPath("a\\f.txt").c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(MoveFileA(temp.WindowsPath("g.txt").c_str(), temp.WindowsPath("h.txt").c_str()));
    EXPECT_EQ(GetFileAttributesA(temp.WindowsPath("g.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(temp.Read("h.txt"), "hello");

    EXPECT_TRUE(DeleteFileA(temp.WindowsPath("a\\f.txt").c_str()));
    EXPECT_FALSE(DeleteFileA(temp.WindowsPath("a\\f.txt").c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(RemoveDirectoryA(dir.c_str()));
    EXPECT_EQ(_mkdir(dir.c_str()), 0);
    EXPECT_EQ(_mkdir(dir.c_str()), -1);
    EXPECT_EQ(_rmdir(dir.c_str()), 0);
    EXPECT_EQ(GetFileAttributesA(dir.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Folders, CurrentDirectory)
{
    TempFolder temp;
    char saved[4096];
    DWORD savedLength = GetCurrentDirectoryA(sizeof(saved), saved);
    ASSERT_GT(savedLength, 0u);
    ASSERT_LT(savedLength, sizeof(saved));

    ASSERT_TRUE(SetCurrentDirectoryA(temp.WindowsPath().c_str()));
    char small[2];
    DWORD needed = GetCurrentDirectoryA(sizeof(small), small);
    std::string real = std::filesystem::canonical(temp.Path()).string();
    EXPECT_EQ(needed, real.size() + 1);
    char buffer[4096];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof(buffer), buffer), real.size());
    EXPECT_EQ(std::string(buffer), real);
    // Relative "\" paths resolve against it.
    temp.Write("rel.txt", "");
    EXPECT_EQ(GetFileAttributesA(".\\rel.txt"), (DWORD)FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(SetCurrentDirectoryA("no\\such\\folder"));
    ASSERT_TRUE(SetCurrentDirectoryA(saved));
}

TEST(OpenFiles, WriteTimeThroughAHandle)
{
    TempFolder temp;
    temp.Write("sound.wav", "RIFF");
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (temp.Path() + "/sound.wav").c_str(), times, 0), 0);

    HANDLE file = CreateFileA(temp.WindowsPath("sound.wav").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME written = {};
    ASSERT_TRUE(GetFileTime(file, nullptr, nullptr, &written));
    uint64_t value = ((uint64_t)written.dwHighDateTime << 32) | written.dwLowDateTime;
    EXPECT_EQ(value, 116444736000000000ull + 10000000000000000ull);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_FALSE(GetFileTime(file, nullptr, nullptr, &written));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);

    EXPECT_EQ(CreateFileA(temp.WindowsPath("missing.wav").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                          nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(CreateFileA(temp.WindowsPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(
        CreateFileA(temp.WindowsPath("sound.wav").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
    // Creating truncates and makes the file.
    file = CreateFileA(temp.WindowsPath("sound.wav").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                       nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(temp.Read("sound.wav"), "");
}
