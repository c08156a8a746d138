#include "app/Buffer.h"

#include <gtest/gtest.h>

using Lumo::Buffer;

static std::vector<unsigned char> Bytes(const Buffer& buffer)
{
    return std::vector<unsigned char>(buffer.GetDataPtr(), buffer.GetDataPtr() + buffer.GetDataLen());
}

TEST(Buffer, UnalignedByteAfterThreeBits)
{
    Buffer buffer;
    buffer.WriteNumBits(5, 3);
    buffer.WriteByte(0xFF);
    EXPECT_EQ(Bytes(buffer), (std::vector<unsigned char>{0xFD, 0x07}));
    EXPECT_EQ(buffer.mDataBitSize, 11);
    EXPECT_EQ(buffer.GetDataLen(), 2);
    EXPECT_EQ(buffer.ReadNumBits(3, false), 5);
    EXPECT_EQ(buffer.ReadByte(), 0xFF);
    EXPECT_TRUE(buffer.AtEnd());
    // Past the end: 0 and the read position stays.
    EXPECT_EQ(buffer.ReadByte(), 0);
    EXPECT_EQ(buffer.mReadBitPos, 11);
    EXPECT_EQ(buffer.ReadNumBits(8, false), 0);
    EXPECT_EQ(buffer.mReadBitPos, 16);
}

TEST(Buffer, SignExtension)
{
    Buffer buffer;
    buffer.WriteNumBits(7, 3);
    buffer.WriteNumBits(1, 3);
    buffer.WriteNumBits(-2, 32);
    EXPECT_EQ(buffer.ReadNumBits(3, true), -1);
    EXPECT_EQ(buffer.ReadNumBits(3, true), 1);
    EXPECT_EQ(buffer.ReadNumBits(32, true), -2);
    buffer.SeekFront();
    EXPECT_EQ(buffer.ReadNumBits(3, false), 7);
}

TEST(Buffer, ShortReadKeepsBitsAndExtendsFromLastBitRead)
{
    Buffer buffer;
    buffer.WriteNumBits(0xC0, 8); // bits 6 and 7 set
    buffer.ReadNumBits(6, false);
    // Only two bits are left in the byte vector: 1, 1.
    EXPECT_EQ(buffer.ReadNumBits(4, false), 3);
    EXPECT_EQ(buffer.mReadBitPos, 8);
    buffer.mReadBitPos = 6;
    EXPECT_EQ(buffer.ReadNumBits(4, true), static_cast<int>(0xFFFFFFF3u));
}

TEST(Buffer, NumbersAreLittleEndianAndUnaligned)
{
    Buffer buffer;
    buffer.WriteNumBits(1, 1);
    buffer.WriteShort(static_cast<short>(0x8234));
    buffer.WriteLong(0x12345678);
    buffer.WriteBoolean(true);
    buffer.WriteBoolean(false);
    EXPECT_EQ(buffer.mDataBitSize, 1 + 16 + 32 + 16);
    EXPECT_EQ(buffer.GetDataLen(), 9);
    std::vector<unsigned char> expected = {0x69, 0x04, 0xF1, 0xAC, 0x68, 0x24, 0x02, 0x00, 0x00};
    EXPECT_EQ(Bytes(buffer), expected);
    EXPECT_EQ(buffer.ReadNumBits(1, false), 1);
    EXPECT_EQ(buffer.ReadShort(), static_cast<short>(0x8234));
    EXPECT_EQ(buffer.ReadLong(), 0x12345678);
    EXPECT_TRUE(buffer.ReadBoolean());
    EXPECT_FALSE(buffer.ReadBoolean());
    EXPECT_TRUE(buffer.AtEnd());
}

