// Picture files: the decoded picture and the readers and writers of TGA, GIF,
// PNG and JPEG files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct jpeg_common_struct;

namespace ImageLib
{
// A decoded picture: width x height pixels 0xAARRGGBB, rows top-down, no padding.
// The pixel array is owned (allocated with new[]).
class Image
{
public:
    Image() = default;
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    int GetWidth() const { return mWidth; }
    int GetHeight() const { return mHeight; }
    uint32_t* GetBits() const { return mBits; }

    int mWidth = 0;
    int mHeight = 0;
    uint32_t* mBits = nullptr;
};

// Colour of a picture made from an alpha picture alone (its alpha byte is replaced).
extern uint32_t gAlphaComposeColor;

// Loads by extension, or tries every reader when the name has none; with
// lookForAlphaImage, merges the alpha of "_name" or "name_" when one exists. Null when no file
// gives a picture; std::bad_alloc when memory ran out on the way, from every reader.
Image* GetImage(const std::string& fileName, bool lookForAlphaImage);

Image* GetTGAImage(const std::string& fileName);
Image* GetGIFImage(const std::string& fileName);
// One GIF data sub-block into buffer (at least 255 bytes); returns its count,
// 0 for the terminator, at the end of the file or on a short read.
int GIFGetDataBlock(FILE* file, uint8_t* buffer);

Image* GetPNGImage(const std::string& fileName);
Image* GetJPEGImage(const std::string& fileName);
bool WritePNGImage(const std::string& fileName, Image* image);
bool WriteJPEGImage(const std::string& fileName, Image* image);
// The JPEG error exit: prints the message, then jumps back into the reader or writer.
[[noreturn]] void JPEGErrorExit(jpeg_common_struct* cinfo);
} // namespace ImageLib
