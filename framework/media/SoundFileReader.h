// Reading a sound file: numbers in either byte order, and how many bytes remain, so that sizes
// a file states are checked against what it holds before anything is allocated.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace Lumo
{

class SoundFileReader
{
public:
    explicit SoundFileReader(const std::string& fileName); // "\" separators allowed
    ~SoundFileReader();
    SoundFileReader(const SoundFileReader&) = delete;
    SoundFileReader& operator=(const SoundFileReader&) = delete;

    bool IsOpen() const { return mFile != nullptr; }
    // Hands the open file over (to a decoder that closes it itself).
    FILE* Detach();

    bool Read(void* bytes, size_t count);
    bool Tag(const char* expected); // 4 bytes equal to `expected`
    bool U16LE(uint16_t& value);
    bool U32LE(uint32_t& value);
    bool U32BE(uint32_t& value);
    bool Seek(uint64_t position); // false past the end of the file
    uint64_t Position() const;
    uint64_t Remaining() const;

private:
    FILE* mFile = nullptr;
    uint64_t mSize = 0;
};

} // namespace Lumo
