// A growable byte array written and read bit by bit: least significant bit
// first, multi-byte numbers little-endian, nothing aligned to byte boundaries.
// The demo stream and its records are stored in this form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Lumo
{

class Buffer
{
public:
    std::vector<unsigned char> mData;
    // Counted in 64 bits: a stream of 256 MiB or more holds more bits than an int counts.
    int64_t mDataBitSize = 0;
    int64_t mReadBitPos = 0;
    int64_t mWriteBitPos = 0;

    Buffer() = default;
    virtual ~Buffer() = default;

    void WriteByte(unsigned char value);
    void WriteNumBits(int value, int numBits);
    void WriteBoolean(bool value);
    void WriteShort(short value);
    void WriteLong(int value);
    void WriteString(const std::string& value);
    void WriteBytes(const unsigned char* data, int count);

    unsigned char ReadByte();
    int ReadNumBits(int numBits, bool isSigned);
    bool ReadBoolean();
    short ReadShort();
    int ReadLong();
    std::string ReadString();
    void ReadBytes(unsigned char* dest, int count);

    void Clear();
    void SeekFront();
    const unsigned char* GetDataPtr() const;
    int GetDataLen() const;
    bool AtEnd() const;

private:
    void AdvanceWrite(int64_t bits);
};

} // namespace Lumo