TEST(Buffer, Strings)
{
    Buffer buffer;
    buffer.WriteString("");
    EXPECT_EQ(buffer.mDataBitSize, 16);
    EXPECT_EQ(Bytes(buffer), (std::vector<unsigned char>{0, 0}));
    buffer.WriteNumBits(0, 5);
    buffer.WriteString("Crust\xE9");
    EXPECT_EQ(buffer.ReadString(), "");
    buffer.ReadNumBits(5, false);
    EXPECT_EQ(buffer.ReadString(), "Crust\xE9");
    EXPECT_TRUE(buffer.AtEnd());

    Buffer longest;
    std::string text(32767, 'q');
    longest.WriteString(text);
    EXPECT_EQ(longest.ReadString(), text);

    // A 16-bit length: 32768 bytes read back as a negative length, hence empty.
    Buffer tooLong;
    tooLong.WriteString(std::string(32768, 'q'));
    EXPECT_EQ(tooLong.GetDataLen(), 2 + 32768);
    EXPECT_EQ(tooLong.ReadString(), "");
}

TEST(Buffer, StreamsOf256MiBAndMoreKeepCounting)
{
    // 2^28 bytes hold 2^31 bits, one more than an int counts: write and read across that point.
    const size_t bytes = size_t(1) << 28;
    Buffer buffer;
    buffer.mData.assign(bytes, 0);
    buffer.mWriteBitPos = buffer.mDataBitSize = int64_t(bytes) * 8 - 3;
    buffer.WriteNumBits(5, 3);
    buffer.WriteByte(0xA5);
    buffer.WriteNumBits(1, 1);
    EXPECT_EQ(buffer.mDataBitSize, int64_t(bytes) * 8 + 9);
    EXPECT_EQ(buffer.GetDataLen(), int(bytes) + 2);
    EXPECT_EQ(buffer.mData[bytes - 1], 0xA0);
    buffer.mReadBitPos = int64_t(bytes) * 8 - 3;
    EXPECT_EQ(buffer.ReadNumBits(3, false), 5);
    EXPECT_FALSE(buffer.AtEnd());
    EXPECT_EQ(buffer.ReadByte(), 0xA5);
    EXPECT_EQ(buffer.ReadNumBits(1, true), -1);
    EXPECT_TRUE(buffer.AtEnd());
}

TEST(Buffer, OneLargeWriteTakesItsOwnRoomAndSmallOnesGrowItByDoubling)
{
    const std::vector<unsigned char> block(1000000, 0x5A);
    Buffer buffer;
    buffer.WriteBytes(block.data(), int(block.size()));
    EXPECT_LE(buffer.mData.capacity(), block.size() + 1);
    EXPECT_EQ(buffer.mData, block);

    // 50000 four-byte writes move the bytes some twenty times, not once per write.
    Buffer small;
    int moves = 0;
    for (int i = 0; i < 50000; i++)
    {
        const unsigned char* before = small.GetDataPtr();
        small.WriteBytes(block.data(), 4);
        moves += small.GetDataPtr() != before;
    }
    EXPECT_LE(moves, 25);
}

TEST(Buffer, BytesAndEmptyState)
{
    Buffer buffer;
    EXPECT_EQ(buffer.GetDataPtr(), nullptr);
    EXPECT_EQ(buffer.ReadByte(), 0);
    EXPECT_EQ(buffer.mReadBitPos, 0);
    EXPECT_TRUE(buffer.AtEnd());

    const unsigned char data[3] = {0xA1, 0x00, 0x7E};
    buffer.WriteNumBits(1, 2);
    buffer.WriteBytes(data, 3);
    unsigned char back[3] = {};
    EXPECT_EQ(buffer.ReadNumBits(2, false), 1);
    buffer.ReadBytes(back, 3);
    EXPECT_EQ(std::vector<unsigned char>(back, back + 3), std::vector<unsigned char>(data, data + 3));

    buffer.Clear();
    EXPECT_EQ(buffer.GetDataPtr(), nullptr);
    EXPECT_EQ(buffer.GetDataLen(), 0);
    EXPECT_EQ(buffer.mReadBitPos, 0);
    EXPECT_EQ(buffer.mWriteBitPos, 0);

    buffer.WriteNumBits(0x1FF, 9);
    EXPECT_EQ(buffer.GetDataLen(), 2);
    EXPECT_EQ(buffer.mData.size(), 2u);
}
