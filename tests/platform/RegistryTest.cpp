#include "TempFolder.h"
#include "core/faults.h"
#include "test/registry_test.h"
#include "win32/windows.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
class Registry : public ::testing::Test
{
protected:
    void SetUp() override { UseFile(mTemp.Path() + "/config/crustavia/registry.txt"); }
    void TearDown() override
    {
        unsetenv("LUMO_REGISTRY_FILE");
        PlatformTest::ReloadRegistry();
        PlatformTest::ClearFailures();
    }
    void UseFile(const std::string& path)
    {
        mFile = path;
        setenv("LUMO_REGISTRY_FILE", path.c_str(), 1);
        PlatformTest::ReloadRegistry();
    }
    std::string FileText() const
    {
        std::ifstream in(mFile, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void WriteFile(const std::string& text) const
    {
        std::filesystem::create_directories(std::filesystem::path(mFile).parent_path());
        std::ofstream(mFile, std::ios::binary) << text;
    }
    // The files left beside the registry file ("registry.txt.damaged-...").
    std::vector<std::string> Aside() const
    {
        std::vector<std::string> found;
        for (auto& entry : std::filesystem::directory_iterator(std::filesystem::path(mFile).parent_path()))
            if (entry.path().filename().string().rfind("registry.txt.damaged-", 0) == 0)
                found.push_back(entry.path().string());
        return found;
    }

    HKEY Create(const char* path, DWORD* disposition = nullptr)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, const_cast<char*>("Key"),
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, disposition),
                  ERROR_SUCCESS);
        return key;
    }
    static LSTATUS SetDword(HKEY key, const char* name, DWORD value)
    {
        return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    }
    static std::string Query(HKEY key, const char* name, DWORD* type = nullptr)
    {
        DWORD size = 0;
        if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS)
            return "<missing>";
        std::string data(size, '\0');
        EXPECT_EQ(RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size),
                  ERROR_SUCCESS);
        return data;
    }

    TempFolder mTemp;
    std::string mFile;
};

const char kOddBytes[] = "tab\there \"quoted\" back\\slash \x01\xff nul:\0.";
const std::string kOddString(kOddBytes, sizeof(kOddBytes) - 1);
const BYTE kGuid[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                        0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
} // namespace

TEST_F(Registry, RoundTripOfEachTypeWithSubKeysAcrossAReload)
{
    DWORD disposition = 0;
    HKEY key = Create("SOFTWARE\\Crustavia\\Test3D", &disposition);
    EXPECT_EQ(disposition, (DWORD)REG_CREATED_NEW_KEY);
    ASSERT_EQ(SetDword(key, "Version", 2), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "MinVidMemory", 0xFFFFFFFFu), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Warning", 0, REG_SZ, reinterpret_cast<const BYTE*>(kOddString.data()),
                             (DWORD)kOddString.size()),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "FailureReason", 0, REG_SZ, nullptr, 0), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "DisplayGUID", 0, REG_BINARY, kGuid, sizeof(kGuid)), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>("a\0b\0"), 5),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    HKEY parent = Create("SOFTWARE\\Crustavia", &disposition);
    EXPECT_EQ(disposition, (DWORD)REG_OPENED_EXISTING_KEY);
    ASSERT_EQ(SetDword(parent, "MusicVolume", 85), ERROR_SUCCESS);
    RegCloseKey(parent);
    HKEY empty = Create("SOFTWARE\\Crustavia\\Empty");
    RegCloseKey(empty);

    // The file is whole and readable on its own.
    std::string text = FileText();
    EXPECT_NE(text.find("key \"HKEY_LOCAL_MACHINE\" \"SOFTWARE\" \"Crustavia\" \"Test3D\"\n"),
              std::string::npos);
    EXPECT_NE(text.find("dword \"Version\" 2\n"), std::string::npos);
    EXPECT_NE(text.find("dword \"MinVidMemory\" 4294967295\n"), std::string::npos);
    EXPECT_NE(text.find("binary \"DisplayGUID\" 00112233445566778899aabbccddeeff\n"), std::string::npos);
    EXPECT_NE(
        text.find("sz \"Warning\" \"tab\\x09here \\\"quoted\\\" back\\\\slash \\x01\\xff nul:\\x00.\"\n"),
        std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 4), "end\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::path(mFile).parent_path()),
                            std::filesystem::directory_iterator()),
              1);

    PlatformTest::ReloadRegistry();
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\CRUSTAVIA\\test3d", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(Query(key, "version", &type), std::string("\x02\0\0\0", 4));
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    EXPECT_EQ(Query(key, "MinVidMemory"), std::string("\xff\xff\xff\xff", 4));
    EXPECT_EQ(Query(key, "Warning", &type), kOddString);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_EQ(Query(key, "FailureReason", &type), "");
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_EQ(Query(key, "DisplayGUID", &type), std::string(reinterpret_cast<const char*>(kGuid), 16));
    EXPECT_EQ(type, (DWORD)REG_BINARY);
    EXPECT_EQ(Query(key, "Multi", &type), std::string("a\0b\0", 5));
    EXPECT_EQ(type, (DWORD)REG_MULTI_SZ);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Crustavia\\Empty", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Crustavia", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "MusicVolume"), std::string("\x55\0\0\0", 4));
    RegCloseKey(key);
    // The other hive is separate.
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Crustavia", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
}

