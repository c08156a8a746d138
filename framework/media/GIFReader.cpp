// GIF 87a/89a: the first image of the file, with our own LZW decoder.
#include "media/ImageFileIO.h"
#include "media/ImageLib.h"

#include <algorithm>
#include <cstring>

namespace ImageLib
{
namespace
{
constexpr int kMaxCodes = 4096;
constexpr int kMaxCodeBits = 12;
// Indices without a colour table entry.
constexpr uint32_t kNoColor = 0xFF000000;
constexpr uint8_t kExtension = '!';
constexpr uint8_t kImage = ',';
constexpr uint8_t kTrailer = ';';
constexpr int kGraphicControl = 0xF9;

bool ReadBytes(FILE* file, uint8_t* buffer, size_t count)
{
    return std::fread(buffer, 1, count, file) == count;
}

unsigned U16(const uint8_t* bytes)
{
    return bytes[0] | (bytes[1] << 8);
}

// Fills the first 1 << (1 + sizeBits) entries; the others keep their colour.
bool ReadColorTable(FILE* file, int sizeBits, uint32_t* table)
{
    int count = 1 << (1 + sizeBits);
    uint8_t rgb[3 * 256];
    if (!ReadBytes(file, rgb, 3 * count))
        return false;
    for (int i = 0; i < count; i++)
        table[i] = 0xFF000000 | rgb[3 * i] << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
    return true;
}

// Sub-blocks up to the terminator; false when the file ends first.
bool SkipDataBlocks(FILE* file)
{
    uint8_t block[256];
    while (GIFGetDataBlock(file, block) > 0)
    {
    }
    return !std::feof(file);
}

// LZW codes, least significant bit first, across the data sub-blocks.
class CodeReader
{
public:
    explicit CodeReader(FILE* file) : mFile(file) {}

    // The next code of `size` bits, or -1 when the sub-blocks end.
    int Read(int size)
    {
        while (mBitCount < size)
        {
            if (mPos == mSize)
            {
                mSize = mEnded ? 0 : GIFGetDataBlock(mFile, mBlock);
                mPos = 0;
                if (mSize == 0)
                {
                    mEnded = true;
                    return -1;
                }
            }
            mBits |= static_cast<uint32_t>(mBlock[mPos++]) << mBitCount;
            mBitCount += 8;
        }
        int code = static_cast<int>(mBits & ((1u << size) - 1));
        mBits >>= size;
        mBitCount -= size;
        return code;
    }

private:
    FILE* mFile;
    uint8_t mBlock[256];
    int mSize = 0;
    int mPos = 0;
    uint32_t mBits = 0;
    int mBitCount = 0;
    bool mEnded = false;
};

// Places colour indices in the image's row order; ignores whatever comes after the last pixel.
class PixelSink
{
public:
    PixelSink(Image* image, const uint32_t* table, int transparent, bool interlaced)
        : mImage(image), mTable(table), mTransparent(transparent), mInterlaced(interlaced)
    {
    }

    bool Full() const { return mFull; }

    void Put(uint8_t index)
    {
        if (mFull)
            return;
        mImage->mBits[static_cast<size_t>(mRow) * mImage->mWidth + mX] =
            index == mTransparent ? 0 : mTable[index];
        if (++mX < mImage->mWidth)
            return;
        mX = 0;
        NextRow();
    }

private:
    void NextRow()
    {
        static constexpr int kStart[] = {0, 4, 2, 1};
        static constexpr int kStep[] = {8, 8, 4, 2};
        if (!mInterlaced)
        {
            mFull = ++mRow >= mImage->mHeight;
            return;
        }
        mRow += kStep[mPass];
        // A pass that would start below the last row has no rows.
        while (mRow >= mImage->mHeight)
        {
            if (++mPass == 4)
            {
                mFull = true;
                return;
            }
            mRow = kStart[mPass];
        }
    }

