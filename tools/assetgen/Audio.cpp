#include "tools/assetgen/Audio.h"
#include "tools/assetgen/Writers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

namespace AssetGen
{

namespace
{
constexpr float kTwoPi = 6.28318530718f;

void Put(std::vector<uint8_t>& b, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}
void Tag(std::vector<uint8_t>& b, const char* tag)
{
    b.insert(b.end(), tag, tag + 4);
}
} // namespace

void Normalise(Samples& s, float peak)
{
    float m = 0;
    for (float v : s)
        m = std::max(m, std::fabs(v));
    if (m > 0)
        for (float& v : s)
            v *= peak / m;
}

void FadeOutEnd(Samples& s, int rate, float seconds)
{
    size_t n = std::min(s.size(), size_t(seconds * rate));
    for (size_t i = 0; i < n; ++i)
        s[s.size() - 1 - i] *= float(i) / float(n);
}

void WriteWav(const std::string& path, const Samples& s, int rate)
{
    std::vector<uint8_t> b;
    uint32_t dataSize = uint32_t(s.size() * 2);
    Tag(b, "RIFF");
    Put(b, 36 + dataSize, 4);
    Tag(b, "WAVE");
    Tag(b, "fmt ");
    Put(b, 16, 4);
    Put(b, 1, 2);
    Put(b, 1, 2);
    Put(b, uint32_t(rate), 4);
    Put(b, uint32_t(rate * 2), 4);
    Put(b, 2, 2);
    Put(b, 16, 2);
    Tag(b, "data");
    Put(b, dataSize, 4);
    for (float v : s)
    {
        long q = std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f);
        Put(b, uint32_t(int16_t(q)) & 0xFFFF, 2);
    }
    MakeParentDirs(path);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(b.data(), 1, b.size(), f) != b.size() || std::fclose(f) != 0)
        Fail("cannot write " + path);
}

namespace
{
// Writes the samples as a temporary WAV and runs the encoder's command line made for it.
void Encode(const std::string& path, const Samples& s, int rate,
            const std::function<std::string(const std::string& wav)>& command, const char* what)
{
    std::string wav = path + ".tmp.wav";
    WriteWav(wav, s, rate);
    const std::string line = command(wav);
    int rc = std::system(line.c_str());
    std::filesystem::remove(wav);
    if (rc != 0)
        Fail(std::string("the ") + what + " encoder failed: " + line);
}
} // namespace

void WriteOgg(const std::string& path, const Samples& s, int rate, const std::string& encoder, int serial,
              int quality)
{
    Encode(
        path, s, rate,
        [&](const std::string& wav)
        {
            return "'" + encoder + "' -Q --discard-comments -s " + std::to_string(serial) + " -q " +
                   std::to_string(quality) + " -o '" + path + "' '" + wav + "'";
        },
        "Vorbis");
}

void WriteMp3(const std::string& path, const Samples& s, int rate, const std::string& encoder, int bitrate)
{
    Encode(
        path, s, rate,
        [&](const std::string& wav)
        {
            return "'" + encoder + "' --quiet --noreplaygain -b " + std::to_string(bitrate) + " '" + wav +
                   "' '" + path + "'";
        },
        "MP3");
}

float NoiseSource::Next()
{
    mState ^= mState << 13;
    mState ^= mState >> 17;
    mState ^= mState << 5;
    return (mState >> 8) * (2.0f / 16777216.0f) - 1.0f;
}

BandPass::BandPass(float centre, float q, int rate)
{
    Set(centre, q, rate);
}

void BandPass::Set(float centre, float q, int rate)
{
    float w = kTwoPi * centre / rate;
    float alpha = std::sin(w) / (2 * q);
    float a0 = 1 + alpha;
    b0 = alpha / a0;
    b2 = -alpha / a0;
    a1 = -2 * std::cos(w) / a0;
    a2 = (1 - alpha) / a0;
}

float BandPass::Run(float x)
{
    float y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
}

LowPass::LowPass(float cutoff, int rate) : k(1 - std::exp(-kTwoPi * cutoff / rate)) {}

float LowPass::Run(float x)
{
    y += k * (x - y);
    return y;
}

void AddPartial(Samples& s, int rate, float start, float freq, float amp, float decay, float attack)
{
    size_t first = size_t(std::max(0.0f, start) * rate);
    for (size_t i = first; i < s.size(); ++i)
    {
        float t = float(i - first) / rate;
        float env = std::exp(-t / decay) * std::min(1.0f, t / attack);
        if (env < 1e-4f && t > attack)
            break;
        s[i] += amp * env * std::sin(kTwoPi * freq * t);
    }
}

} // namespace AssetGen