TEST_F(Registry, QueryReportsSizesAsWindowsDoes)
{
    HKEY key = Create("SOFTWARE\\Crustavia");
    ASSERT_EQ(RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcdef"), 6),
              ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, (DWORD)REG_SZ);

    char buffer[8] = "#######";
    size = 4;
    type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_STREQ(buffer, "#######");
    size = 6;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(buffer, 7), "abcdef#"); // stored without a terminator, returned the same
    size = sizeof(buffer);
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    // Overwritten with another type and size.
    ASSERT_EQ(SetDword(key, "NAME", 7), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Name", &type), std::string("\x07\0\0\0", 4));
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    RegCloseKey(key);
}

TEST_F(Registry, MissingValuesKeysAndWrongHandles)
{
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nothing", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_FALSE(std::filesystem::exists(mFile)); // reading writes nothing

    HKEY app = Create("SOFTWARE\\Crustavia\\Test3D");
    RegCloseKey(app);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Crustavia", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Missing"), "<missing>");
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    // A key opened for reading cannot be written.
    EXPECT_EQ(SetDword(key, "Muted", 1), ERROR_ACCESS_DENIED);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyExA(key, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(key, "Test3D", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr), ERROR_SUCCESS);
    RegCloseKey(sub);
    RegCloseKey(key);

    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Crustavia", 0, KEY_WRITE, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "Muted"), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(SetDword(key, "Muted", 1), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Muted"), "<missing>"); // KEY_WRITE does not allow reading
    EXPECT_EQ(RegDeleteValueA(key, "muted"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "Muted"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    // A key with sub-keys is not deleted; a deleted key's handles report it.
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Crustavia\\Test3D", 0, KEY_ALL_ACCESS, &sub),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Crustavia"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Crustavia\\Test3D"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Crustavia\\Test3D"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SetDword(sub, "Version", 2), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(sub), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(sub), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetDword(sub, "Version", 2), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);

    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\SOFTWARE", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\\\Crustavia", 0, KEY_READ, &key),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Crustavia\\", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);

    PlatformTest::FailCall("RegOpenKeyExA", 1);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

