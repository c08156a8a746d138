// Five polka loops in 2/4: an oom-pah bass with off-beat chords, a light snare,
// and a melody made from chord tones and steps. Every note is mixed into a
// circular buffer whose length is a whole number of bars, so a tail that runs
// past the end sounds at the start and the loop has no gap or click.
#include "tools/assetgen/Assets.h"
#include "tools/assetgen/Audio.h"
#include "tools/assetgen/Canvas.h"

#include <cmath>
#include <vector>

namespace AssetGen
{

namespace
{
constexpr int kRate = 44100;
constexpr float kTwoPi = 6.28318530718f;
constexpr int kBars = 32;

struct Wave
{
    std::vector<float> table;
    explicit Wave(std::vector<float> harmonics) : table(4096)
    {
        float peak = 0;
        for (size_t i = 0; i < table.size(); ++i)
        {
            float v = 0;
            for (size_t h = 0; h < harmonics.size(); ++h)
                v += harmonics[h] * std::sin(kTwoPi * float(h + 1) * float(i) / float(table.size()));
            table[i] = v;
            peak = std::max(peak, std::fabs(v));
        }
        for (float& v : table)
            v /= peak;
    }
    float At(float phase) const
    {
        float p = phase * float(table.size());
        size_t i = size_t(p) % table.size();
        float t = p - std::floor(p);
        return table[i] + (table[(i + 1) % table.size()] - table[i]) * t;
    }
};

const Wave& Accordion()
{
    static const Wave w({1, 0.55f, 0.4f, 0.3f, 0.22f, 0.18f, 0.14f, 0.1f, 0.08f, 0.06f, 0.04f, 0.03f});
    return w;
}
const Wave& Clarinet()
{
    static const Wave w({1, 0.04f, 0.55f, 0.03f, 0.3f, 0.02f, 0.14f, 0.01f, 0.07f});
    return w;
}
const Wave& Trumpet()
{
    static const Wave w({1, 0.85f, 0.7f, 0.5f, 0.4f, 0.28f, 0.2f, 0.14f, 0.09f, 0.05f});
    return w;
}
const Wave& Tuba()
{
    static const Wave w({1, 0.6f, 0.28f, 0.12f, 0.05f});
    return w;
}

enum class Lead
{
    Accordion,
    Clarinet,
    Trumpet,
    Doubled // clarinet with the accordion an octave below
};

struct Loop
{
    std::vector<float> buffer;
    explicit Loop(size_t length) : buffer(length, 0.0f) {}

