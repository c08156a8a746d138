#include "app/MersenneTwister.h"

namespace Lumo
{

MersenneTwister gRandomGenerator(4357);

MersenneTwister::MersenneTwister(uint32_t seed)
{
    Seed(seed);
}

void MersenneTwister::Seed(uint32_t seed)
{
    if (seed == 0)
        seed = 4357;
    mState[0] = seed;
    for (int i = 1; i < STATE_SIZE; i++)
        mState[i] = mState[i - 1] * 69069u;
    mIndex = STATE_SIZE;
}

void MersenneTwister::Regenerate()
{
    const int shift = 397;
    for (int i = 0; i < STATE_SIZE; i++)
    {
        uint32_t joined = (mState[i] & 0x80000000u) | (mState[(i + 1) % STATE_SIZE] & 0x7FFFFFFFu);
        uint32_t next = mState[(i + shift) % STATE_SIZE] ^ (joined >> 1);
        if (joined & 1)
            next ^= 0x9908B0DFu;
        mState[i] = next;
    }
    mIndex = 0;
}

uint32_t MersenneTwister::Next()
{
    if (mIndex >= STATE_SIZE)
        Regenerate();
    uint32_t y = mState[mIndex++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y & 0x7FFFFFFFu;
}

uint32_t Rand()
{
    return gRandomGenerator.Next();
}

void SRand(uint32_t seed)
{
    gRandomGenerator.Seed(seed);
}

} // namespace Lumo
