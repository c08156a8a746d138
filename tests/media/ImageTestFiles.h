// Builders of small picture files for the media tests and the fuzz corpus:
// TGA and GIF bytes by hand (with an LZW encoder), PNG and JPEG variants
// through libpng and libjpeg directly.
#pragma once

#include "media/ImageLib.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

namespace ImageTest
{
using Bytes = std::vector<uint8_t>;
using ImagePtr = std::unique_ptr<ImageLib::Image>;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder
{
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "lumo_media_XXXXXX").string();
        mPath = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }
    std::string operator/(const std::string& name) const { return mPath + "/" + name; }
    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
};

inline void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return;
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

inline Bytes ReadFile(const std::string& path)
{
    Bytes bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    int c;
    while ((c = std::fgetc(file)) != EOF)
        bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(file);
    return bytes;
}

inline int OpenFileCount()
{
    int count = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        count++;
    return count;
}

inline void Put16(Bytes& out, unsigned value)
{
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}

inline std::vector<uint32_t> Pixels(const ImageLib::Image& image)
{
    return std::vector<uint32_t>(image.mBits,
                                 image.mBits + static_cast<size_t>(image.mWidth) * image.mHeight);
}

// A picture owned by the test, for the writers.
inline ImagePtr MakeImage(int width, int height, const std::vector<uint32_t>& pixels)
{
    ImagePtr image(new ImageLib::Image);
    image->mWidth = width;
    image->mHeight = height;
    image->mBits = new uint32_t[pixels.size()];
    std::copy(pixels.begin(), pixels.end(), image->mBits);
    return image;
}

// Deterministic pseudo-random bytes below `modulo`.
inline std::vector<uint8_t> Noise(size_t count, uint32_t seed, int modulo = 256)
{
    std::vector<uint8_t> out(count);
    for (auto& value : out)
    {
        seed = seed * 1664525u + 1013904223u;
        value = static_cast<uint8_t>((seed >> 24) % modulo);
    }
    return out;
}

// ---- TGA ----------------------------------------------------------------------
struct TGAHeader
{
    unsigned width = 0;
    unsigned height = 0;
    unsigned depth = 32;
    unsigned descriptor = 0x28;
    unsigned imageType = 2;
    std::string id;
    unsigned colorMapLength = 0; // entries of 3 bytes, when non-zero
};

inline Bytes MakeTGA(const TGAHeader& header, const std::vector<uint32_t>& pixels)
{
    Bytes out;
    out.push_back(static_cast<uint8_t>(header.id.size()));
    out.push_back(header.colorMapLength ? 1 : 0);
    out.push_back(static_cast<uint8_t>(header.imageType));
    Put16(out, 0);
    Put16(out, header.colorMapLength);
    out.push_back(header.colorMapLength ? 24 : 0);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, header.width);
    Put16(out, header.height);
    out.push_back(static_cast<uint8_t>(header.depth));
    out.push_back(static_cast<uint8_t>(header.descriptor));
    out.insert(out.end(), header.id.begin(), header.id.end());
    for (unsigned i = 0; i < header.colorMapLength * 3; i++)
        out.push_back(0x5A);
    for (uint32_t p : pixels)
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<uint8_t>(p >> shift));
    return out;
}

// ---- GIF ----------------------------------------------------------------------
// Codes of varying width packed least significant bit first.
class CodeWriter
{
public:
    void Put(int code, int size)
    {
        mBits |= static_cast<uint64_t>(code) << mCount;
        mCount += size;
        while (mCount >= 8)
        {
            mBytes.push_back(static_cast<uint8_t>(mBits));
            mBits >>= 8;
            mCount -= 8;
        }
    }
    Bytes Finish()
    {
        if (mCount > 0)
            mBytes.push_back(static_cast<uint8_t>(mBits));
        mCount = 0;
        mBits = 0;
        return mBytes;
    }

private:
    Bytes mBytes;
    uint64_t mBits = 0;
    int mCount = 0;
};

