// Version blocks. Only the executable has one; its layout is private to this file:
// a tag, the block's size, then pairs of null-terminated query path and value.
#include "win32/version.h"

#include "win32/kernel32.h"

#include <cstring>
#include <mutex>
#include <sys/stat.h>

namespace
{
const char kTag[4] = {'L', 'V', 'E', 'R'};
const char kProductVersion[] = "\\StringFileInfo\\040904B0\\ProductVersion";
const char kTranslation[] = "\\VarFileInfo\\Translation";
// English (United States), Unicode: the language and code page of the strings above.
const BYTE kTranslationValue[4] = {0x09, 0x04, 0xB0, 0x04};

std::mutex gMutex;
std::string gProductVersion;

bool IsExecutable(LPCSTR fileName)
{
    struct stat file, exe;
    return fileName != nullptr && stat(Platform::HostPath(fileName).c_str(), &file) == 0 &&
           stat("/proc/self/exe", &exe) == 0 && file.st_dev == exe.st_dev && file.st_ino == exe.st_ino;
}

// Values start on 4-byte boundaries, as they do in Windows' blocks, so that callers may
// read them as WORDs and DWORDs in place.
size_t Aligned(size_t offset)
{
    return (offset + 3) & ~(size_t)3;
}

void AppendEntry(std::string& block, const char* path, const void* value, size_t size)
{
    block.append(path, std::strlen(path) + 1);
    block.resize(Aligned(block.size()), '\0');
    DWORD length = (DWORD)size;
    block.append(reinterpret_cast<const char*>(&length), sizeof(length));
    block.append(static_cast<const char*>(value), size);
    block.resize(Aligned(block.size()), '\0');
}

// The executable's block, or empty (with the last error set) for any other file.
std::string BlockFor(LPCSTR fileName)
{
    struct stat info;
    if (fileName == nullptr || stat(Platform::HostPath(fileName).c_str(), &info) != 0)
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return {};
    }
    std::string version;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        version = gProductVersion;
    }
    if (!IsExecutable(fileName) || version.empty())
    {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return {};
    }
    std::string block(kTag, sizeof(kTag));
    block.append(sizeof(DWORD), '\0');
    AppendEntry(block, kProductVersion, version.c_str(), version.size() + 1);
    AppendEntry(block, kTranslation, kTranslationValue, sizeof(kTranslationValue));
    DWORD size = (DWORD)block.size();
    std::memcpy(&block[sizeof(kTag)], &size, sizeof(size));
    return block;
}
} // namespace

DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle)
{
    if (handle != nullptr)
        *handle = 0;
    return (DWORD)BlockFor(fileName).size();
}

BOOL WINAPI GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD size, LPVOID data)
{
    std::string block = BlockFor(fileName);
    if (block.empty())
        return FALSE;
    if (data == nullptr || size < block.size())
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(data, block.data(), block.size());
    return TRUE;
}

BOOL WINAPI VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length)
{
    const char* bytes = static_cast<const char*>(block);
    DWORD size = 0;
    if (bytes == nullptr || subBlock == nullptr || buffer == nullptr ||
        std::memcmp(bytes, kTag, sizeof(kTag)) != 0)
        return FALSE;
    std::memcpy(&size, bytes + sizeof(kTag), sizeof(size));
    size_t at = sizeof(kTag) + sizeof(size);
    while (at < size)
    {
        const char* path = bytes + at;
        size_t pathLength = strnlen(path, size - at);
        at = Aligned(at + pathLength + 1);
        if (at + sizeof(DWORD) > size)
            return FALSE;
        DWORD valueSize;
        std::memcpy(&valueSize, bytes + at, sizeof(valueSize));
        at += sizeof(valueSize);
        if (valueSize > size - at)
            return FALSE;
        if (_stricmp(path, subBlock) == 0)
        {
            *buffer = const_cast<char*>(bytes + at);
            if (length != nullptr)
                *length = valueSize;
            return TRUE;
        }
        at = Aligned(at + valueSize);
    }
    return FALSE;
}

namespace Platform
{
void SetProductVersion(const std::string& version)
{
    std::lock_guard<std::mutex> lock(gMutex);
    gProductVersion = version;
}
} // namespace Platform