    // A note of `seconds` from sample `start`, wrapping round the loop.
    void Note(size_t start, float seconds, float midi, const Wave& wave, float amp, float attack,
              float release, float detuneCents = 0, float vibrato = 0)
    {
        float freq = 440.0f * std::pow(2.0f, (midi - 69) / 12.0f) * std::pow(2.0f, detuneCents / 1200.0f);
        size_t hold = size_t(seconds * kRate), total = hold + size_t(release * 5 * kRate);
        float phase = 0;
        for (size_t i = 0; i < total; ++i)
        {
            float t = float(i) / kRate;
            float env = std::min(1.0f, t / attack);
            if (i >= hold)
                env *= std::exp(-(t - seconds) / release);
            float vib = vibrato > 0 && t > 0.15f ? vibrato * std::sin(kTwoPi * 5.5f * t) : 0.0f;
            phase += freq * (1 + vib) / kRate;
            phase -= std::floor(phase);
            buffer[(start + i) % buffer.size()] += amp * env * wave.At(phase);
        }
    }
    void Snare(size_t start, float amp, uint32_t seed)
    {
        NoiseSource noise(seed);
        BandPass band(2200, 0.9f, kRate);
        size_t n = size_t(0.12f * kRate);
        for (size_t i = 0; i < n; ++i)
        {
            float t = float(i) / kRate;
            buffer[(start + i) % buffer.size()] += amp * std::exp(-t / 0.035f) * band.Run(noise.Next());
        }
    }
    void Kick(size_t start, float amp)
    {
        float phase = 0;
        size_t n = size_t(0.2f * kRate);
        for (size_t i = 0; i < n; ++i)
        {
            float t = float(i) / kRate;
            phase += (50 + 60 * std::exp(-t / 0.03f)) / kRate;
            buffer[(start + i) % buffer.size()] += amp * std::exp(-t / 0.06f) * std::sin(kTwoPi * phase);
        }
    }
};

struct Track
{
    const char* file;
    int root; // MIDI note of the key's tonic in the melody's octave
    bool minor;
    int bpm;
    uint32_t seed;
    Lead lead;
};

// Chords as semitones above the tonic: 0 tonic, 1 subdominant, 2 dominant seventh.
std::vector<int> ChordTones(int chord, bool minor)
{
    switch (chord)
    {
    case 1:
        return minor ? std::vector<int>{5, 8, 12} : std::vector<int>{5, 9, 12};
    case 2:
        return {7, 11, 14, 17};
    default:
        return minor ? std::vector<int>{0, 3, 7} : std::vector<int>{0, 4, 7};
    }
}

int ScaleNote(int degree, bool minor)
{
    static const int major[7] = {0, 2, 4, 5, 7, 9, 11}, harmonicMinor[7] = {0, 2, 3, 5, 7, 8, 11};
    int octave = degree >= 0 ? degree / 7 : -((-degree + 6) / 7);
    int step = degree - octave * 7;
    return octave * 12 + (minor ? harmonicMinor[step] : major[step]);
}

// The scale degree (within the melody's range) of the chord tone nearest to `from`.
int NearestChordDegree(int from, const std::vector<int>& chord, bool minor, Rng& rng)
{
    int best = from, bestDistance = 1000, second = from;
    for (int d = -3; d <= 11; ++d)
    {
        int pc = ((ScaleNote(d, minor) % 12) + 12) % 12;
        bool inChord = false;
        for (int t : chord)
            inChord = inChord || pc == t % 12;
        if (!inChord)
            continue;
        int dist = std::abs(d - from);
        if (dist < bestDistance)
        {
            second = best;
            bestDistance = dist;
            best = d;
        }
    }
    return rng.Unit() < 0.7f || second == from ? best : second;
}

void MakeTrack(const std::string& root, const std::string& encoder, const Track& track, int serial)
{
    const double barSeconds = 2 * 60.0 / track.bpm;
    const size_t barSamples = size_t(std::lround(barSeconds * kRate));
    const double sixteenth = barSeconds / 8;
    Loop loop(barSamples * kBars);
    auto at = [&](int bar, double sixteenths)
    { return size_t(bar) * barSamples + size_t(std::lround(sixteenths * sixteenth * kRate)); };

    const int progressions[3][8] = {
        {0, 0, 2, 2, 2, 2, 0, 0}, {0, 0, 1, 1, 2, 2, 0, 0}, {1, 1, 0, 0, 2, 2, 0, 0}};
    const int form[4] = {0, 1, 2, 0};
    const std::vector<std::vector<int>> rhythms = {{2, 2, 2, 2},      {1, 1, 2, 2, 2}, {2, 1, 1, 2, 2},
                                                   {2, 2, 1, 1, 2},   {3, 1, 2, 2},    {4, 2, 2},
                                                   {1, 1, 1, 1, 2, 2}};
    Rng rng(track.seed);
    // Rhythms for the eight bars of a phrase: a two-bar motif that comes back.
    int motif[2] = {int(rng.Next() % rhythms.size()), int(rng.Next() % rhythms.size())};
    int contrast[2] = {int(rng.Next() % rhythms.size()), int(rng.Next() % rhythms.size())};
    const int phraseRhythm[8] = {motif[0],    motif[1],    motif[0], motif[1],
                                 contrast[0], contrast[1], motif[0], -1};

    const Wave& leadWave = track.lead == Lead::Trumpet     ? Trumpet()
                           : track.lead == Lead::Accordion ? Accordion()
                                                           : Clarinet();
    int degree = 4;
    for (int part = 0; part < 4; ++part)
    {
        const int* prog = progressions[form[part]];
        Rng partRng(track.seed * 31 + uint32_t(form[part]) + (part == 3 ? 7 : 0));
        for (int b = 0; b < 8; ++b)
        {
            int bar = part * 8 + b;
            std::vector<int> chord = ChordTones(prog[b], track.minor);
            // Oom: the bass on both beats, root then fifth; pah: the chord on the off-beats.
            int bassRoot = track.root - 24 + chord[0] - (chord[0] > 6 ? 12 : 0);
            loop.Note(at(bar, 0), float(sixteenth * 2.6), float(bassRoot), Tuba(), 0.55f, 0.01f, 0.04f);
            loop.Note(at(bar, 4), float(sixteenth * 2.6), float(bassRoot + (b % 2 ? 7 : -5)), Tuba(), 0.5f,
                      0.01f, 0.04f);
            loop.Kick(at(bar, 0), 0.35f);
            loop.Kick(at(bar, 4), 0.25f);
            for (double off : {2.0, 6.0})
            {
                for (int t : chord)
                    loop.Note(at(bar, off), float(sixteenth * 1.1), float(track.root - 12 + t), Accordion(),
                              0.11f, 0.005f, 0.03f);
                loop.Snare(at(bar, off), 0.18f, uint32_t(bar * 2 + int(off)));
            }

            // The melody.
            bool cadence = phraseRhythm[b] < 0;
            std::vector<int> rhythm = cadence ? std::vector<int>{4, 4} : rhythms[size_t(phraseRhythm[b])];
            double pos = 0;
            for (size_t n = 0; n < rhythm.size(); ++n)
            {
                bool strong = pos == 0 || pos == 4;
                if (cadence)
                    degree = n == 0 ? NearestChordDegree(degree, chord, track.minor, partRng) : 0;
                else if (strong)
                    degree = NearestChordDegree(degree, chord, track.minor, partRng);
                else
                {
                    int step = int(partRng.Next() % 5) - 2;
                    degree = std::clamp(degree + (step == 0 ? 1 : step), -2, 10);
                }
                if (cadence && n == 1)
                    degree = part == 2 ? 4 : 0; // the middle part ends open, on the fifth
                float midi = float(track.root + ScaleNote(degree, track.minor));
                float length = float(rhythm[n] * sixteenth * (cadence && n == 1 ? 0.6 : 0.85));
                float amp = strong ? 0.34f : 0.28f;
                float vib = rhythm[n] >= 3 ? 0.004f : 0.0f;
                loop.Note(at(bar, pos), length, midi, leadWave, amp, 0.008f, 0.04f, 0, vib);
                if (track.lead == Lead::Accordion)
                    loop.Note(at(bar, pos), length, midi, leadWave, amp * 0.6f, 0.008f, 0.04f, 7, 0);
                if (track.lead == Lead::Doubled)
                    loop.Note(at(bar, pos), length, midi - 12, Accordion(), amp * 0.5f, 0.008f, 0.04f, 0, 0);
                pos += rhythm[n];
            }
        }
    }
    Normalise(loop.buffer, 0.85f);
    WriteOgg(root + "/music/" + track.file, loop.buffer, kRate, encoder, serial, 2);
}
} // namespace

void MakeMusic(const std::string& root, const std::string& encoder)
{
    const Track tracks[5] = {
        {"Andromeda_Polka.ogg", 77, false, 126, 101, Lead::Accordion},
        {"Anna_Polka.ogg", 70, false, 120, 202, Lead::Clarinet},
        {"Peperocina_Polka.ogg", 72, false, 140, 303, Lead::Trumpet},
        {"Desperata_Polka.ogg", 74, true, 112, 404, Lead::Accordion},
        {"ScaccoMatto_Polka.ogg", 79, false, 126, 505, Lead::Doubled},
    };
    for (int i = 0; i < 5; ++i)
        MakeTrack(root, encoder, tracks[i], 2000 + i);
}

} // namespace AssetGen
