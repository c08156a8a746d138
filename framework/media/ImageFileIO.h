// Shared by the picture readers and writers: the size cap and file opening.
#pragma once

#include "media/ImageLib.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace ImageLib
{
// Largest picture a reader accepts (4096 x 4096): a header cannot ask for more memory.
constexpr uint64_t kMaxImagePixels = uint64_t(1) << 24;

// Most scans a JPEG file may have. Each costs a pass over the whole picture however few its bytes;
// the usual progressions have 6 to 18 (10 for colour pictures).
constexpr int kMaxJPEGScans = 50;

// True when both sides are positive and width x height is within the cap.
bool ImageSizeAllowed(uint64_t width, uint64_t height);

// Memory running out while a picture is read is not a fault of the file: the readers throw
// std::bad_alloc for it rather than giving no picture.

// A new picture with zeroed pixels, or null when the size is not allowed.
Image* NewImage(uint64_t width, uint64_t height);

// A picture owning the given pixels (allocated with new[]; freed when it throws).
Image* AdoptPixels(uint32_t* bits, uint64_t width, uint64_t height);

// True when the picture has pixels to write.
bool HasPixels(const Image* image);

// fopen for the names the game gives, which may use "\" separators.
FILE* OpenImageFile(const std::string& fileName, const char* mode);

// Opens the file for reading, runs `read` on it and closes it; null when it cannot be opened.
Image* ReadImageFile(const std::string& fileName, Image* (*read)(FILE*));
} // namespace ImageLib