// A registry file of `chains` keys `depth` levels deep under different roots, with names of
// `nameLength` letters.
std::string DeepKeys(size_t depth, size_t nameLength, size_t chains)
{
    const char* roots[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_USERS"};
    std::string text = "registry 1\n";
    for (size_t c = 0; c < chains; c++)
    {
        text += std::string("key \"") + roots[c] + '"';
        for (size_t level = 1; level < depth; level++)
            text += " \"" + std::string(nameLength, 'a') + '"';
        text += '\n';
    }
    return text + "end\n";
}

TEST_F(Registry, DamagedFilesAreKeptAsideAndDefaultsUsed)
{
    const std::vector<std::string> damaged = {
        "",                                                           // empty
        "not a registry\n",                                           // no header
        "registry 1\nkey \"HKEY_LOCAL_MACHINE\" \"SOFTWARE\"\n",      // no end
        "registry 1\nkey \"HKEY_LOCAL_MACHINE\"\ndword \"X\" 1\nend", // last line cut
        "registry 1\nkey \"HKEY_NOWHERE\" \"A\"\nend\n",              // unknown root
        "registry 1\ndword \"X\" 1\nend\n",                           // value before any key
        "registry 1\nkey \"HKEY_LOCAL_MACHINE\"\ndword \"X\" 4294967296\nend\n",
        "registry 1\nkey \"HKEY_LOCAL_MACHINE\"\nsz \"X\" \"bad \\q escape\"\nend\n",
        "registry 1\nkey \"HKEY_LOCAL_MACHINE\"\nbinary \"X\" 0g\nend\n",
        "registry 1\nkey \"HKEY_LOCAL_MACHINE\"\nsz \"X\" \"open\nend\n",
        "registry 1\nend\nkey \"HKEY_LOCAL_MACHINE\" \"A\"\n", // text after the end
        std::string("registry 1\n\xff\xfe\x00garbage\nend\n", 24),
        DeepKeys(513, 1, 1),   // deeper than a hive goes
        DeepKeys(512, 250, 3), // a small file whose key lines would be written out past the largest file
    };
    for (const auto& text : damaged)
    {
        SCOPED_TRACE(testing::PrintToString(text.substr(0, 100)));
        std::filesystem::remove_all(std::filesystem::path(mFile).parent_path());
        WriteFile(text);
        PlatformTest::ReloadRegistry();
        testing::internal::CaptureStderr();
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
        std::string warning = testing::internal::GetCapturedStderr();
        EXPECT_NE(warning.find("damaged"), std::string::npos);
        auto aside = Aside();
        ASSERT_EQ(aside.size(), 1u);
        std::ifstream in(aside[0], std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), text);
        EXPECT_FALSE(std::filesystem::exists(mFile));
        // Writing starts a new file; the damaged one is not touched.
        key = Create("SOFTWARE\\Crustavia");
        EXPECT_EQ(SetDword(key, "Muted", 0), ERROR_SUCCESS);
        RegCloseKey(key);
        EXPECT_EQ(Aside().size(), 1u);
        EXPECT_NE(FileText().find("dword \"Muted\" 0\n"), std::string::npos);
    }
}

TEST_F(Registry, HalfWrittenFileIsNeverTakenForWhole)
{
    HKEY key = Create("SOFTWARE\\Crustavia");
    for (int i = 0; i < 10; i++)
        ASSERT_EQ(SetDword(key, ("Value" + std::to_string(i)).c_str(), (DWORD)i), ERROR_SUCCESS);
    RegCloseKey(key);
    const std::string whole = FileText();
    // Cut at every line end before the last, and in the middle of lines.
    std::vector<size_t> cuts;
    for (size_t at = whole.find('\n'); at + 1 < whole.size(); at = whole.find('\n', at + 1))
        cuts.push_back(at + 1);
    cuts.push_back(whole.size() / 2);
    cuts.push_back(whole.size() - 2);
    for (size_t cut : cuts)
    {
        SCOPED_TRACE(cut);
        std::filesystem::remove_all(std::filesystem::path(mFile).parent_path());
        WriteFile(whole.substr(0, cut));
        PlatformTest::ReloadRegistry();
        testing::internal::CaptureStderr();
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Crustavia", 0, KEY_READ, &key),
                  ERROR_FILE_NOT_FOUND);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(Aside().size(), 1u);
    }
    // The whole file reads back.
    std::filesystem::remove_all(std::filesystem::path(mFile).parent_path());
    WriteFile(whole);
    PlatformTest::ReloadRegistry();
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Crustavia", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Value9"), std::string("\x09\0\0\0", 4));
    RegCloseKey(key);
    EXPECT_TRUE(Aside().empty());
}

