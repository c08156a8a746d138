// The little-endian fields of the WAV files the sound code writes (the converted-sound cache
// and the music cache).
#pragma once

#include <cstdint>
#include <vector>

namespace Lumo::WavOut
{

inline void Tag(std::vector<uint8_t>& out, const char* tag)
{
    // Byte by byte: GCC 12 takes a range insert here for an overflow (a known false positive).
    for (int i = 0; i < 4; i++)
        out.push_back(uint8_t(tag[i]));
}

inline void U16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

inline void U32(std::vector<uint8_t>& out, uint32_t value)
{
    U16(out, value);
    U16(out, value >> 16);
}

// "RIFF", the RIFF size, "WAVE" and a PCM "fmt " chunk whose block alignment and bytes per
// second follow from the rest.
inline void Header(std::vector<uint8_t>& out, uint32_t riffSize, uint16_t channels, uint32_t rate,
                   uint16_t bits)
{
    const uint16_t blockAlign = uint16_t(channels * bits / 8);
    Tag(out, "RIFF");
    U32(out, riffSize);
    Tag(out, "WAVE");
    Tag(out, "fmt ");
    U32(out, 16);
    U16(out, 1);
    U16(out, channels);
    U32(out, rate);
    U32(out, rate * blockAlign);
    U16(out, blockAlign);
    U16(out, bits);
}

} // namespace Lumo::WavOut
