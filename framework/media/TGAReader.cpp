// Uncompressed 32-bit TGA with the origin at the top left: the form the game's pictures use.
#include "media/ImageFileIO.h"
#include "media/ImageLib.h"

#include <bit>

namespace ImageLib
{
static_assert(std::endian::native == std::endian::little, "pixels are read as little-endian words");

namespace
{
constexpr size_t kHeaderSize = 18;
constexpr int kPixelDepth = 32;
constexpr int kTopLeftWithAlpha = 0x28;

unsigned U16(const uint8_t* bytes)
{
    return bytes[0] | (bytes[1] << 8);
}

// Bytes left from the current position to the end of the file.
long RemainingBytes(FILE* file)
{
    long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    long end = std::ftell(file);
    if (end < 0 || std::fseek(file, here, SEEK_SET) != 0)
        return -1;
    return end - here;
}

Image* ReadTGA(FILE* file)
{
    uint8_t header[kHeaderSize];
    if (std::fread(header, 1, kHeaderSize, file) != kHeaderSize)
        return nullptr;
    unsigned idLength = header[0];
    unsigned colorMapType = header[1];
    unsigned colorMapLength = U16(header + 5);
    unsigned colorMapEntryBits = header[7];
    unsigned width = U16(header + 12);
    unsigned height = U16(header + 14);
    if (header[16] != kPixelDepth || header[17] != kTopLeftWithAlpha)
        return nullptr;

    // The image ID and any colour map sit between the header and the pixels.
    long skip = idLength;
    if (colorMapType != 0)
        skip += static_cast<long>(colorMapLength) * ((colorMapEntryBits + 7) / 8);
    if (skip > 0 && std::fseek(file, skip, SEEK_CUR) != 0)
        return nullptr;

    if (!ImageSizeAllowed(width, height))
        return nullptr;
    size_t count = static_cast<size_t>(width) * height;
    long remaining = RemainingBytes(file);
    if (remaining < 0 || static_cast<unsigned long>(remaining) < count * 4)
        return nullptr;

    Image* image = NewImage(width, height);
    if (!image)
        return nullptr;
    if (std::fread(image->mBits, 4, count, file) != count)
    {
        delete image;
        return nullptr;
    }
    return image;
}
} // namespace

Image* GetTGAImage(const std::string& fileName)
{
    return ReadImageFile(fileName, ReadTGA);
}
} // namespace ImageLib