TEST_F(Registry, UnwritableLocationFailsWritesInsteadOfLosingThem)
{
    mTemp.Write("plain", "a file where a folder should be");
    UseFile(mTemp.Path() + "/plain/registry.txt");
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_NE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Crustavia", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_NE(SetDword(HKEY_LOCAL_MACHINE, "Muted", 1), ERROR_SUCCESS);
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
    EXPECT_EQ(mTemp.Read("plain"), "a file where a folder should be");

    // The warning names the folder that could not be made, not the write that failed after it.
    std::filesystem::create_directory_symlink(mTemp.Path() + "/nowhere/deeper", mTemp.Path() + "/linked");
    UseFile(mTemp.Path() + "/linked/registry.txt");
    testing::internal::CaptureStderr();
    EXPECT_EQ(SetDword(HKEY_LOCAL_MACHINE, "Muted", 1), ERROR_WRITE_FAULT);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "registry: cannot write " + mFile + " (cannot create " +
                                                          mTemp.Path() + "/linked: " + std::strerror(EEXIST) +
                                                          "); settings are kept for this run only\n");
}

// Every change saves the file: a place that cannot be written is reported once, with the reason
// of the step that failed (not of the clean-up after it), and the values stay readable.
TEST_F(Registry, UnwritableFileIsReportedOnceWithItsReason)
{
    HKEY key = Create("SOFTWARE\\Crustavia");
    // The new file cannot replace a folder that holds the file's name.
    std::filesystem::remove(mFile);
    std::filesystem::create_directories(mFile + "/kept");
    testing::internal::CaptureStderr();
    for (DWORD value = 1; value <= 3; value++)
        EXPECT_EQ(SetDword(key, "Muted", value), ERROR_WRITE_FAULT);
    EXPECT_EQ(RegCloseKey(key), ERROR_WRITE_FAULT); // tried once more, not reported again
    std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_EQ(warnings, "registry: cannot write " + mFile + " (" + std::strerror(EISDIR) +
                            "); settings are kept for this run only\n");
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Crustavia", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Muted"), std::string("\x03\0\0\0", 4));
    RegCloseKey(key);
    // Once writing works again, a later failure is reported again.
    std::filesystem::remove_all(mFile);
    key = Create("SOFTWARE\\Crustavia");
    EXPECT_EQ(SetDword(key, "Muted", 0), ERROR_SUCCESS);
    std::filesystem::remove(mFile);
    std::filesystem::create_directories(mFile + "/kept");
    testing::internal::CaptureStderr();
    EXPECT_EQ(SetDword(key, "Muted", 1), ERROR_WRITE_FAULT);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot write"), std::string::npos);
    std::filesystem::remove_all(mFile);
    RegCloseKey(key);
}

// A damaged line is named in the warning cut short and with its control bytes escaped.
TEST_F(Registry, DamagedLineIsShownShortAndPrintable)
{
    WriteFile("registry 1\n" + std::string(1 << 20, '\x1b') + "\nend\n");
    PlatformTest::ReloadRegistry();
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_LT(warning.size(), 300u + 2 * mFile.size());
    EXPECT_NE(warning.find("line 2: unknown line \"\\x1b\\x1b"), std::string::npos) << warning;
    EXPECT_NE(warning.find("\\x1b\"...)"), std::string::npos) << warning;
    // The file's own name is shown as it is: the temporary folder may have any name.
    for (size_t at; (at = warning.find(mFile)) != std::string::npos;)
        warning.erase(at, mFile.size());
    for (char c : warning)
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f));
}

