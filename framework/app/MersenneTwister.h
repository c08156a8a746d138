// The process-wide random generator: MT19937 with 31-bit outputs. Its seed is
// stored in demo files, so the sequence for a seed must never change.
#pragma once

#include <cstdint>

namespace Lumo
{

class MersenneTwister
{
public:
    static const int STATE_SIZE = 624;

    explicit MersenneTwister(uint32_t seed = 4357);
    void Seed(uint32_t seed);
    // Always below 2^31.
    uint32_t Next();

private:
    void Regenerate();

    uint32_t mState[STATE_SIZE];
    int mIndex;
};

extern MersenneTwister gRandomGenerator;

uint32_t Rand();
void SRand(uint32_t seed);

} // namespace Lumo
