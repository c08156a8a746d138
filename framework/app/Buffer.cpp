#include "app/Buffer.h"

#include <algorithm>

namespace Lumo
{

void Buffer::AdvanceWrite(int64_t bits)
{
    mWriteBitPos += bits;
    if (mWriteBitPos > mDataBitSize)
        mDataBitSize = mWriteBitPos;
}

void Buffer::WriteByte(unsigned char value)
{
    int shift = int(mWriteBitPos % 8);
    if (shift == 0)
    {
        mData.push_back(value);
    }
    else
    {
        mData.back() = static_cast<unsigned char>(mData.back() | (value << shift));
        mData.push_back(static_cast<unsigned char>(value >> (8 - shift)));
    }
    AdvanceWrite(8);
}

void Buffer::WriteNumBits(int value, int numBits)
{
    unsigned bits = static_cast<unsigned>(value);
    for (int i = 0; i < numBits && i < 32; i++)
    {
        if (mWriteBitPos % 8 == 0)
            mData.push_back(0);
        if ((bits >> i) & 1)
            mData[size_t(mWriteBitPos / 8)] |= static_cast<unsigned char>(1 << (mWriteBitPos % 8));
        AdvanceWrite(1);
    }
}

void Buffer::WriteBoolean(bool value)
{
    WriteByte(value ? 1 : 0);
}

void Buffer::WriteShort(short value)
{
    unsigned bits = static_cast<unsigned short>(value);
    WriteByte(static_cast<unsigned char>(bits));
    WriteByte(static_cast<unsigned char>(bits >> 8));
}

void Buffer::WriteLong(int value)
{
    unsigned bits = static_cast<unsigned>(value);
    for (int i = 0; i < 4; i++)
        WriteByte(static_cast<unsigned char>(bits >> (8 * i)));
}

void Buffer::WriteString(const std::string& value)
{
    // The length field is 16 bits: strings of 32768 bytes or more do not read back.
    WriteShort(static_cast<short>(value.size()));
    for (char c : value)
        WriteByte(static_cast<unsigned char>(c));
}

void Buffer::WriteBytes(const unsigned char* data, int count)
{
    // Room for all of it at once: a demo's whole event stream grown a byte at a time passed
    // through a copy of half its size. Small writes still grow the room by doubling.
    const size_t needed = mData.size() + size_t(std::max(count, 0)) + 1;
    if (needed > mData.capacity())
        mData.reserve(std::max(needed, 2 * mData.capacity()));
    for (int i = 0; i < count; i++)
        WriteByte(data[i]);
}

unsigned char Buffer::ReadByte()
{
    // Reading needs the byte after the one the read position is in when it is not aligned.
    if ((mReadBitPos + 7) / 8 >= static_cast<int64_t>(mData.size()))
        return 0;
    int shift = int(mReadBitPos % 8);
    size_t index = size_t(mReadBitPos / 8);
    unsigned value = mData[index];
    if (shift != 0)
        value = (value >> shift) | (static_cast<unsigned>(mData[index + 1]) << (8 - shift));
    mReadBitPos += 8;
    return static_cast<unsigned char>(value);
}

int Buffer::ReadNumBits(int numBits, bool isSigned)
{
    unsigned value = 0;
    bool lastBit = false;
    const int64_t byteCount = static_cast<int64_t>(mData.size());
    for (int i = 0; i < numBits && i < 32 && mReadBitPos / 8 < byteCount; i++)
    {
        lastBit = (mData[size_t(mReadBitPos / 8)] >> (mReadBitPos % 8)) & 1;
        if (lastBit)
            value |= 1u << i;
        mReadBitPos++;
    }
    if (isSigned && lastBit)
    {
        for (int i = numBits; i < 32; i++)
            value |= 1u << i;
    }
    return static_cast<int>(value);
}

bool Buffer::ReadBoolean()
{
    return ReadByte() != 0;
}

short Buffer::ReadShort()
{
    unsigned low = ReadByte();
    unsigned high = ReadByte();
    return static_cast<short>(low | (high << 8));
}

int Buffer::ReadLong()
{
    unsigned value = 0;
    for (int i = 0; i < 4; i++)
        value |= static_cast<unsigned>(ReadByte()) << (8 * i);
    return static_cast<int>(value);
}

std::string Buffer::ReadString()
{
    int length = ReadShort();
    std::string value;
    if (length <= 0)
        return value;
    value.reserve(length);
    for (int i = 0; i < length; i++)
        value += static_cast<char>(ReadByte());
    return value;
}

void Buffer::ReadBytes(unsigned char* dest, int count)
{
    for (int i = 0; i < count; i++)
        dest[i] = ReadByte();
}

void Buffer::Clear()
{
    mData.clear();
    mReadBitPos = 0;
    mWriteBitPos = 0;
    mDataBitSize = 0;
}

void Buffer::SeekFront()
{
    mReadBitPos = 0;
}

const unsigned char* Buffer::GetDataPtr() const
{
    return mData.empty() ? nullptr : mData.data();
}

int Buffer::GetDataLen() const
{
    return static_cast<int>((mDataBitSize + 7) / 8);
}

bool Buffer::AtEnd() const
{
    return mReadBitPos >= mDataBitSize;
}

} // namespace Lumo
