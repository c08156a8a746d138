#include "core/faults.h"
#include "win32/windows.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
int BuiltinEntry()
{
    return 7;
}
} // namespace

TEST(Modules, SharedObjectNextToTheProgram)
{
    HMODULE module = LoadLibraryA("lumotestlib.dll");
    ASSERT_NE(module, nullptr);
    // Decorated and plain names reach the same entry point.
    FARPROC add = GetProcAddress(module, "_LumoTestAdd@8");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add, GetProcAddress(module, "LumoTestAdd"));
    EXPECT_EQ(reinterpret_cast<int (*)(int, int)>(add)(40, 2), 42);
    auto answer = reinterpret_cast<int (*)()>(GetProcAddress(module, "_LumoTestAnswer@0"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);

    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, "LumoTestMissing"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(GetProcAddress(module, "_LumoTestMissing@4"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PROC_NOT_FOUND);

    // Loaded twice, the same module; it stays until freed as often.
    HMODULE again = LoadLibraryA("lumotestlib");
    EXPECT_EQ(again, module);
    EXPECT_EQ(GetModuleHandleA("LUMOTESTLIB.DLL"), nullptr); // file names keep their case
    EXPECT_EQ(GetModuleHandleA("lumotestlib.dll"), module);
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(module, path, sizeof(path)), 0u);
    EXPECT_NE(std::string(path).find("/lumotestlib.so"), std::string::npos);
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_NE(GetProcAddress(module, "LumoTestAdd"), nullptr);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetModuleHandleA("lumotestlib.dll"), nullptr);
}

TEST(Modules, MissingLibrariesAreReported)
{
    SetLastError(0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadLibraryA("nosuchlibrary.dll"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
    // Windows has no code for most of the loader's reasons (memory, a damaged file): they are said.
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("LoadLibraryA: ", 0), 0u) << said;
    EXPECT_NE(said.find("nosuchlibrary.so: cannot open shared object file"), std::string::npos) << said;
    // The system's own search path is never used: libm exists there but not next to us.
    EXPECT_EQ(LoadLibraryA("libm.so.6"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
    PlatformTest::FailCall("LoadLibraryA", 1);
    EXPECT_EQ(LoadLibraryA("lumotestlib.dll"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
    HMODULE module = LoadLibraryA("lumotestlib.dll");
    EXPECT_NE(module, nullptr);
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(Modules, BuiltinModulesByNameWithoutCase)
{
    Platform::RegisterBuiltinModule("lumotest.dll", "LumoBuiltinEntry",
                                    reinterpret_cast<FARPROC>(&BuiltinEntry));
    HMODULE module = LoadLibraryA("LumoTest.DLL");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(LoadLibraryA("lumotest"), module);
    FARPROC entry = GetProcAddress(module, "_LumoBuiltinEntry@0");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(reinterpret_cast<int (*)()>(entry)(), 7);
    EXPECT_EQ(GetProcAddress(module, "LumoBuiltinOther"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(GetModuleHandleA("LUMOTEST.dll"), module);
    char path[MAX_PATH];
    char exe[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(module, path, sizeof(path)), 0u);
    ASSERT_GT(GetModuleFileNameA(nullptr, exe, sizeof(exe)), 0u);
    EXPECT_STREQ(path, exe);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_FALSE(FreeLibrary(module));
}

TEST(Modules, LayerModulesAreBuiltIn)
{
    HMODULE dsound = LoadLibraryA("dsound.dll");
    ASSERT_NE(dsound, nullptr);
    EXPECT_NE(GetProcAddress(dsound, "DirectSoundCreate"), nullptr);
    HMODULE version = LoadLibraryA("VERSION.DLL");
    ASSERT_NE(version, nullptr);
    EXPECT_NE(GetProcAddress(version, "VerQueryValueA"), nullptr);
    HMODULE user32 = LoadLibraryA("user32.dll");
    ASSERT_NE(user32, nullptr);
    EXPECT_NE(GetProcAddress(user32, "GetLastInputInfo"), nullptr);
    EXPECT_TRUE(FreeLibrary(dsound));
    EXPECT_TRUE(FreeLibrary(version));
    EXPECT_TRUE(FreeLibrary(user32));
}
