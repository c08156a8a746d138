#include "tremor/OggLinks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

TEST(OggLinks, EveryStreamBeginningIsCountedAndTheFileIsPutBack)
{
    // Headers back to back over several reads, so that some are cut between two reads.
    constexpr int kHeaders = 40000;
    std::string bytes = "junk";
    for (int i = 0; i < kHeaders; i++)
        bytes.append("OggS\0\2", 6);
    FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
    ASSERT_TRUE(file);
    ASSERT_EQ(std::fseek(file, 4, SEEK_SET), 0);
    EXPECT_TRUE(Platform::OggLinksWithin(file, kHeaders));
    EXPECT_EQ(std::ftell(file), 4);
    EXPECT_FALSE(Platform::OggLinksWithin(file, kHeaders - 1));
    std::fclose(file);
}
