#include "audio/decode/StreamDecoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace LumoAudio
{
namespace
{
constexpr uint32_t kMaxRate = 384000;
constexpr size_t kPieceBytes = 64 * 1024;

uint16_t ReadU16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

uint32_t ReadU32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

class WavStream final : public StreamDecoder
{
public:
    explicit WavStream(FILE* file) : mFile(file) {}
    ~WavStream() override { std::fclose(mFile); }

    bool Parse();
    size_t Read(int16_t* out, size_t frames) override;
    bool Seek(uint64_t frame) override;

private:
    FILE* mFile;
    uint16_t mSourceBits = 16;
    long mDataStart = 0;
    uint64_t mFrame = 0;
    std::vector<uint8_t> mBytes;
};

bool WavStream::Parse()
{
    if (std::fseek(mFile, 0, SEEK_END) != 0)
        return false;
    const long fileSize = std::ftell(mFile);
    if (fileSize < 12 || std::fseek(mFile, 0, SEEK_SET) != 0)
        return false;
    uint8_t header[12];
    if (std::fread(header, 1, 12, mFile) != 12 || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0)
        return false;
    bool haveFormat = false;
    long position = 12;
    for (;;)
    {
        uint8_t chunk[8];
        if (std::fseek(mFile, position, SEEK_SET) != 0 || std::fread(chunk, 1, 8, mFile) != 8)
            return false; // no data chunk
        const uint32_t size = ReadU32(chunk + 4);
        const long body = position + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0)
        {
            uint8_t fmt[16];
            if (size < 16 || std::fread(fmt, 1, 16, mFile) != 16)
                return false;
            const uint16_t tag = ReadU16(fmt);
            mFormat.channels = ReadU16(fmt + 2);
            mFormat.rate = ReadU32(fmt + 4);
            mSourceBits = ReadU16(fmt + 14);
            if (tag != 1 || (mFormat.channels != 1 && mFormat.channels != 2) ||
                (mSourceBits != 8 && mSourceBits != 16) || mFormat.rate == 0 || mFormat.rate > kMaxRate)
                return false;
            mFormat.bits = 16;
            haveFormat = true;
        }
        else if (std::memcmp(chunk, "data", 4) == 0)
        {
            if (!haveFormat)
                return false;
            // A size larger than the file holds plays what is there.
            const uint64_t available = uint64_t(fileSize - body);
            const uint64_t bytes = size < available ? size : available;
            mLength = bytes / (uint64_t(mFormat.channels) * mSourceBits / 8);
            mDataStart = body;
            return true;
        }
        // Chunks of odd size are followed by a pad byte.
        const uint64_t next = uint64_t(body) + size + (size & 1);
        if (next > uint64_t(fileSize))
            return false;
        position = long(next);
    }
}

size_t WavStream::Read(int16_t* out, size_t frames)
{
    const uint64_t left = mLength - mFrame;
    if (frames > left)
        frames = size_t(left);
    const size_t sourceAlign = size_t(mFormat.channels) * mSourceBits / 8;
    // A piece at a time: the file's bytes for a whole long request took as much memory again.
    const size_t pieceFrames = kPieceBytes / sourceAlign;
    size_t done = 0;
    while (done < frames)
    {
        const size_t want = std::min(frames - done, pieceFrames);
        mBytes.resize(want * sourceAlign);
        const size_t got = std::fread(mBytes.data(), 1, mBytes.size(), mFile) / sourceAlign;
        const size_t samples = got * mFormat.channels;
        int16_t* to = out + done * mFormat.channels;
        for (size_t i = 0; i < samples; i++)
        {
            if (mSourceBits == 8)
                to[i] = int16_t((int(mBytes[i]) - 128) * 256);
            else
                to[i] = int16_t(ReadU16(&mBytes[2 * i]));
        }
        done += got;
        if (got < want)
        {
            mLength = mFrame + done; // the file shrank under us: this is its end now
            break;
        }
    }
    mFrame += done;
    return done;
}

bool WavStream::Seek(uint64_t frame)
{
    if (frame > mLength)
        return false;
    const uint64_t offset = uint64_t(mDataStart) + frame * (uint64_t(mFormat.channels) * mSourceBits / 8);
    if (std::fseek(mFile, long(offset), SEEK_SET) != 0)
        return false;
    mFrame = frame;
    return true;
}
} // namespace

std::unique_ptr<StreamDecoder> OpenWavStream(FILE* file)
{
    return OpenReader(file, &WavStream::Parse);
}
} // namespace LumoAudio
