// Files that claim far more than they hold, and how much memory reading them took.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

// How far the resident memory of this process rose above what it was when the object was made.
// Not under the thread sanitizer, whose shadow memory grows with every byte touched: 0 there.
class PeakMemory
{
public:
    PeakMemory()
    {
        if (FILE* peak = std::fopen("/proc/self/clear_refs", "w"))
        {
            std::fputs("5", peak); // the peak starts again from what is resident now
            std::fclose(peak);
        }
        mStartKb = StatusKb("VmRSS:");
    }
    long RiseKb() const
    {
#if defined(__SANITIZE_THREAD__)
        return 0;
#else
        return StatusKb("VmHWM:") - mStartKb;
#endif
    }

private:
    static long StatusKb(const char* field)
    {
        FILE* status = std::fopen("/proc/self/status", "r");
        char line[256];
        long kb = -1;
        while (status && kb < 0 && std::fgets(line, sizeof line, status))
            if (std::strncmp(line, field, std::strlen(field)) == 0)
                kb = std::atol(line + std::strlen(field));
        if (status)
            std::fclose(status);
        return kb;
    }
    long mStartKb;
};

// The bytes of a file; empty if it cannot be read.
inline std::vector<uint8_t> FileBytes(const std::filesystem::path& path)
{
    std::vector<uint8_t> b(std::filesystem::file_size(path));
    FILE* file = std::fopen(path.c_str(), "rb");
    bool read = file && std::fread(b.data(), 1, b.size(), file) == b.size();
    if (file)
        std::fclose(file);
    return read ? b : std::vector<uint8_t>();
}

// Makes the checksum of the Ogg page at b[page], `size` bytes long, again.
inline void OggPageChecksum(std::vector<uint8_t>& b, size_t page, size_t size)
{
    std::fill_n(&b[page + 22], 4, 0);
    uint32_t crc = 0;
    for (size_t i = page; i < page + size; i++)
    {
        crc ^= uint32_t(b[i]) << 24;
        for (int bit = 0; bit < 8; bit++)
            crc = crc & 0x80000000u ? crc << 1 ^ 0x04C11DB7u : crc << 1;
    }
    for (size_t i = 0; i < 4; i++)
        b[page + 22 + i] = uint8_t(crc >> (8 * i));
}

// The bytes of an Ogg Vorbis file of two or more audio pages whose last page claims `frames`
// frames in all (its checksum made again); empty if the file cannot be read.
inline std::vector<uint8_t> OggClaimingFrames(const std::filesystem::path& ogg, uint64_t frames)
{
    std::vector<uint8_t> b = FileBytes(ogg);
    if (b.size() < 27)
        return {};
    size_t last = b.size() - 4;
    while (last > 0 && std::memcmp(&b[last], "OggS", 4) != 0)
        last--;
    for (size_t i = 0; i < 8; i++)
        b[last + 6 + i] = uint8_t(frames >> (8 * i));
    OggPageChecksum(b, last, b.size() - last);
    return b;
}

// An Ogg file of one logical stream chained `links` times, each link under its own serial number.
inline std::vector<uint8_t> OggChain(const std::filesystem::path& ogg, int links)
{
    const std::vector<uint8_t> one = FileBytes(ogg);
    std::vector<uint8_t> b;
    for (int link = 0; link < links; link++)
    {
        const size_t start = b.size();
        b.insert(b.end(), one.begin(), one.end());
        for (size_t page = start; page + 27 <= b.size();)
        {
            size_t size = 27 + b[page + 26];
            for (size_t i = 0; i < b[page + 26]; i++)
                size += b[page + 27 + i];
            for (size_t i = 0; i < 4; i++)
                b[page + 14 + i] = uint8_t(uint32_t(link + 1) >> (8 * i));
            OggPageChecksum(b, page, size);
            page += size;
        }
    }
    return b;
}
