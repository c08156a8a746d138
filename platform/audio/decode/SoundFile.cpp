#include "audio/decode/StreamDecoder.h"
#include "audio/ReadHook.h"
#include "core/file_read.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

namespace LumoAudio
{
namespace
{
bool IsMp3(const uint8_t* magic)
{
    // An ID3v2 tag, or the frame sync of the first frame.
    return std::memcmp(magic, "ID3", 3) == 0 || (magic[0] == 0xFF && (magic[1] & 0xE0) == 0xE0);
}

// Sound files are read in large blocks: on a slow disk each read costs its time whatever its
// size, and a stream must still be decoded ahead of the output. Every read from the disk goes
// through the read hook when one is set.
constexpr size_t kReadBlockBytes = 64 * 1024;

struct FileReads
{
    int descriptor;
    char buffer[kReadBlockBytes];
};

int DescriptorOf(void* cookie)
{
    return static_cast<FileReads*>(cookie)->descriptor;
}

ssize_t ReadBlock(void* cookie, char* buffer, size_t size)
{
    if (ReadHook hook = CurrentReadHook())
        hook();
    return ::read(DescriptorOf(cookie), buffer, size);
}

int SeekFile(void* cookie, off64_t* offset, int whence)
{
    const off64_t at = ::lseek64(DescriptorOf(cookie), *offset, whence);
    if (at < 0)
        return -1;
    *offset = at;
    return 0;
}

// The C library is done with the buffer when it closes the file.
int CloseFile(void* cookie)
{
    FileReads* reads = static_cast<FileReads*>(cookie);
    const int result = ::close(reads->descriptor);
    delete reads;
    return result;
}
} // namespace

FILE* OpenFile(const char* name)
{
    if (!name)
        return nullptr;
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    FileReads* reads = new (std::nothrow) FileReads;
    if (reads)
        reads->descriptor = descriptor;
    FILE* file =
        reads ? fopencookie(reads, "rb", cookie_io_functions_t{&ReadBlock, nullptr, &SeekFile, &CloseFile})
              : nullptr;
    if (!file)
    {
        ::close(descriptor);
        delete reads;
        return nullptr;
    }
    std::setvbuf(file, reads->buffer, _IOFBF, kReadBlockBytes);
    return file;
}

std::unique_ptr<StreamDecoder> OpenSoundFile(const char* name, OpenError& error)
{
    FILE* file = OpenFile(name);
    if (!file)
    {
        error = OpenError::noFile;
        return nullptr;
    }
    uint8_t magic[4] = {};
    const bool haveMagic = std::fread(magic, 1, 4, file) == 4;
    std::rewind(file);
    std::unique_ptr<StreamDecoder> decoder;
    if (haveMagic && std::memcmp(magic, "RIFF", 4) == 0)
        decoder = OpenWavStream(file);
    else if (haveMagic && std::memcmp(magic, "OggS", 4) == 0)
        decoder = OpenOggStream(file);
    else if (haveMagic && IsMp3(magic))
        decoder = OpenMp3Stream(file);
    else
        std::fclose(file);
    error = decoder ? OpenError::none : OpenError::badFormat;
    return decoder;
}

size_t PullFrames(StreamDecoder& decoder, bool looping, int16_t* out, size_t frames)
{
    const size_t channels = decoder.Format().channels;
    size_t done = 0;
    bool rewound = false;
    while (done < frames)
    {
        const size_t got = decoder.Read(out + done * channels, frames - done);
        if (got > 0)
        {
            done += got;
            rewound = false;
            continue;
        }
        if (!looping || rewound || !decoder.Seek(0))
            break;
        rewound = true; // an empty file must not spin here
    }
    return done;
}

bool DecodeWhole(StreamDecoder& decoder, std::vector<uint8_t>& out, uint64_t maxBytes)
{
    const size_t frameBytes = size_t(decoder.Format().channels) * 2;
    const uint64_t length = decoder.Length();
    if (length > maxBytes / frameBytes)
        return false;
    // Decoded a block at a time straight into the bytes: a whole decoded copy beside them took as
    // much memory again. The length is what the file claims: the bytes grow with what really comes.
    std::vector<int16_t> block(kReadBlockBytes / sizeof(int16_t));
    const size_t blockFrames = block.size() / decoder.Format().channels;
    const size_t done = Platform::ReadGrowing(out, size_t(length) * frameBytes, kReadBlockBytes,
                                              [&](uint8_t* at, size_t room)
                                              {
                                                  const size_t got = decoder.Read(
                                                      block.data(), std::min(room / frameBytes, blockFrames));
                                                  const size_t samples = got * frameBytes / 2;
                                                  for (size_t i = 0; i < samples; i++)
                                                  {
                                                      at[2 * i] = uint8_t(uint16_t(block[i]));
                                                      at[2 * i + 1] = uint8_t(uint16_t(block[i]) >> 8);
                                                  }
                                                  return got * frameBytes;
                                              });
    return done == length * frameBytes;
}
} // namespace LumoAudio