TEST_F(Registry, WriteThatFailedIsSavedWhenTheKeyCloses)
{
    UseFile(mTemp.Path() + "/later/registry.txt");
    HKEY key = Create("SOFTWARE\\Crustavia");
    // The folder cannot be made again while a file holds its name.
    std::filesystem::remove_all(mTemp.Path() + "/later");
    mTemp.Write("later", "");
    testing::internal::CaptureStderr();
    EXPECT_EQ(SetDword(key, "Muted", 1), ERROR_WRITE_FAULT);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot write"), std::string::npos);
    std::filesystem::remove(mTemp.Path() + "/later");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_NE(FileText().find("dword \"Muted\" 1\n"), std::string::npos);
}

TEST_F(Registry, ConcurrentWritersLoseNothing)
{
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; t++)
        writers.emplace_back(
            [t]
            {
                for (int i = 0; i < 10; i++)
                {
                    HKEY key = nullptr;
                    std::string path = "SOFTWARE\\Crustavia\\T" + std::to_string(t);
                    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                              nullptr, &key, nullptr),
                              ERROR_SUCCESS);
                    ASSERT_EQ(SetDword(key, ("V" + std::to_string(i)).c_str(), (DWORD)(t * 100 + i)),
                              ERROR_SUCCESS);
                    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
                }
            });
    for (auto& w : writers)
        w.join();
    PlatformTest::ReloadRegistry();
    for (int t = 0; t < 4; t++)
    {
        HKEY key = nullptr;
        std::string path = "SOFTWARE\\Crustavia\\T" + std::to_string(t);
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
        for (int i = 0; i < 10; i++)
        {
            DWORD value = 0;
            std::string data = Query(key, ("V" + std::to_string(i)).c_str());
            ASSERT_EQ(data.size(), 4u);
            std::memcpy(&value, data.data(), 4);
            EXPECT_EQ(value, (DWORD)(t * 100 + i));
        }
        RegCloseKey(key);
    }
}

// Two programs sharing the file: each write keeps what the other saved since (values set or
// deleted, keys made), and writes made at the same time lose nothing.
TEST_F(Registry, AnotherProcessSavingTheSameFileLosesNothing)
{
    HKEY key = Create("SOFTWARE\\Crustavia");
    ASSERT_EQ(SetDword(key, "Mine", 1), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "Gone", 1), ERROR_SUCCESS);
    EXPECT_EXIT(
        {
            PlatformTest::ReloadRegistry();
            HKEY sub = nullptr;
            bool ok = SetDword(key, "Other", 2) == ERROR_SUCCESS &&
                      RegDeleteValueA(key, "Gone") == ERROR_SUCCESS &&
                      RegCreateKeyExA(key, "Test3D", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr) ==
                          ERROR_SUCCESS &&
                      SetDword(sub, "Version", 2) == ERROR_SUCCESS;
            std::exit(ok ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    ASSERT_EQ(SetDword(key, "Mine", 3), ERROR_SUCCESS);
    std::vector<pid_t> writers;
    for (int w = 0; w < 2; w++)
        if (pid_t pid = fork(); pid == 0)
        {
            for (int i = 0; i < 20; i++)
                SetDword(key, ("W" + std::to_string(w) + "-" + std::to_string(i)).c_str(), 1);
            _exit(0);
        }
        else
            writers.push_back(pid);
    for (pid_t pid : writers)
        waitpid(pid, nullptr, 0);
    PlatformTest::ReloadRegistry();
    EXPECT_EQ(Query(key, "Mine"), std::string("\x03\0\0\0", 4));
    EXPECT_EQ(Query(key, "Other"), std::string("\x02\0\0\0", 4));
    EXPECT_EQ(Query(key, "Gone"), "<missing>");
    HKEY sub = nullptr;
    ASSERT_EQ(RegOpenKeyExA(key, "Test3D", 0, KEY_READ, &sub), ERROR_SUCCESS);
    EXPECT_EQ(Query(sub, "Version"), std::string("\x02\0\0\0", 4));
    for (int w = 0; w < 2; w++)
        for (int i = 0; i < 20; i++)
            EXPECT_NE(Query(key, ("W" + std::to_string(w) + "-" + std::to_string(i)).c_str()), "<missing>");
    RegCloseKey(sub);
    RegCloseKey(key);
}

// A copy starting on a damaged file while another saves a whole one in its place: the starting
// copy reads in turn with the writer, so the file just saved is taken, not moved aside as damaged.
TEST_F(Registry, AFileSavedInPlaceOfADamagedOneIsNotMovedAside)
{
    WriteFile("damaged\n");
    const std::string folder = std::filesystem::path(mFile).parent_path();
    const int opens = inotify_init1(IN_CLOEXEC);
    inotify_add_watch(opens, mFile.c_str(), IN_OPEN);
    const int writer = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(flock(writer, LOCK_EX), 0); // the saving copy's turn
    std::thread starting(
        []
        {
            PlatformTest::ReloadRegistry();
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key) == ERROR_SUCCESS)
                RegCloseKey(key);
        });
    // Until it opens the damaged file, or waits for its turn (a waiter of this process in /proc/locks).
    const std::string waiter = "-> FLOCK  ADVISORY  WRITE " + std::to_string(getpid()) + " ";
    auto waits = [&]
    {
        std::ifstream locks("/proc/locks");
        for (std::string line; std::getline(locks, line);)
            if (line.find(waiter) != std::string::npos)
                return true;
        return false;
    };
    pollfd read{opens, POLLIN, 0};
    for (int tries = 0; tries < 1000 && poll(&read, 1, 10) == 0 && !waits(); tries++)
    {
    }
    close(opens);
    const std::string whole = "registry 1\nkey \"HKEY_LOCAL_MACHINE\" \"SOFTWARE\"\ndword \"Saved\" 7\nend\n";
    std::ofstream(mFile + ".new", std::ios::binary) << whole;
    std::filesystem::rename(mFile + ".new", mFile);
    close(writer);
    starting.join();
    EXPECT_TRUE(Aside().empty());
    EXPECT_EQ(FileText(), whole);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Saved"), std::string("\x07\0\0\0", 4));
    RegCloseKey(key);
}

