#include "app/Common.h"

#include <gtest/gtest.h>

using namespace Lumo;

TEST(PathHelpers, DirectoryAndSlashes)
{
    EXPECT_EQ(GetFileDir("a\\b/c"), "a\\b");
    EXPECT_EQ(GetFileDir("a/b\\c"), "a/b");
    EXPECT_EQ(GetFileDir("a/b\\c.txt"), "a/b");
    EXPECT_EQ(GetFileDir("x.txt"), "");
    EXPECT_EQ(AddTrailingSlash("dir/"), "dir/");
    EXPECT_EQ(AddTrailingSlash("dir"), "dir\\");
    EXPECT_EQ(AddTrailingSlash(""), "");
    EXPECT_EQ(RemoveTrailingSlash("a\\\\"), "a\\");
    EXPECT_EQ(RemoveTrailingSlash("a/"), "a");
    EXPECT_EQ(RemoveTrailingSlash("a"), "a");
    EXPECT_EQ(RemoveTrailingSlash(""), "");
}

TEST(ResolveRelativePath, Examples)
{
    EXPECT_EQ(ResolveRelativePath("..\\images\\a.png", "fonts\\big\\"), "fonts\\images\\a.png");
    EXPECT_EQ(ResolveRelativePath("a.png", "C:/data/fonts"), "C:/data/fonts/a.png");
    EXPECT_EQ(ResolveRelativePath("a/b.png", ""), "a/b.png");
    EXPECT_EQ(ResolveRelativePath("D:x.png", "fonts\\"), "D:x.png");
    EXPECT_EQ(ResolveRelativePath("D:x.png", ""), "D:x.png");
    EXPECT_EQ(ResolveRelativePath("..\\..\\b.png", "a\\"), "..\\b.png");
}

TEST(ResolveRelativePath, FoldsComponents)
{
    // Mixed separators become the one the inputs use.
    EXPECT_EQ(ResolveRelativePath("./img/x.png", "fonts\\"), "fonts\\img\\x.png");
    EXPECT_EQ(ResolveRelativePath("../x.png", "gfx/ui"), "gfx/x.png");
    // A doubled separator goes to the root of the drive.
    EXPECT_EQ(ResolveRelativePath("a//x.png", "C:/data"), "C:/x.png");
    // ".." that cannot be folded stacks up.
    EXPECT_EQ(ResolveRelativePath("../x.png", "../"), "../../x.png");
}

TEST(ResolveRelativePath, ParentOfRootStaysAtRoot)
{
    EXPECT_EQ(ResolveRelativePath("../x.png", "/"), "/x.png");
    EXPECT_EQ(ResolveRelativePath("..\\..\\..\\x.png", "C:\\data\\"), "C:\\x.png");
    EXPECT_EQ(ResolveRelativePath("/../../y/x.png", "base"), "/y/x.png");
}
