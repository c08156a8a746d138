// The thirteen sound effects, each synthesised to sound like its name.
#include "tools/assetgen/Assets.h"
#include "tools/assetgen/Audio.h"
#include "tools/assetgen/Canvas.h"

#include <cmath>

namespace AssetGen
{

namespace
{
constexpr int kRate = 22050;
constexpr float kTwoPi = 6.28318530718f;

Samples Make(float seconds)
{
    return Samples(size_t(seconds * kRate), 0.0f);
}

// Normalises to `peak` and fades the tail out.
void Finish(Samples& s, float peak)
{
    Normalise(s, peak);
    FadeOutEnd(s, kRate, std::min(0.15f, s.size() / float(kRate) / 4));
}

// A burst of band-passed noise: claps, ticks, rustles.
void NoiseBurst(Samples& s, float start, float length, float centre, float q, float amp, float decay,
                uint32_t seed)
{
    NoiseSource noise(seed);
    BandPass band(centre, q, kRate);
    size_t first = size_t(start * kRate), n = size_t(length * kRate);
    for (size_t i = 0; i < n && first + i < s.size(); ++i)
    {
        float t = float(i) / kRate;
        s[first + i] += amp * std::exp(-t / decay) * band.Run(noise.Next());
    }
}

// A thump: a sine that falls in pitch and dies away quickly.
void Thump(Samples& s, float start, float f0, float f1, float amp, float decay)
{
    size_t first = size_t(start * kRate);
    float phase = 0;
    for (size_t i = first; i < s.size(); ++i)
    {
        float t = float(i - first) / kRate;
        float env = std::exp(-t / decay) * std::min(1.0f, t / 0.003f);
        if (env < 1e-4f && t > 0.01f)
            break;
        float f = f1 + (f0 - f1) * std::exp(-t / 0.04f);
        phase += kTwoPi * f / kRate;
        s[i] += amp * env * std::sin(phase);
    }
}

Samples CashRegister()
{
    Samples s = Make(1.6f);
    // The drawer: a clunk and a rattle.
    Thump(s, 0.0f, 180, 70, 0.8f, 0.05f);
    NoiseBurst(s, 0.0f, 0.12f, 900, 1.5f, 1.2f, 0.03f, 1);
    for (int i = 0; i < 5; ++i)
        NoiseBurst(s, 0.03f + i * 0.022f, 0.02f, 3500, 4, 0.5f, 0.004f, 10 + uint32_t(i));
    // The bell: ka-ching.
    const float partials[5][3] = {{2093, 0.6f, 0.45f},
                                  {2637, 0.35f, 0.35f},
                                  {4186, 0.25f, 0.25f},
                                  {5274, 0.15f, 0.15f},
                                  {3136, 0.3f, 0.3f}};
    for (const auto& p : partials)
        AddPartial(s, kRate, 0.14f, p[0], p[1], p[2]);
    // Coins settling.
    Rng rng(5);
    for (int i = 0; i < 8; ++i)
        AddPartial(s, kRate, 0.3f + rng.Range(0, 0.4f), rng.Range(5000, 7500), 0.12f, 0.03f);
    Finish(s, 0.9f);
    return s;
}

Samples Clap()
{
    // Applause: many hands, swelling and dying away.
    Samples s = Make(2.4f);
    Rng rng(7);
    for (int i = 0; i < 180; ++i)
    {
        float t = rng.Range(0, 2.1f);
        float swell = std::sin(3.14159f * std::min(1.0f, t / 2.1f)) * 0.8f + 0.2f;
        NoiseBurst(s, t, 0.05f, rng.Range(900, 2400), 1.8f, swell * rng.Range(0.5f, 1.0f),
                   rng.Range(0.006f, 0.012f), 100 + uint32_t(i));
    }
    Finish(s, 0.85f);
    return s;
}

Samples Click()
{
    Samples s = Make(0.06f);
    NoiseBurst(s, 0, 0.03f, 2500, 2, 1.0f, 0.004f, 3);
    AddPartial(s, kRate, 0, 1800, 0.5f, 0.006f, 0.0005f);
    Finish(s, 0.8f);
    return s;
}

Samples ClockTick()
{
    // Tick-tock, twice.
    Samples s = Make(2.0f);
    for (int i = 0; i < 4; ++i)
    {
        float t = i * 0.5f;
        float f = i % 2 ? 1900.0f : 2700.0f;
        NoiseBurst(s, t, 0.05f, f, 6, 1.0f, 0.008f, 20 + uint32_t(i));
        AddPartial(s, kRate, t, f, 0.4f, 0.015f, 0.0005f);
    }
    Finish(s, 0.8f);
    return s;
}

Samples CrowdOoh()
{
    // A disappointed "ooh": voices sliding down, through an "oo" vowel.
    Samples s = Make(1.8f);
    Rng rng(9);
    for (int v = 0; v < 12; ++v)
    {
        float f0 = rng.Range(120, 260), start = rng.Range(0, 0.12f), vibRate = rng.Range(4.5f, 6.5f);
        BandPass f1(rng.Range(300, 360), 5, kRate), f2(rng.Range(800, 900), 8, kRate);
        float phase = 0;
        size_t first = size_t(start * kRate);
        for (size_t i = first; i < s.size(); ++i)
        {
            float t = float(i - first) / kRate;
            float pitch = f0 * (1.0f + 0.12f * std::exp(-t / 0.25f) - 0.22f * t / 1.6f) *
                          (1 + 0.012f * std::sin(kTwoPi * vibRate * t));
            phase += pitch / kRate;
            phase -= std::floor(phase);
            float source = phase * 2 - 1; // buzz of the vocal folds
            float env = std::min(1.0f, t / 0.15f) * std::exp(-std::max(0.0f, t - 0.5f) / 0.35f);
            s[i] += env * (f1.Run(source) + 0.5f * f2.Run(source));
        }
    }
    Finish(s, 0.85f);
    return s;
}

Samples Ding()
{
    Samples s = Make(2.2f);
    AddPartial(s, kRate, 0, 1568, 0.7f, 0.5f);
    AddPartial(s, kRate, 0, 1568 * 2.76f, 0.25f, 0.18f);
    AddPartial(s, kRate, 0, 1568 * 5.4f, 0.12f, 0.07f);
    AddPartial(s, kRate, 0, 1570.5f, 0.3f, 0.45f);
    Finish(s, 0.85f);
    return s;
}

Samples DoorSlam()
{
    Samples s = Make(1.0f);
    Thump(s, 0.0f, 120, 45, 1.0f, 0.12f);
    NoiseBurst(s, 0.0f, 0.25f, 400, 0.8f, 1.6f, 0.05f, 30);
    // The frame rattles after the slam.
    for (int i = 0; i < 4; ++i)
        NoiseBurst(s, 0.08f + i * 0.045f, 0.03f, 1200, 3, 0.35f / float(i + 1), 0.006f, 31 + uint32_t(i));
    Finish(s, 0.9f);
    return s;
}

Samples Heartbeat()
{
    // Lub-dub, twice.
    Samples s = Make(1.8f);
    for (float beat : {0.0f, 0.9f})
    {
        Thump(s, beat, 70, 45, 1.0f, 0.07f);
        Thump(s, beat + 0.24f, 80, 50, 0.75f, 0.06f);
    }
    Finish(s, 0.9f);
    return s;
}

// A brass-like note: a saw-like tone whose brightness follows its envelope.
void BrassNote(Samples& s, float start, float length, float freq, float amp)
{
    size_t first = size_t(start * kRate), n = size_t(length * kRate);
    float phase = 0;
    LowPass lp(2500, kRate);
    for (size_t i = 0; i < n + size_t(0.08f * kRate) && first + i < s.size(); ++i)
    {
        float t = float(i) / kRate;
        float env = std::min(1.0f, t / 0.02f) * (i < n ? 1.0f : std::exp(-(t - length) / 0.02f));
        phase += freq * (1 + 0.004f * std::sin(kTwoPi * 6 * t)) / kRate;
        phase -= std::floor(phase);
        float tone = 0;
        for (int h = 1; h <= 8; ++h)
            tone += std::sin(kTwoPi * phase * h) / h * (h == 1 ? 1.0f : env);
        s[first + i] += amp * env * lp.Run(tone);
    }
}

Samples HurryUp()
{
    // "Hur-ry up!": two quick notes and a higher long one.
    Samples s = Make(0.9f);
    BrassNote(s, 0.0f, 0.1f, 523.25f, 0.8f);
    BrassNote(s, 0.13f, 0.1f, 523.25f, 0.8f);
    BrassNote(s, 0.26f, 0.45f, 783.99f, 1.0f);
    Finish(s, 0.85f);
    return s;
}

Samples PageTurn()
{
    // Paper sweeping past, with a flap at the end.
    Samples s = Make(0.45f);
    NoiseSource noise(40);
    BandPass band(1000, 1.2f, kRate);
    for (size_t i = 0; i < s.size(); ++i)
    {
        float t = float(i) / kRate;
        band.Set(900 + 3500 * std::min(1.0f, t / 0.3f), 1.2f, kRate);
        float env =
            std::sin(3.14159f * std::min(1.0f, t / 0.32f)) * (0.7f + 0.3f * std::sin(kTwoPi * 37 * t));
        s[i] += env * band.Run(noise.Next());
    }
    NoiseBurst(s, 0.3f, 0.1f, 700, 1, 1.5f, 0.02f, 41);
    Finish(s, 0.7f);
    return s;
}

Samples Thud()
{
    Samples s = Make(0.35f);
    Thump(s, 0, 110, 55, 1.0f, 0.07f);
    NoiseBurst(s, 0, 0.06f, 300, 0.8f, 0.8f, 0.015f, 50);
    Finish(s, 0.9f);
    return s;
}

Samples TrashCan()
{
    // A metal bin: the lid clangs, bounces and rattles.
    Samples s = Make(1.5f);
    const float partials[6] = {420, 1130, 1870, 2650, 3720, 5010};
    const float bounces[4] = {0.0f, 0.16f, 0.27f, 0.34f};
    for (int b = 0; b < 4; ++b)
    {
        float amp = 1.0f / float(b + 1);
        for (int k = 0; k < 6; ++k)
            AddPartial(s, kRate, bounces[b], partials[k] * (1 + 0.01f * b), amp * 0.3f / (1 + 0.3f * k),
                       0.25f / (1 + 0.4f * k));
        NoiseBurst(s, bounces[b], 0.05f, 3000, 1.5f, amp * 0.6f, 0.01f, 60 + uint32_t(b));
    }
    Thump(s, 0, 150, 60, 0.6f, 0.06f);
    Finish(s, 0.85f);
    return s;
}

Samples WhistleHere()
{
    // A call for the waiter: a rising whistle, then one that falls.
    Samples s = Make(1.0f);
    NoiseSource noise(70);
    BandPass breath(2500, 3, kRate);
    float phase = 0;
    for (size_t i = 0; i < s.size(); ++i)
    {
        float t = float(i) / kRate;
        float f, env;
        if (t < 0.3f)
        {
            f = 1500 + 1100 * (t / 0.3f);
            env = std::min(1.0f, t / 0.03f);
        }
        else if (t < 0.4f)
        {
            f = 2600;
            env = std::max(0.0f, 1 - (t - 0.3f) / 0.03f);
        }
        else
        {
            float u = (t - 0.4f) / 0.5f;
            f = 2600 - 800 * u;
            env = std::min(1.0f, (t - 0.4f) / 0.03f) * std::max(0.0f, 1 - u * u);
        }
        phase += f * (1 + 0.008f * std::sin(kTwoPi * 7 * t)) / kRate;
        phase -= std::floor(phase);
        s[i] += env * (std::sin(kTwoPi * phase) + 0.15f * breath.Run(noise.Next()));
    }
    Finish(s, 0.8f);
    return s;
}
} // namespace

void MakeSounds(const std::string& root, const std::string& encoder)
{
    // Some as WAV and some as Ogg, so the game reads both kinds.
    const std::string dir = root + "/sfx/";
    WriteOgg(dir + "cashregister.ogg", CashRegister(), kRate, encoder, 1000, 3);
    WriteOgg(dir + "clap.ogg", Clap(), kRate, encoder, 1001, 3);
    WriteWav(dir + "click.wav", Click(), kRate);
    WriteWav(dir + "clocktick.wav", ClockTick(), kRate);
    WriteOgg(dir + "crowdooh.ogg", CrowdOoh(), kRate, encoder, 1004, 3);
    WriteWav(dir + "ding.wav", Ding(), kRate);
    WriteOgg(dir + "doorslam.ogg", DoorSlam(), kRate, encoder, 1006, 3);
    WriteWav(dir + "heartbeat.wav", Heartbeat(), kRate);
    WriteOgg(dir + "hurryup.ogg", HurryUp(), kRate, encoder, 1008, 3);
    WriteWav(dir + "pageturn.wav", PageTurn(), kRate);
    WriteWav(dir + "thud.wav", Thud(), kRate);
    WriteOgg(dir + "trashcan.ogg", TrashCan(), kRate, encoder, 1011, 3);
    WriteOgg(dir + "whistlehere.ogg", WhistleHere(), kRate, encoder, 1012, 3);
}

void MakeTestSounds(const std::string& dir, const std::string& mp3Encoder)
{
    // The MP3 road of the sound manager and of both music libraries.
    WriteMp3(dir + "/ding.mp3", Ding(), kRate, mp3Encoder, 32);
}

} // namespace AssetGen
