#include "audio/decode/StreamDecoder.h"

#include <mpg123.h>

#include <mutex>

namespace LumoAudio
{
namespace
{
constexpr long kMaxRate = 48000; // the highest an MPEG audio stream has

ssize_t ReadFile(void* file, void* buffer, size_t bytes)
{
    const size_t got = std::fread(buffer, 1, bytes, static_cast<FILE*>(file));
    return got == 0 && std::ferror(static_cast<FILE*>(file)) ? -1 : ssize_t(got);
}

off_t SeekFile(void* file, off_t offset, int whence)
{
    if (std::fseek(static_cast<FILE*>(file), long(offset), whence) != 0)
        return -1;
    return off_t(std::ftell(static_cast<FILE*>(file)));
}

class Mp3Stream final : public StreamDecoder
{
public:
    explicit Mp3Stream(FILE* file) : mFile(file) {}
    ~Mp3Stream() override
    {
        if (mDecoder)
        {
            mpg123_close(mDecoder);
            mpg123_delete(mDecoder);
        }
        std::fclose(mFile);
    }

    bool Open();
    size_t Read(int16_t* out, size_t frames) override;
    bool Seek(uint64_t frame) override;

private:
    FILE* mFile;
    mpg123_handle* mDecoder = nullptr;
    bool mEnded = false;
};

bool Mp3Stream::Open()
{
    static std::once_flag library;
    std::call_once(library, [] { mpg123_init(); });
    mDecoder = mpg123_new(nullptr, nullptr);
    if (!mDecoder)
        return false;
    // Gapless: the encoder's delay and padding, where the file tells them, are not part of the sound.
    // Tags are skipped, not read: a tag's stated size (up to 256 MB) would otherwise be allocated.
    mpg123_param(mDecoder, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_SKIP_ID3V2, 0.0);
    // The file's own layout, 16-bit; fixed below once the first frame tells it.
    mpg123_format_none(mDecoder);
    for (long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
        mpg123_format(mDecoder, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_replace_reader_handle(mDecoder, &ReadFile, &SeekFile, nullptr) != MPG123_OK ||
        mpg123_open_handle(mDecoder, mFile) != MPG123_OK)
        return false;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(mDecoder, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
        rate > kMaxRate || (channels != 1 && channels != 2) || encoding != MPG123_ENC_SIGNED_16)
        return false;
    // Later frames in another layout are converted to this one rather than ending the stream.
    mpg123_format_none(mDecoder);
    mpg123_format(mDecoder, rate, channels, MPG123_ENC_SIGNED_16);
    // The exact length needs a pass over every frame header (no decoding).
    if (mpg123_scan(mDecoder) != MPG123_OK)
        return false;
    const off_t length = mpg123_length(mDecoder);
    if (length <= 0)
        return false;
    mFormat.rate = uint32_t(rate);
    mFormat.channels = uint16_t(channels);
    mFormat.bits = 16;
    mLength = uint64_t(length);
    return true;
}

size_t Mp3Stream::Read(int16_t* out, size_t frames)
{
    const size_t frameBytes = size_t(mFormat.channels) * 2;
    size_t done = 0;
    while (!mEnded && done < frames)
    {
        size_t got = 0;
        const int result =
            mpg123_read(mDecoder, out + done * mFormat.channels, (frames - done) * frameBytes, &got);
        done += got / frameBytes;
        if (result == MPG123_NEW_FORMAT || (result == MPG123_OK && got > 0))
            continue;
        if (result != MPG123_OK || got == 0)
            mEnded = true; // the end, or data that cannot be decoded
    }
    return done;
}

bool Mp3Stream::Seek(uint64_t frame)
{
    if (frame > mLength || mpg123_seek(mDecoder, off_t(frame), SEEK_SET) < 0)
        return false;
    mEnded = false;
    return true;
}
} // namespace

std::unique_ptr<StreamDecoder> OpenMp3Stream(FILE* file)
{
    return OpenReader(file, &Mp3Stream::Open);
}
} // namespace LumoAudio
