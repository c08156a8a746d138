#include "media/SoundFileReader.h"
#include "win32/kernel32.h"

namespace Lumo
{

SoundFileReader::SoundFileReader(const std::string& fileName)
{
    mFile = std::fopen(Platform::HostPath(fileName.c_str()).c_str(), "rb");
    if (!mFile)
        return;
    if (std::fseek(mFile, 0, SEEK_END) == 0)
    {
        long size = std::ftell(mFile);
        mSize = size > 0 ? uint64_t(size) : 0;
    }
    std::rewind(mFile);
}

SoundFileReader::~SoundFileReader()
{
    if (mFile)
        std::fclose(mFile);
}

FILE* SoundFileReader::Detach()
{
    FILE* file = mFile;
    mFile = nullptr;
    return file;
}

bool SoundFileReader::Read(void* bytes, size_t count)
{
    return mFile && std::fread(bytes, 1, count, mFile) == count;
}

bool SoundFileReader::Tag(const char* expected)
{
    char tag[4];
    return Read(tag, 4) && tag[0] == expected[0] && tag[1] == expected[1] && tag[2] == expected[2] &&
           tag[3] == expected[3];
}

bool SoundFileReader::U16LE(uint16_t& value)
{
    uint8_t b[2];
    if (!Read(b, 2))
        return false;
    value = uint16_t(b[0] | b[1] << 8);
    return true;
}

bool SoundFileReader::U32LE(uint32_t& value)
{
    uint8_t b[4];
    if (!Read(b, 4))
        return false;
    value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

bool SoundFileReader::U32BE(uint32_t& value)
{
    uint8_t b[4];
    if (!Read(b, 4))
        return false;
    value = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
    return true;
}

bool SoundFileReader::Seek(uint64_t position)
{
    if (!mFile || position > mSize)
        return false;
    return std::fseek(mFile, long(position), SEEK_SET) == 0;
}

uint64_t SoundFileReader::Position() const
{
    long position = mFile ? std::ftell(mFile) : -1;
    return position > 0 ? uint64_t(position) : 0;
}

uint64_t SoundFileReader::Remaining() const
{
    uint64_t position = Position();
    return position < mSize ? mSize - position : 0;
}

} // namespace Lumo
