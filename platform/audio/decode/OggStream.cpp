#include "audio/decode/StreamDecoder.h"
#include "tremor/OggLinks.h"

#include <tremor/ivorbisfile.h>

namespace LumoAudio
{
namespace
{
constexpr long kMaxRate = 384000;
// Holes (lost pages) are skipped; this many in a row end the stream.
constexpr int kMaxHoles = 64;

size_t ReadFile(void* buffer, size_t size, size_t count, void* file)
{
    return std::fread(buffer, size, count, static_cast<FILE*>(file));
}

int SeekFile(void* file, ogg_int64_t offset, int whence)
{
    return std::fseek(static_cast<FILE*>(file), long(offset), whence);
}

long TellFile(void* file)
{
    return std::ftell(static_cast<FILE*>(file));
}

class OggStream final : public StreamDecoder
{
public:
    explicit OggStream(FILE* file) : mFile(file) {}
    ~OggStream() override
    {
        if (mOpen)
            ov_clear(&mVorbis);
        std::fclose(mFile);
    }

    bool Open();
    size_t Read(int16_t* out, size_t frames) override;
    bool Seek(uint64_t frame) override;

private:
    FILE* mFile;
    OggVorbis_File mVorbis{};
    bool mOpen = false;
    bool mEnded = false;
};

bool OggStream::Open()
{
    // No close function: the file stays ours to close.
    ov_callbacks callbacks{&ReadFile, &SeekFile, nullptr, &TellFile};
    if (!Platform::OggLinksWithin(mFile) || ov_open_callbacks(mFile, &mVorbis, nullptr, 0, callbacks) < 0)
        return false;
    mOpen = true;
    if (!ov_seekable(&mVorbis))
        return false;
    vorbis_info* info = ov_info(&mVorbis, -1);
    const ogg_int64_t total = ov_pcm_total(&mVorbis, -1);
    if (!info || (info->channels != 1 && info->channels != 2) || info->rate <= 0 || info->rate > kMaxRate ||
        total < 0)
        return false;
    mFormat.channels = uint16_t(info->channels);
    mFormat.rate = uint32_t(info->rate);
    mFormat.bits = 16;
    mLength = uint64_t(total);
    return true;
}

size_t OggStream::Read(int16_t* out, size_t frames)
{
    const size_t frameBytes = size_t(mFormat.channels) * 2;
    size_t done = 0;
    int holes = 0;
    while (!mEnded && done < frames)
    {
        int bitstream = 0;
        const size_t want = (frames - done) * frameBytes;
        const int ask = want > 1 << 20 ? 1 << 20 : int(want);
        const long got =
            ov_read(&mVorbis, reinterpret_cast<char*>(out + done * mFormat.channels), ask, &bitstream);
        if (got == OV_HOLE && ++holes < kMaxHoles)
            continue;
        vorbis_info* info = got > 0 ? ov_info(&mVorbis, bitstream) : nullptr;
        // A chained link in another layout cannot be played as part of this stream.
        if (got <= 0 || !info || info->channels != mFormat.channels)
        {
            mEnded = true;
            break;
        }
        holes = 0;
        done += size_t(got) / frameBytes;
    }
    return done;
}

bool OggStream::Seek(uint64_t frame)
{
    if (frame > mLength || ov_pcm_seek(&mVorbis, ogg_int64_t(frame)) != 0)
        return false;
    mEnded = false;
    return true;
}
} // namespace

std::unique_ptr<StreamDecoder> OpenOggStream(FILE* file)
{
    return OpenReader(file, &OggStream::Open);
}
} // namespace LumoAudio