TEST(RegistryLocation, FollowsTheEnvironment)
{
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    std::string saved = savedXdg != nullptr ? savedXdg : "";
    unsetenv("LUMO_REGISTRY_FILE");
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    PlatformTest::ReloadRegistry();
    // Named by no application: the program's own name.
    EXPECT_EQ(PlatformTest::RegistryFilePath(), "/somewhere/config/platform_tests/registry.txt");
    Platform::SetRegistryFolderName("Crustavia");
    EXPECT_EQ(PlatformTest::RegistryFilePath(), "/somewhere/config/crustavia/registry.txt");
    Platform::SetRegistryFolderName("Ovalnut\\My Game");
    EXPECT_EQ(PlatformTest::RegistryFilePath(), "/somewhere/config/ovalnut_my_game/registry.txt");
    Platform::SetRegistryFolderName("..");
    EXPECT_EQ(PlatformTest::RegistryFilePath(), "/somewhere/config/platform_tests/registry.txt");
    setenv("LUMO_REGISTRY_FILE", "/elsewhere/reg.txt", 1);
    PlatformTest::ReloadRegistry();
    EXPECT_EQ(PlatformTest::RegistryFilePath(), "/elsewhere/reg.txt");
    unsetenv("LUMO_REGISTRY_FILE");
    Platform::SetRegistryFolderName("");
    if (savedXdg != nullptr)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    PlatformTest::ReloadRegistry();
}

namespace
{
// Counts the replacements of the registry file (the atomic writer renames onto it). The temporary
// file's own event stands between two of the file's, which the kernel would otherwise fold into one.
class Replacements
{
public:
    explicit Replacements(const std::string& file) : mName(std::filesystem::path(file).filename())
    {
        mFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        inotify_add_watch(mFd, std::filesystem::path(file).parent_path().c_str(),
                          IN_MOVED_FROM | IN_MOVED_TO);
    }
    ~Replacements() { close(mFd); }
    int Take()
    {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t got; (got = read(mFd, buffer, sizeof(buffer))) > 0;)
            for (char* at = buffer; at < buffer + got;
                 at += sizeof(inotify_event) + ((inotify_event*)at)->len)
            {
                auto* event = reinterpret_cast<inotify_event*>(at);
                count += (event->mask & IN_MOVED_TO) != 0 && event->len > 0 && mName == event->name;
            }
        return count;
    }

private:
    std::string mName;
    int mFd = -1;
};
} // namespace

