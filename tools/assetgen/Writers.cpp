#include "tools/assetgen/Writers.h"

#include "media/ImageLib.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

namespace AssetGen
{

void Fail(const std::string& message)
{
    std::fprintf(stderr, "make_assets: %s\n", message.c_str());
    std::exit(1);
}

void MakeParentDirs(const std::string& path)
{
    std::filesystem::path dir = std::filesystem::path(path).parent_path();
    if (!dir.empty())
        std::filesystem::create_directories(dir);
}

namespace
{
FILE* OpenOut(const std::string& path)
{
    MakeParentDirs(path);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        Fail("cannot write " + path);
    return f;
}

void CloseOut(FILE* f, const std::string& path)
{
    if (std::fclose(f) != 0)
        Fail("cannot write " + path);
}

void Put16(std::vector<uint8_t>& out, unsigned v)
{
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, unsigned v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = OpenOut(path);
    if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
        Fail("cannot write " + path);
    CloseOut(f, path);
}

void WriteWithLib(const std::string& path, const Canvas& canvas, bool png)
{
    MakeParentDirs(path);
    std::vector<uint32_t> pixels = canvas.Pixels();
    ImageLib::Image image;
    image.mWidth = canvas.Width();
    image.mHeight = canvas.Height();
    image.mBits = new uint32_t[pixels.size()];
    std::copy(pixels.begin(), pixels.end(), image.mBits);
    bool ok = png ? ImageLib::WritePNGImage(path, &image) : ImageLib::WriteJPEGImage(path, &image);
    if (!ok)
        Fail("cannot write " + path);
}

// Median cut over the opaque colours: at most `limit` boxes, each replaced by its mean.
struct ColourBox
{
    std::vector<uint32_t> colours; // 0xRRGGBB, repeated by use
    int Channel(uint32_t c, int ch) const { return (c >> (16 - 8 * ch)) & 0xFF; }
    int WidestChannel(int* range) const
    {
        int best = 0;
        *range = -1;
        for (int ch = 0; ch < 3; ++ch)
        {
            int lo = 255, hi = 0;
            for (uint32_t c : colours)
            {
                lo = std::min(lo, Channel(c, ch));
                hi = std::max(hi, Channel(c, ch));
            }
            if (hi - lo > *range)
            {
                *range = hi - lo;
                best = ch;
            }
        }
        return best;
    }
    uint32_t Mean() const
    {
        uint64_t sum[3] = {0, 0, 0};
        for (uint32_t c : colours)
            for (int ch = 0; ch < 3; ++ch)
                sum[ch] += Channel(c, ch);
        uint64_t n = colours.size();
        return uint32_t(((sum[0] + n / 2) / n) << 16 | ((sum[1] + n / 2) / n) << 8 | ((sum[2] + n / 2) / n));
    }
};

std::vector<uint32_t> MakePalette(const std::vector<uint32_t>& opaque, size_t limit)
{
    std::vector<uint32_t> unique = opaque;
    std::sort(unique.begin(), unique.end());
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    if (unique.size() <= limit)
        return unique;
    std::vector<ColourBox> boxes(1);
    boxes[0].colours = opaque;
    while (boxes.size() < limit)
    {
        int bestBox = -1, bestRange = 0, bestChannel = 0;
        for (size_t i = 0; i < boxes.size(); ++i)
        {
            int range;
            int ch = boxes[i].WidestChannel(&range);
            if (boxes[i].colours.size() > 1 && range > bestRange)
            {
                bestRange = range;
                bestBox = int(i);
                bestChannel = ch;
            }
        }
        if (bestBox < 0)
            break;
        ColourBox& box = boxes[size_t(bestBox)];
        std::sort(box.colours.begin(), box.colours.end(),
                  [&](uint32_t a, uint32_t b)
                  {
                      int ca = box.Channel(a, bestChannel), cb = box.Channel(b, bestChannel);
                      return ca != cb ? ca < cb : a < b;
                  });
        ColourBox upper;
        size_t half = box.colours.size() / 2;
        upper.colours.assign(box.colours.begin() + long(half), box.colours.end());
        box.colours.resize(half);
        boxes.push_back(std::move(upper));
    }
    std::vector<uint32_t> palette;
    for (const ColourBox& box : boxes)
        palette.push_back(box.Mean());
    return palette;
}

int Nearest(const std::vector<uint32_t>& palette, uint32_t c)
{
    int best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < palette.size(); ++i)
    {
        long d = 0;
        for (int shift = 0; shift < 24; shift += 8)
        {
            long e = long((palette[i] >> shift) & 0xFF) - long((c >> shift) & 0xFF);
            d += e * e;
        }
        if (bestDistance < 0 || d < bestDistance)
        {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

// LZW with a fixed 8-bit root size: codes grow to 12 bits, then a clear code restarts the table.
std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& indices)
{
    const int minSize = 8, clear = 1 << minSize, end = clear + 1;
    std::vector<uint8_t> out;
    uint32_t bitBuffer = 0;
    int bitCount = 0, codeSize = minSize + 1, next = end + 1;
    auto emit = [&](int code)
    {
        bitBuffer |= uint32_t(code) << bitCount;
        bitCount += codeSize;
        while (bitCount >= 8)
        {
            out.push_back(uint8_t(bitBuffer & 0xFF));
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    };
    std::map<std::pair<int, int>, int> table;
    emit(clear);
    int prefix = -1;
    for (uint8_t k : indices)
    {
        if (prefix < 0)
        {
            prefix = k;
            continue;
        }
        auto it = table.find({prefix, k});
        if (it != table.end())
        {
            prefix = it->second;
            continue;
        }
        emit(prefix);
        if (next < 4095)
        {
            table[{prefix, k}] = next++;
            // The reader widens its codes once the next free code passes the current width.
            if (next > (1 << codeSize) && codeSize < 12)
                ++codeSize;
        }
        else
        {
            emit(clear);
            table.clear();
            codeSize = minSize + 1;
            next = end + 1;
        }
        prefix = k;
    }
    if (prefix >= 0)
        emit(prefix);
    emit(end);
    if (bitCount > 0)
        out.push_back(uint8_t(bitBuffer & 0xFF));
    return out;
}
} // namespace

void WriteTGA(const std::string& path, const Canvas& canvas)
{
    std::vector<uint8_t> bytes(12, 0);
    bytes[2] = 2; // uncompressed true colour
    Put16(bytes, unsigned(canvas.Width()));
    Put16(bytes, unsigned(canvas.Height()));
    bytes.push_back(32);
    bytes.push_back(0x28); // 8 alpha bits, rows top-down
    for (uint32_t p : canvas.Pixels())
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(uint8_t(p >> shift)); // B, G, R, A
    WriteBytes(path, bytes);
}

void WriteBMP(const std::string& path, const Canvas& canvas)
{
    const unsigned width = unsigned(canvas.Width()), height = unsigned(canvas.Height());
    const unsigned pixelBytes = width * height * 4, headers = 14 + 40;
    std::vector<uint8_t> bytes = {'B', 'M'};
    const unsigned header[] = {headers + pixelBytes, 0, headers, 40, width, height};
    for (unsigned v : header)
        Put32(bytes, v);
    Put16(bytes, 1);  // planes
    Put16(bytes, 32); // bits per pixel, no compression
    for (unsigned v : {0u, pixelBytes, 2835u, 2835u, 0u, 0u})
        Put32(bytes, v);
    const std::vector<uint32_t> pixels = canvas.Pixels();
    for (unsigned y = height; y-- > 0;) // rows bottom-up
        for (unsigned x = 0; x < width; ++x)
            Put32(bytes, pixels[size_t(y) * width + x]); // B, G, R, A
    WriteBytes(path, bytes);
}

void WriteGIF(const std::string& path, const Canvas& canvas)
{
    std::vector<uint32_t> pixels = canvas.Pixels();
    std::vector<uint32_t> opaque;
    bool anyTransparent = false;
    for (uint32_t p : pixels)
    {
        if ((p >> 24) >= 128)
            opaque.push_back(p & 0xFFFFFF);
        else
            anyTransparent = true;
    }
    std::vector<uint32_t> palette = MakePalette(opaque, anyTransparent ? 255 : 256);
    int transparent = anyTransparent ? int(palette.size()) : -1;
    if (anyTransparent)
        palette.push_back(0);
    while (palette.size() < 256)
        palette.push_back(0);

    std::vector<uint32_t> choices(palette.begin(), palette.begin() + (anyTransparent ? transparent : 256));
    std::vector<uint8_t> indices;
    indices.reserve(pixels.size());
    std::map<uint32_t, int> cache;
    for (uint32_t p : pixels)
    {
        if ((p >> 24) < 128)
        {
            indices.push_back(uint8_t(transparent));
            continue;
        }
        auto it = cache.find(p & 0xFFFFFF);
        if (it == cache.end())
            it = cache.emplace(p & 0xFFFFFF, Nearest(choices, p & 0xFFFFFF)).first;
        indices.push_back(uint8_t(it->second));
    }

    std::vector<uint8_t> b = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(b, unsigned(canvas.Width()));
    Put16(b, unsigned(canvas.Height()));
    b.push_back(0xF7); // global table of 256 entries, 8 bits of colour resolution
    b.push_back(0);
    b.push_back(0);
    for (uint32_t c : palette)
    {
        b.push_back(uint8_t(c >> 16));
        b.push_back(uint8_t(c >> 8));
        b.push_back(uint8_t(c));
    }
    if (transparent >= 0)
    {
        b.insert(b.end(), {0x21, 0xF9, 4, 1, 0, 0, uint8_t(transparent), 0});
    }
    b.push_back(',');
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, unsigned(canvas.Width()));
    Put16(b, unsigned(canvas.Height()));
    b.push_back(0);
    b.push_back(8);
    std::vector<uint8_t> data = LzwEncode(indices);
    for (size_t i = 0; i < data.size(); i += 255)
    {
        size_t n = std::min<size_t>(255, data.size() - i);
        b.push_back(uint8_t(n));
        b.insert(b.end(), data.begin() + long(i), data.begin() + long(i + n));
    }
    b.push_back(0);
    b.push_back(';');
    WriteBytes(path, b);
}

Canvas AlphaMask(const Canvas& canvas)
{
    Canvas mask(canvas.Width(), canvas.Height());
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
        {
            float a = canvas.At(x, y).a;
            mask.At(x, y) = {a, a, a, 1};
        }
    return mask;
}

Canvas LoadPicture(const std::string& root, const std::string& name)
{
    ImageLib::Image* image = ImageLib::GetImage(root + "/" + name, true);
    if (!image)
        Fail("cannot read back " + name);
    Canvas c(image->mWidth, image->mHeight);
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x)
        {
            uint32_t p = image->mBits[size_t(y) * c.Width() + x];
            c.At(x, y) = {((p >> 16) & 0xFF) / 255.0f, ((p >> 8) & 0xFF) / 255.0f, (p & 0xFF) / 255.0f,
                          (p >> 24) / 255.0f};
        }
    delete image;
    return c;
}

void SavePicture(const std::string& root, const std::string& name, const Canvas& canvas, Format format)
{
    std::string base = root + "/" + name;
    size_t slash = base.rfind('/');
    std::string dir = base.substr(0, slash + 1), file = base.substr(slash + 1);
    switch (format)
    {
    case Format::Png:
        WriteWithLib(base + ".png", canvas, true);
        break;
    case Format::Jpg:
        WriteWithLib(base + ".jpg", canvas, false);
        break;
    case Format::Tga:
        WriteTGA(base + ".tga", canvas);
        break;
    case Format::Gif:
        WriteGIF(base + ".gif", canvas);
        break;
    case Format::JpgAlphaBefore:
        WriteWithLib(base + ".jpg", canvas, false);
        WriteGIF(dir + "_" + file + ".gif", AlphaMask(canvas));
        break;
    case Format::JpgAlphaAfter:
        WriteWithLib(base + ".jpg", canvas, false);
        WriteWithLib(base + "_.png", AlphaMask(canvas), true);
        break;
    case Format::AlphaOnly:
        WriteGIF(dir + "_" + file + ".gif", AlphaMask(canvas));
        break;
    }
}

} // namespace AssetGen
