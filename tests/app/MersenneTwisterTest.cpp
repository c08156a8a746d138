#include "app/MersenneTwister.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace Lumo;

// The standard library's MT19937, loaded with the state our seeding rule makes.
static std::mt19937 ReferenceGenerator(uint32_t seed)
{
    std::ostringstream state;
    uint32_t word = seed;
    for (int i = 0; i < 624; i++)
    {
        state << word << ' ';
        word *= 69069u;
    }
    state << 624;
    std::mt19937 reference;
    std::istringstream in(state.str());
    in >> reference;
    EXPECT_TRUE(in);
    return reference;
}

static void ExpectSameAsReference(uint32_t seed, uint32_t referenceSeed)
{
    SRand(seed);
    std::mt19937 reference = ReferenceGenerator(referenceSeed);
    for (int i = 0; i < 5000; i++)
    {
        uint32_t expected = reference() & 0x7FFFFFFFu;
        uint32_t value = Rand();
        ASSERT_EQ(value, expected) << "draw " << i << " after seed " << seed;
        ASSERT_LT(value, 0x80000000u);
    }
}

TEST(MersenneTwister, MatchesReferenceAfterSeed4357)
{
    ExpectSameAsReference(4357, 4357);
}

TEST(MersenneTwister, MatchesReferenceAfterSeed1)
{
    ExpectSameAsReference(1, 1);
}

TEST(MersenneTwister, SeedZeroIsSeed4357)
{
    ExpectSameAsReference(0, 4357);
}

TEST(MersenneTwister, ReseedingRestartsTheSequence)
{
    MersenneTwister generator(99);
    uint32_t first = generator.Next();
    generator.Next();
    generator.Seed(99);
    EXPECT_EQ(generator.Next(), first);
    // A fresh generator starts from seed 4357.
    MersenneTwister fresh;
    std::mt19937 reference = ReferenceGenerator(4357);
    EXPECT_EQ(fresh.Next(), reference() & 0x7FFFFFFFu);
}
