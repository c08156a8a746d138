#include "TempFolder.h"
#include "win32/windows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
std::string ExecutablePath()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    return std::string(path, length);
}
} // namespace

TEST(Version, ProductVersionOfTheExecutable)
{
    Platform::SetProductVersion("1.0.2.7");
    std::string exe = ExecutablePath();
    DWORD handle = 99;
    DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    EXPECT_EQ(handle, 0u);
    std::vector<char> block(size);
    EXPECT_FALSE(GetFileVersionInfoA(exe.c_str(), 0, size - 1, block.data()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, block.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\ProductVersion", &value, &length));
    EXPECT_STREQ(static_cast<const char*>(value), "1.0.2.7");
    EXPECT_EQ(length, 8u);
    EXPECT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\productversion", &value, &length));
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\ProductVersion", &value, &length));
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    const WORD* translation = static_cast<const WORD*>(value);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 0x04B0);

    // Other files have no version; nor has the executable once none is declared.
    TempFolder temp;
    temp.Write("other.exe", "MZ");
    EXPECT_EQ(GetFileVersionInfoSizeA(temp.WindowsPath("other.exe").c_str(), &handle), 0u);
    EXPECT_EQ(GetFileVersionInfoSizeA(temp.WindowsPath("missing.exe").c_str(), &handle), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    Platform::SetProductVersion("");
    EXPECT_EQ(GetFileVersionInfoSizeA(exe.c_str(), &handle), 0u);
}

TEST(Version, ReachedThroughTheBuiltinModule)
{
    Platform::SetProductVersion("2.5");
    HMODULE version = LoadLibraryA("VERSION.DLL");
    ASSERT_NE(version, nullptr);
    auto sizeOf =
        reinterpret_cast<DWORD(WINAPI*)(LPCSTR, LPDWORD)>(GetProcAddress(version, "GetFileVersionInfoSizeA"));
    auto read = reinterpret_cast<BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID)>(
        GetProcAddress(version, "GetFileVersionInfoA"));
    auto query = reinterpret_cast<BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, UINT*)>(
        GetProcAddress(version, "VerQueryValueA"));
    ASSERT_NE(sizeOf, nullptr);
    ASSERT_NE(read, nullptr);
    ASSERT_NE(query, nullptr);
    std::string exe = ExecutablePath();
    DWORD handle;
    std::vector<char> block(sizeOf(exe.c_str(), &handle));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(read(exe.c_str(), 0, (DWORD)block.size(), block.data()));
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(query(block.data(), "\\StringFileInfo\\040904B0\\ProductVersion", &value, &length));
    EXPECT_STREQ(static_cast<const char*>(value), "2.5");
    EXPECT_TRUE(FreeLibrary(version));
    Platform::SetProductVersion("");
}
