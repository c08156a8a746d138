// Writes pictures in the four formats the game reads, and the separate alpha
// pictures ("_name" or "name_") that it merges into a picture.
#pragma once

#include "tools/assetgen/Canvas.h"

#include <string>

namespace AssetGen
{

enum class Format
{
    Png,            // name.png, RGBA
    Jpg,            // name.jpg, opaque
    Tga,            // name.tga, 32-bit, top-left origin
    Gif,            // name.gif, palette with one transparent index
    JpgAlphaBefore, // name.jpg with its alpha in _name.gif
    JpgAlphaAfter,  // name.jpg with its alpha in name_.png
    AlphaOnly,      // _name.gif alone: the game makes it a white picture with that alpha
};

// Writes `canvas` as root/name + extension(s); exits the program on failure.
void SavePicture(const std::string& root, const std::string& name, const Canvas& canvas, Format format);

void WriteTGA(const std::string& path, const Canvas& canvas);
void WriteGIF(const std::string& path, const Canvas& canvas);
// 32-bit with alpha, rows bottom-up, as the program's icon resource is kept.
void WriteBMP(const std::string& path, const Canvas& canvas);
// An opaque grey picture whose levels are the canvas's alpha.
Canvas AlphaMask(const Canvas& canvas);

// Reads a picture back through the game's own reader (name without extension).
Canvas LoadPicture(const std::string& root, const std::string& name);

// Creates every folder of `path` up to its last '/'.
void MakeParentDirs(const std::string& path);
[[noreturn]] void Fail(const std::string& message);

} // namespace AssetGen
