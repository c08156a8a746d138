// Sample buffers, a few synthesis helpers, and the WAV and Ogg writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace AssetGen
{

using Samples = std::vector<float>; // mono, -1..1

// Scales the buffer so its peak is `peak`.
void Normalise(Samples& s, float peak);
// Fades the last `seconds` out, so no effect ends on a click.
void FadeOutEnd(Samples& s, int rate, float seconds);
// 16-bit PCM mono.
void WriteWav(const std::string& path, const Samples& s, int rate);
// Encodes through the outside Vorbis encoder with a fixed stream serial, so
// the output is the same on every run.
void WriteOgg(const std::string& path, const Samples& s, int rate, const std::string& encoder, int serial,
              int quality);

// Encodes through the outside MP3 encoder at a constant bit rate (kbit/s).
void WriteMp3(const std::string& path, const Samples& s, int rate, const std::string& encoder, int bitrate);

// A deterministic white-noise source.
class NoiseSource
{
public:
    explicit NoiseSource(uint32_t seed) : mState(seed ? seed : 1) {}
    float Next();

private:
    uint32_t mState;
};

// Second-order band-pass (constant peak gain), run sample by sample.
class BandPass
{
public:
    BandPass(float centre, float q, int rate);
    float Run(float x);
    void Set(float centre, float q, int rate);

private:
    float b0 = 0, b2 = 0, a1 = 0, a2 = 0, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

// One-pole low-pass.
class LowPass
{
public:
    LowPass(float cutoff, int rate);
    float Run(float x);

private:
    float k, y = 0;
};

// Adds a decaying sine partial starting at `start` seconds.
void AddPartial(Samples& s, int rate, float start, float freq, float amp, float decay, float attack = 0.002f);

} // namespace AssetGen
