// A scratch folder for harnesses whose readers take file names.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

class FuzzFolder
{
public:
    FuzzFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "lumo_fuzz_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        mPath = pattern;
    }
    ~FuzzFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }
    std::string operator/(const std::string& name) const { return mPath + "/" + name; }

    static void Write(const std::string& path, const uint8_t* data, size_t size)
    {
        // A new file each time: closing a truncated one makes ext4 write it out at once.
        std::remove(path.c_str());
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file)
            std::abort();
        if (size > 0)
            std::fwrite(data, 1, size, file);
        std::fclose(file);
    }

private:
    std::string mPath;
};

// Writes the input to `name` in a scratch folder kept for the whole run, then runs `read` on its path.
template <typename Read> void ReadThroughFile(const char* name, const uint8_t* data, size_t size, Read read)
{
    static FuzzFolder folder;
    const std::string path = folder / name;
    FuzzFolder::Write(path, data, size);
    read(path);
}