    Image* mImage;
    const uint32_t* mTable;
    int mTransparent;
    bool mInterlaced;
    int mX = 0;
    int mRow = 0;
    int mPass = 0;
    bool mFull = false;
};

// False when the data are malformed or cannot be read; data that stop early, the
// file ending among them included, leave the remaining pixels at 0.
bool DecodeLZW(FILE* file, PixelSink& sink)
{
    int minCodeSize = std::fgetc(file);
    if (minCodeSize == EOF)
        return !std::ferror(file);
    if (minCodeSize < 2 || minCodeSize > 8)
        return false;
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;

    uint16_t prefix[kMaxCodes];
    uint8_t suffix[kMaxCodes];
    uint8_t stack[kMaxCodes + 1];
    for (int i = 0; i < clear; i++)
        suffix[i] = static_cast<uint8_t>(i);

    CodeReader reader(file);
    int codeSize = minCodeSize + 1;
    int next = clear + 2;
    int previous = -1;
    uint8_t first = 0;
    while (!sink.Full())
    {
        int code = reader.Read(codeSize);
        if (code < 0)
            break;
        if (code == clear)
        {
            codeSize = minCodeSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end || code > next)
            break;
        if (previous < 0)
        {
            // Only a root code can start a string.
            if (code >= clear)
                break;
            first = static_cast<uint8_t>(code);
            sink.Put(first);
            previous = code;
            continue;
        }

        // Each entry's prefix is an older code, so the walk ends within the table size.
        int top = 0;
        int walk = code;
        if (code == next)
        {
            stack[top++] = first;
            walk = previous;
        }
        while (walk >= clear && top < kMaxCodes)
        {
            stack[top++] = suffix[walk];
            walk = prefix[walk];
        }
        first = static_cast<uint8_t>(walk);
        stack[top++] = first;
        while (top > 0)
            sink.Put(stack[--top]);

        // A full table stays as it is: encoders go on with 12-bit codes until they clear it.
        if (next < kMaxCodes)
        {
            prefix[next] = static_cast<uint16_t>(previous);
            suffix[next] = first;
            next++;
            if (next == 1 << codeSize && codeSize < kMaxCodeBits)
                codeSize++;
        }
        previous = code;
    }
    return !std::ferror(file);
}

// Reads one extension after its introducer; a graphic control block may set the
// transparent index. False when the file ends inside it.
bool ReadExtension(FILE* file, int& transparent)
{
    int label = std::fgetc(file);
    if (label == EOF)
        return false;
    if (label == kGraphicControl)
    {
        uint8_t block[256];
        int count = GIFGetDataBlock(file, block);
        if (count >= 4 && (block[0] & 1))
            transparent = block[3];
        if (count == 0)
            return !std::feof(file);
    }
    return SkipDataBlocks(file);
}

Image* ReadGIF(FILE* file)
{
    uint8_t signature[6];
    if (!ReadBytes(file, signature, sizeof signature) ||
        (std::memcmp(signature, "GIF87", 5) != 0 && std::memcmp(signature, "GIF89", 5) != 0))
        return nullptr;

    uint8_t screen[7];
    if (!ReadBytes(file, screen, sizeof screen))
        return nullptr;
    uint32_t globalTable[256];
    std::fill(globalTable, globalTable + 256, kNoColor);
    if ((screen[4] & 0x80) && !ReadColorTable(file, screen[4] & 7, globalTable))
        return nullptr;

    int transparent = -1;
    for (;;)
    {
        int introducer = std::fgetc(file);
        if (introducer == EOF || introducer == kTrailer)
            return nullptr;
        if (introducer == kImage)
            break;
        if (introducer != kExtension)
            continue;
        if (!ReadExtension(file, transparent))
            return nullptr;
    }

    uint8_t descriptor[9];
    if (!ReadBytes(file, descriptor, sizeof descriptor))
        return nullptr;
    unsigned width = U16(descriptor + 4);
    unsigned height = U16(descriptor + 6);
    uint8_t flags = descriptor[8];
    if (!ImageSizeAllowed(width, height))
        return nullptr;
    uint32_t localTable[256];
    const uint32_t* table = globalTable;
    if (flags & 0x80)
    {
        std::fill(localTable, localTable + 256, kNoColor);
        if (!ReadColorTable(file, flags & 7, localTable))
            return nullptr;
        table = localTable;
    }

    Image* image = NewImage(width, height);
    if (!image)
        return nullptr;
    PixelSink sink(image, table, transparent, (flags & 0x40) != 0);
    if (!DecodeLZW(file, sink))
    {
        delete image;
        return nullptr;
    }
    return image;
}
} // namespace

int GIFGetDataBlock(FILE* file, uint8_t* buffer)
{
    int count = std::fgetc(file);
    if (count == EOF || count == 0)
        return 0;
    if (!ReadBytes(file, buffer, static_cast<size_t>(count)))
        return 0;
    return count;
}

Image* GetGIFImage(const std::string& fileName)
{
    return ReadImageFile(fileName, ReadGIF);
}
} // namespace ImageLib
