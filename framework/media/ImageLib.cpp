#include "media/ImageLib.h"
#include "media/ImageFileIO.h"
#include "win32/kernel32.h"

#include <algorithm>
#include <memory>
#include <new>

namespace ImageLib
{
uint32_t gAlphaComposeColor = 0x00FFFFFF;

Image::~Image()
{
    delete[] mBits;
}

bool ImageSizeAllowed(uint64_t width, uint64_t height)
{
    return width > 0 && height > 0 && width <= kMaxImagePixels && height <= kMaxImagePixels &&
           width * height <= kMaxImagePixels;
}

Image* NewImage(uint64_t width, uint64_t height)
{
    if (!ImageSizeAllowed(width, height))
        return nullptr;
    return AdoptPixels(new uint32_t[width * height](), width, height);
}

Image* AdoptPixels(uint32_t* bits, uint64_t width, uint64_t height)
{
    std::unique_ptr<uint32_t[]> owned(bits);
    Image* image = new Image;
    image->mWidth = static_cast<int>(width);
    image->mHeight = static_cast<int>(height);
    image->mBits = owned.release();
    return image;
}

bool HasPixels(const Image* image)
{
    return image && image->mBits && image->mWidth > 0 && image->mHeight > 0;
}

FILE* OpenImageFile(const std::string& fileName, const char* mode)
{
    return std::fopen(Platform::HostPath(fileName.c_str()).c_str(), mode);
}

Image* ReadImageFile(const std::string& fileName, Image* (*read)(FILE*))
{
    // Closed on every way out, memory running out in the reader included.
    std::unique_ptr<FILE, int (*)(FILE*)> file(OpenImageFile(fileName, "rb"), &std::fclose);
    if (!file)
        return nullptr;
    return read(file.get());
}

namespace
{
struct Reader
{
    const char* extension;
    Image* (*read)(const std::string&);
};

constexpr Reader kReaders[] = {
    {".tga", GetTGAImage},
    {".jpg", GetJPEGImage},
    {".png", GetPNGImage},
    {".gif", GetGIFImage},
};

size_t LastSeparator(const std::string& name)
{
    size_t back = name.rfind('\\');
    size_t slash = name.rfind('/');
    if (back == std::string::npos)
        return slash;
    if (slash == std::string::npos)
        return back;
    return std::max(back, slash);
}

Image* ReadByName(const std::string& fileName)
{
    size_t separator = LastSeparator(fileName);
    size_t dot = fileName.rfind('.');
    bool hasExtension = dot != std::string::npos && (separator == std::string::npos || dot > separator);
    std::string base = hasExtension ? fileName.substr(0, dot) : fileName;
    std::string extension = hasExtension ? fileName.substr(dot) : std::string();

    for (const Reader& reader : kReaders)
    {
        if (!extension.empty() && _stricmp(extension.c_str(), reader.extension) != 0)
            continue;
        // A named extension is kept as written: file names are case-sensitive here.
        Image* image = reader.read(base + (extension.empty() ? reader.extension : extension));
        if (image)
            return image;
    }
    return nullptr;
}

Image* FindAlphaImage(const std::string& fileName)
{
    size_t separator = LastSeparator(fileName);
    size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    Image* alpha = ReadByName(fileName.substr(0, nameStart) + "_" + fileName.substr(nameStart));
    if (!alpha)
        alpha = ReadByName(fileName + "_");
    return alpha;
}
} // namespace

Image* GetImage(const std::string& fileName, bool lookForAlphaImage)
{
    // Held so that memory running out while the alpha picture is read frees it.
    std::unique_ptr<Image> image(ReadByName(fileName));
    if (!lookForAlphaImage)
        return image.release();

    std::unique_ptr<Image> alpha(FindAlphaImage(fileName));
    if (!alpha)
        return image.release();

    size_t count = static_cast<size_t>(alpha->mWidth) * static_cast<size_t>(alpha->mHeight);
    if (!image)
    {
        for (size_t i = 0; i < count; i++)
            alpha->mBits[i] = (alpha->mBits[i] << 24) | gAlphaComposeColor;
        return alpha.release();
    }
    if (image->mWidth == alpha->mWidth && image->mHeight == alpha->mHeight)
    {
        for (size_t i = 0; i < count; i++)
            image->mBits[i] = (image->mBits[i] & 0x00FFFFFF) | (alpha->mBits[i] << 24);
    }
    return image.release();
}
} // namespace ImageLib
