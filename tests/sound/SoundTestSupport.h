// Helpers for the sound tests: sound files built byte by byte, a working folder of their own,
// the fatal-error seam recorded, and a recording stand-in for dsound.dll.
#pragma once

#include "media/AudioHost.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

namespace SoundTest
{
using Bytes = std::vector<uint8_t>;

inline HWND TestWindow()
{
    return reinterpret_cast<HWND>(uintptr_t(0x5150));
}

inline void Put16(Bytes& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

inline void Put32(Bytes& out, uint32_t v)
{
    Put16(out, v);
    Put16(out, v >> 16);
}

inline void Put32BE(Bytes& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

inline void PutTag(Bytes& out, const char* tag)
{
    for (int i = 0; i < 4; i++)
        out.push_back(uint8_t(tag[i]));
}

inline uint32_t Get32(const std::string& bytes, size_t at)
{
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
           uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
}

inline uint16_t Get16(const std::string& bytes, size_t at)
{
    return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
}

inline int16_t Sample16(const std::string& bytes, size_t at)
{
    return int16_t(Get16(bytes, at));
}

// A RIFF chunk with its pad byte after an odd length.
inline void PutChunk(Bytes& out, const char* tag, const Bytes& body, bool pad = true)
{
    PutTag(out, tag);
    Put32(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (pad && (body.size() & 1))
        out.push_back(0);
}

inline Bytes FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits)
{
    Bytes fmt;
    Put16(fmt, tag);
    Put16(fmt, channels);
    Put32(fmt, rate);
    Put32(fmt, rate * channels * bits / 8);
    Put16(fmt, uint16_t(channels * bits / 8));
    Put16(fmt, bits);
    return fmt;
}

// RIFF/WAVE around the given chunks (already laid out).
inline Bytes Riff(const Bytes& chunks)
{
    Bytes out;
    PutTag(out, "RIFF");
    Put32(out, uint32_t(4 + chunks.size()));
    PutTag(out, "WAVE");
    out.insert(out.end(), chunks.begin(), chunks.end());
    return out;
}

inline Bytes Wav(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& data)
{
    Bytes chunks;
    PutChunk(chunks, "fmt ", FmtBody(1, channels, rate, bits));
    PutChunk(chunks, "data", data);
    return Riff(chunks);
}

inline Bytes Pcm16(const std::vector<int16_t>& samples)
{
    Bytes out;
    for (int16_t s : samples)
        Put16(out, uint16_t(s));
    return out;
}

inline Bytes Au(uint32_t encoding, uint32_t channels, uint32_t rate, const Bytes& data,
                uint32_t size = 0xFFFFFFFE)
{
    Bytes out;
    PutTag(out, ".snd");
    Put32BE(out, 24);
    Put32BE(out, size == 0xFFFFFFFE ? uint32_t(data.size()) : size);
    Put32BE(out, encoding);
    Put32BE(out, rate);
    Put32BE(out, channels);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

inline std::string AsString(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// Runs the test in a fresh working folder (the sound cache is relative to it).
class WorkingFolder
{
public:
    WorkingFolder()
    {
        char* previous = getcwd(nullptr, 0);
        mPrevious = previous ? previous : "";
        std::free(previous);
        EXPECT_EQ(chdir(mFolder.Path().c_str()), 0);
    }
    ~WorkingFolder()
    {
        if (chdir(mPrevious.c_str()) != 0)
            ADD_FAILURE() << "cannot return to " << mPrevious;
    }
    const TempFolder& Folder() const { return mFolder; }
    void Write(const std::string& name, const Bytes& bytes) const { mFolder.Write(name, AsString(bytes)); }
    std::string Read(const std::string& name) const { return mFolder.Read(name); }
    std::string Path(const std::string& name) const { return mFolder.Path() + "/" + name; }

private:
    TempFolder mFolder;
    std::string mPrevious;
};

// Records what the audio code passes to the application's fatal-error path.
struct FatalCall
{
    bool text = false;
    std::string message;
    std::string caption;
    UINT type = 0;
};

inline std::vector<FatalCall>& FatalCalls()
{
    static std::vector<FatalCall> calls;
    return calls;
}

class RecordFatalErrors
{
public:
    RecordFatalErrors()
    {
        FatalCalls().clear();
        Lumo::SetAudioFatalHandler(
            [](const char* text, const char* caption, UINT type) {
                FatalCalls().push_back({text != nullptr, text ? text : "", caption ? caption : "", type});
            });
    }
    ~RecordFatalErrors() { Lumo::SetAudioFatalHandler(nullptr); }
};
// Makes a library instance T(dll) with the fatal path recorded: it is not loaded, and showed one
// box with `message`, titled "Error".
template <class T> void ExpectLibraryFatal(const char* dll, const std::string& message)
{
    RecordFatalErrors record;
    T instance(dll);
    EXPECT_FALSE(instance.IsLoaded());
    ASSERT_EQ(FatalCalls().size(), 1u);
    EXPECT_EQ(FatalCalls()[0].message, message);
    EXPECT_EQ(FatalCalls()[0].caption, "Error");
    EXPECT_EQ(FatalCalls()[0].type, UINT(MB_OK | MB_ICONERROR));
}
} // namespace SoundTest
