#include "TestRegistry.h"

#include "graphics/SharedImage.h"

#include <gtest/gtest.h>

using namespace Lumo;

namespace
{
class SharedImageTest : public ::testing::Test
{
protected:
    TestRegistry mApp;
};
} // namespace

TEST_F(SharedImageTest, CountsAndCleanupFlag)
{
    MemoryImage image;
    SharedImage record;
    record.mImage = &image;
    {
        SharedImageRef first;
        first = &record;
        EXPECT_EQ(record.mRefCount, 1);
        {
            SharedImageRef copy(first);
            EXPECT_EQ(record.mRefCount, 2);
            EXPECT_EQ(copy.GetImage(), &image);
            EXPECT_EQ(copy.GetSharedDDImage(), &image);
        }
        EXPECT_EQ(record.mRefCount, 1);
        EXPECT_EQ(mApp.mUnreferenced, 0);
        first = first; // self-assignment keeps the image
        EXPECT_EQ(record.mRefCount, 1);
        EXPECT_EQ(first.GetImage(), &image);
        SharedImageRef other;
        other = &record;
        first = other;
        EXPECT_EQ(record.mRefCount, 2);
    }
    EXPECT_EQ(record.mRefCount, 0);
    EXPECT_EQ(mApp.mUnreferenced, 1);
    EXPECT_EQ(record.mImage, &image); // nothing deleted here

    SharedImageRef empty;
    EXPECT_EQ(empty.GetImage(), nullptr);
    EXPECT_EQ(static_cast<MemoryImage*>(empty), nullptr);
    empty = &record;
    empty = static_cast<SharedImage*>(nullptr);
    EXPECT_EQ(empty.GetImage(), nullptr);
    EXPECT_EQ(record.mRefCount, 0);
}

TEST_F(SharedImageTest, PrivateImages)
{
    TestRegistry registry;
    auto* owned = new MemoryImage(&registry);
    {
        SharedImageRef holder;
        holder = owned;
        holder.mOwnsUnshared = true;
        holder = owned; // the same image again is kept, not deleted
        EXPECT_EQ(registry.mImages.size(), 1u);
        {
            SharedImageRef copy(holder);
            EXPECT_FALSE(copy.mOwnsUnshared);
            EXPECT_EQ(copy.GetImage(), owned);
        }
        EXPECT_EQ(registry.mImages.size(), 1u);

        MemoryImage plain;
        SharedImageRef other;
        other = &plain;
        holder = other;                         // the other's private image is not taken over
        EXPECT_EQ(registry.mImages.size(), 0u); // the owned image went with Release
        EXPECT_EQ(holder.GetImage(), nullptr);

        // The owns flag is the handle's: it keeps its value, and the next image is owned too.
        holder = new MemoryImage(&registry);
        EXPECT_TRUE(holder.mOwnsUnshared);
        EXPECT_EQ(registry.mImages.size(), 1u);
    }
    EXPECT_EQ(registry.mImages.size(), 0u);
}