// LZW as GIF encoders write it. With clearWhenFull false the table stays full and
// 12-bit codes go on to the end, as encoders that defer the clear do.
inline Bytes EncodeLZW(const std::vector<uint8_t>& indices, int minCodeSize, bool clearWhenFull = true)
{
    const int clear = 1 << minCodeSize;
    CodeWriter out;
    std::map<std::pair<int, int>, int> table;
    int next = clear + 2;
    int size = minCodeSize + 1;
    auto put = [&](int code)
    {
        out.Put(code, size);
        if (next >= (1 << size) && size < 12)
            size++;
    };
    out.Put(clear, size);
    int prefix = -1;
    for (uint8_t c : indices)
    {
        if (prefix < 0)
        {
            prefix = c;
            continue;
        }
        auto found = table.find({prefix, c});
        if (found != table.end())
        {
            prefix = found->second;
            continue;
        }
        put(prefix);
        if (next < 4096)
            table[{prefix, c}] = next++;
        else if (clearWhenFull)
        {
            out.Put(clear, size);
            table.clear();
            next = clear + 2;
            size = minCodeSize + 1;
        }
        prefix = c;
    }
    if (prefix >= 0)
        put(prefix);
    out.Put(clear + 1, size);
    return out.Finish();
}

class GIFWriter
{
public:
    // Colours as 0xRRGGBB; the count must be a power of two from 2 to 256 (or 0: no table).
    GIFWriter& Header(unsigned width, unsigned height, const std::vector<uint32_t>& globalTable,
                      const char* signature = "GIF89a")
    {
        mBytes.insert(mBytes.end(), signature, signature + 6);
        Put16(mBytes, width);
        Put16(mBytes, height);
        mBytes.push_back(globalTable.empty() ? 0 : static_cast<uint8_t>(0x80 | TableBits(globalTable)));
        mBytes.push_back(0);
        mBytes.push_back(0);
        Table(globalTable);
        return *this;
    }
    GIFWriter& GraphicControl(int transparentIndex)
    {
        Bytes block = {0x21,
                       0xF9,
                       4,
                       static_cast<uint8_t>(transparentIndex >= 0 ? 1 : 0),
                       0,
                       0,
                       static_cast<uint8_t>(transparentIndex >= 0 ? transparentIndex : 0),
                       0};
        mBytes.insert(mBytes.end(), block.begin(), block.end());
        return *this;
    }
    GIFWriter& Comment(const std::string& text)
    {
        mBytes.push_back(0x21);
        mBytes.push_back(0xFE);
        SubBlocks(Bytes(text.begin(), text.end()));
        return *this;
    }
    GIFWriter& Application()
    {
        Bytes block = {0x21, 0xFF, 11, 'L', 'U', 'M', 'O', 'T', 'E', 'S', 'T', '1', '.', '0', 3, 1, 0, 0, 0};
        mBytes.insert(mBytes.end(), block.begin(), block.end());
        return *this;
    }
    GIFWriter& Image(unsigned width, unsigned height, bool interlaced = false,
                     const std::vector<uint32_t>& localTable = {})
    {
        mBytes.push_back(',');
        Put16(mBytes, 0);
        Put16(mBytes, 0);
        Put16(mBytes, width);
        Put16(mBytes, height);
        uint8_t flags = interlaced ? 0x40 : 0;
        if (!localTable.empty())
            flags |= 0x80 | TableBits(localTable);
        mBytes.push_back(flags);
        Table(localTable);
        return *this;
    }
    // The minimum code size byte, then the packed codes as sub-blocks and the terminator.
    GIFWriter& Data(int minCodeSize, const Bytes& packed)
    {
        mBytes.push_back(static_cast<uint8_t>(minCodeSize));
        SubBlocks(packed);
        return *this;
    }
    GIFWriter& Raw(const Bytes& bytes)
    {
        mBytes.insert(mBytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Bytes Trailer()
    {
        mBytes.push_back(';');
        return mBytes;
    }
    const Bytes& Get() const { return mBytes; }

private:
    static uint8_t TableBits(const std::vector<uint32_t>& table)
    {
        uint8_t bits = 0;
        while ((2u << bits) < table.size())
            bits++;
        return bits;
    }
    void Table(const std::vector<uint32_t>& table)
    {
        for (uint32_t rgb : table)
        {
            mBytes.push_back(static_cast<uint8_t>(rgb >> 16));
            mBytes.push_back(static_cast<uint8_t>(rgb >> 8));
            mBytes.push_back(static_cast<uint8_t>(rgb));
        }
    }
    void SubBlocks(const Bytes& data)
    {
        for (size_t pos = 0; pos < data.size(); pos += 255)
        {
            size_t count = std::min<size_t>(255, data.size() - pos);
            mBytes.push_back(static_cast<uint8_t>(count));
            mBytes.insert(mBytes.end(), data.begin() + pos, data.begin() + pos + count);
        }
        mBytes.push_back(0);
    }
    Bytes mBytes;
};

// A table of `count` distinct colours (0xRRGGBB).
inline std::vector<uint32_t> RampTable(int count)
{
    std::vector<uint32_t> table;
    for (int i = 0; i < count; i++)
        table.push_back(static_cast<uint32_t>(i) << 16 | static_cast<uint32_t>(255 - i) << 8 |
                        static_cast<uint32_t>((i * 7) & 0xFF));
    return table;
}

// ---- PNG through libpng -------------------------------------------------------
struct PNGSpec
{
    unsigned width = 0;
    unsigned height = 0;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<uint8_t> transparency; // tRNS alpha per palette entry
};

// rows: the PNG's own row bytes (big-endian samples), one vector per row.
inline bool WritePNGDirect(const std::string& path, const PNGSpec& spec, const std::vector<Bytes>& rows)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> pointers;
    for (const Bytes& row : rows)
        pointers.push_back(const_cast<png_bytep>(row.data()));
    bool ok = false;
    if (!setjmp(png_jmpbuf(png)))
    {
        png_init_io(png, file);
        png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colorType,
                     spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        if (!spec.palette.empty())
            png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
        if (!spec.transparency.empty())
            png_set_tRNS(png, info, spec.transparency.data(), static_cast<int>(spec.transparency.size()),
                         nullptr);
        png_write_info(png, info);
        png_write_image(png, pointers.data());
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return ok;
}

inline uint32_t CRC32(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; i++)
    {
        crc ^= data[i];
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

inline void PutChunk(Bytes& out, const char* type, const Bytes& data)
{
    auto put32 = [&](uint32_t v)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(static_cast<uint8_t>(v >> shift));
    };
    put32(static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(CRC32(out.data() + start, out.size() - start));
}

// A PNG whose header claims width x height but whose data are a few bytes.
inline Bytes PNGHeaderOnly(uint32_t width, uint32_t height)
{
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    for (uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            ihdr.push_back(static_cast<uint8_t>(v >> shift));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
    PutChunk(out, "IHDR", ihdr);
    PutChunk(out, "IDAT", {0x78, 0x9C, 0x63, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01});
    PutChunk(out, "IEND", {});
    return out;
}

// ---- JPEG through libjpeg -----------------------------------------------------
// Writes `components` (1 grey, 3 RGB, 4 CMYK) samples per pixel. With `scans` (2 to 64, grey only): a
// progressive file of a DC scan and the AC coefficients in scans - 1 bands.
inline bool WriteJPEGDirect(const std::string& path, unsigned width, unsigned height, int components,
                            const Bytes& samples, bool progressive = false, int scans = 0)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    std::vector<jpeg_scan_info> script;
    for (int i = 0; i < scans; i++)
        script.push_back({1, {0}, i == 0 ? 0 : 1 + 63 * (i - 1) / (scans - 1), 63 * i / (scans - 1), 0, 0});
    if (scans > 0)
    {
        cinfo.scan_info = script.data();
        cinfo.num_scans = scans;
    }
    jpeg_start_compress(&cinfo, TRUE);
    for (unsigned y = 0; y < height; y++)
    {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + static_cast<size_t>(y) * width * components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
    return true;
}

// A smooth colour picture that survives lossy coding well.
inline std::vector<uint32_t> Gradient(int width, int height, uint32_t alpha = 0xFF)
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            pixels.push_back(alpha << 24 | static_cast<uint32_t>(x * 255 / width) << 16 |
                             static_cast<uint32_t>(y * 255 / height) << 8 |
                             static_cast<uint32_t>((x + y) * 255 / (width + height)));
    return pixels;
}
} // namespace ImageTest
