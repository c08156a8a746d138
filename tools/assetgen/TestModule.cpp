// The sound tests' own tracker module, tune.mod: one looped 32-byte sine sample; three orders playing
// patterns 0, 1 and 2, each eight rows long at speed 3 (0.48 s a pattern, 1.44 s the song), restarting at
// order 0. Each pattern holds one note on channel 1 (the left): C-2 in pattern 0 (about 259 Hz), C-3 in
// pattern 1 (518 Hz), C-4 in pattern 2 (1036 Hz), so a listener tells the order by the pitch it hears.
#include "tools/assetgen/Assets.h"
#include "tools/assetgen/Writers.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace AssetGen
{

namespace
{
constexpr int kRows = 64;
constexpr int kChannels = 4;
constexpr int kSampleBytes = 32;
constexpr uint16_t kPeriods[3] = {428, 214, 107}; // C-2, C-3, C-4

void PutBE16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

void PutText(std::vector<uint8_t>& out, const std::string& text, size_t size)
{
    for (size_t i = 0; i < size; i++)
        out.push_back(i < text.size() ? uint8_t(text[i]) : 0);
}

// One cell: sample number, Amiga period, effect and its parameter.
void PutCell(std::vector<uint8_t>& out, int sample, uint16_t period, int effect, int parameter)
{
    out.push_back(uint8_t((sample & 0xF0) | (period >> 8)));
    out.push_back(uint8_t(period));
    out.push_back(uint8_t(((sample & 0x0F) << 4) | effect));
    out.push_back(uint8_t(parameter));
}

std::vector<uint8_t> Module()
{
    std::vector<uint8_t> out;
    PutText(out, "crustavia test tune", 20);
    // Sample 1: a full-volume sine, looped whole; the other 30 are empty.
    PutText(out, "sine", 22);
    PutBE16(out, kSampleBytes / 2); // lengths are in 16-bit words
    out.push_back(0);               // finetune
    out.push_back(64);              // volume
    PutBE16(out, 0);
    PutBE16(out, kSampleBytes / 2);
    for (int i = 1; i < 31; i++)
    {
        PutText(out, "", 22);
        PutBE16(out, 0);
        out.push_back(0);
        out.push_back(0);
        PutBE16(out, 0);
        PutBE16(out, 1);
    }
    out.push_back(3); // orders
    out.push_back(0); // restart at order 0
    for (int i = 0; i < 128; i++)
        out.push_back(uint8_t(i < 3 ? i : 0));
    PutText(out, "M.K.", 4);
    for (int pattern = 0; pattern < 3; pattern++)
    {
        for (int row = 0; row < kRows; row++)
        {
            for (int channel = 0; channel < kChannels; channel++)
            {
                if (row == 0 && channel == 0)
                    PutCell(out, 1, kPeriods[pattern], 0, 0);
                else if (row == 0 && channel == 1)
                    PutCell(out, 0, 0, 0xF, 3); // speed 3
                else if (row == 7 && channel == 1)
                    PutCell(out, 0, 0, 0xD, 0); // on to the next order
                else
                    PutCell(out, 0, 0, 0, 0);
            }
        }
    }
    for (int i = 0; i < kSampleBytes; i++)
        out.push_back(uint8_t(int8_t(std::lround(100 * std::sin(i * 2 * 3.14159265358979 / kSampleBytes)))));
    return out;
}
} // namespace

void MakeTestModule(const std::string& dir)
{
    const std::vector<uint8_t> module = Module();
    std::ofstream file(dir + "/tune.mod", std::ios::binary);
    file.write(reinterpret_cast<const char*>(module.data()), std::streamsize(module.size()));
    file.close();
    if (!file)
        Fail("cannot write " + dir + "/tune.mod");
}

} // namespace AssetGen
