#include "app/Common.h"

#include "win32/windows.h"

#include <cstring>

namespace Lumo
{

std::string GetProgramPath()
{
    // A path cut short names another folder: the buffer grows until the whole path fits.
    std::string path(256, '\0');
    for (;;)
    {
        DWORD length = GetModuleFileNameA(nullptr, path.data(), DWORD(path.size()));
        if (length < path.size())
            return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

void MkDir(const std::string& path)
{
    for (size_t slash = path.find('\\'); slash != std::string::npos; slash = path.find('\\', slash + 1))
        _mkdir(path.substr(0, slash).c_str());
    _mkdir(path.c_str());
}

int64_t GetFileDate(const std::string& path)
{
    WIN32_FIND_DATAA findData;
    HANDLE find = FindFirstFileA(path.c_str(), &findData);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(find);
    const FILETIME& time = findData.ftLastWriteTime;
    // 100-nanosecond steps since 1601-01-01 -> seconds since 1970-01-01.
    int64_t ticks =
        static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    return (ticks - 116444736000000000LL) / 10000000;
}

bool DeleteTree(const std::string& path)
{
    if (path.size() < 2)
        return false;
    // A linked folder goes as a link, this one too: what it points at is not part of the tree.
    const std::string self = RemoveTrailingSlash(path);
    DWORD attributes = GetFileAttributesA(self.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return _rmdir(self.c_str()) == 0;
    std::string dir = path;
    if (dir.back() != '\\' && dir.back() != '/')
        dir += '\\';

    WIN32_FIND_DATAA findData;
    HANDLE find = FindFirstFileA((dir + "*.*").c_str(), &findData);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    bool result = true;
    do
    {
        const char* name = findData.cFileName;
        std::string entry = dir + name;
        if (findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        {
            if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 && !DeleteTree(entry))
                result = false;
        }
        else if (!DeleteFileA(entry.c_str()))
        {
            result = false;
        }
    } while (FindNextFileA(find, &findData));
    FindClose(find);

    if (_rmdir(path.c_str()) != 0)
        result = false;
    return result;
}

} // namespace Lumo