// A run of changes made in a batch costs one write of the file, at the batch's end or at a flush;
// a change to the value already there costs none. Until then the file holds the earlier values.
TEST_F(Registry, BatchedChangesAreWrittenOnceAndUnchangedOnesNotAtAll)
{
    HKEY key = Create("SOFTWARE\\Crustavia");
    ASSERT_EQ(SetDword(key, "Muted", 1), ERROR_SUCCESS);
    Replacements replacements(mFile);
    EXPECT_EQ(SetDword(key, "Muted", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(replacements.Take(), 0);
    {
        Platform::RegistryBatch batch;
        Platform::RegistryBatch nested;
        EXPECT_EQ(SetDword(key, "Muted", 0), ERROR_SUCCESS);
        EXPECT_EQ(SetDword(key, "MusicVolume", 85), ERROR_SUCCESS);
        RegCloseKey(Create("SOFTWARE\\Crustavia\\Test3D"));
        EXPECT_EQ(Query(key, "Muted"), std::string("\0\0\0\0", 4));
        EXPECT_EQ(replacements.Take(), 0);
        EXPECT_NE(FileText().find("dword \"Muted\" 1\n"), std::string::npos);
    }
    EXPECT_EQ(replacements.Take(), 1);
    EXPECT_NE(FileText().find("dword \"Muted\" 0\n"), std::string::npos);
    EXPECT_NE(FileText().find("\"Crustavia\" \"Test3D\"\n"), std::string::npos) << FileText();

    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    EXPECT_EQ(replacements.Take(), 0);
    {
        Platform::RegistryBatch batch;
        EXPECT_EQ(SetDword(key, "Muted", 2), ERROR_SUCCESS);
        EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
        EXPECT_EQ(replacements.Take(), 1);
        EXPECT_NE(FileText().find("dword \"Muted\" 2\n"), std::string::npos);
    }
    EXPECT_EQ(replacements.Take(), 0);
    RegCloseKey(key);
}

// A change still in memory reaches the file when the process exits; a process killed before that
// leaves the whole earlier file.
TEST_F(Registry, BatchedChangesReachTheFileAtExitAndAKillLeavesTheEarlierFile)
{
    HKEY key = Create("SOFTWARE\\Crustavia");
    ASSERT_EQ(SetDword(key, "Muted", 1), ERROR_SUCCESS);
    EXPECT_EXIT(
        {
            Platform::RegistryBatch batch;
            SetDword(key, "Muted", 2);
            std::raise(SIGKILL);
        },
        testing::KilledBySignal(SIGKILL), "");
    PlatformTest::ReloadRegistry();
    EXPECT_EQ(Query(key, "Muted"), std::string("\x01\0\0\0", 4));
    EXPECT_EXIT(
        {
            Platform::RegistryBatch batch;
            SetDword(key, "Muted", 3);
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
    PlatformTest::ReloadRegistry();
    EXPECT_EQ(Query(key, "Muted"), std::string("\x03\0\0\0", 4));
    // Written behind: the process's end waits for the write.
    EXPECT_EXIT(
        {
            {
                Platform::RegistryBatch batch(true);
                SetDword(key, "Muted", 4);
            }
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
    PlatformTest::ReloadRegistry();
    EXPECT_EQ(Query(key, "Muted"), std::string("\x04\0\0\0", 4));
    {
        Platform::RegistryBatch batch(true);
        SetDword(key, "Muted", 5);
    }
    Platform::FinishRegistryWrites();
    EXPECT_NE(FileText().find("dword \"Muted\" 5\n"), std::string::npos);
    RegCloseKey(key);
}
