#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "ContentHash.h"

namespace {

TEST(ContentHash, CopiesGoOnFromWhereTheOriginalWas)
{
    const std::string first(45, 'a'), second = "the rest of the file\r\n";
    CContentHash whole;
    whole.Feed((first + second).data(), first.size() + second.size());

    CContentHash original;
    original.Feed(first.data(), first.size());
    CContentHash copy(original);
    CContentHash assigned;
    assigned.Feed("something else", 14);
    assigned = original;
    for (CContentHash* hash : {&original, &copy, &assigned}) {
        hash->Feed(second.data(), second.size());
        EXPECT_EQ(hash->Digest(), whole.Digest());
        EXPECT_EQ(hash->Size(), whole.Size());
    }
    // The copies are apart: feeding one leaves the other as it was.
    copy.Feed("x", 1);
    EXPECT_NE(copy.Digest(), original.Digest());
    EXPECT_EQ(original.Digest(), whole.Digest());

    CContentHash moved(std::move(copy));
    CContentHash again(original);
    again.Feed("x", 1);
    EXPECT_EQ(moved.Digest(), again.Digest());
}

TEST(ContentHash, NothingFedIsTheEmptyFile)
{
    CContentHash empty, fedNothing;
    fedNothing.Feed(nullptr, 0);
    EXPECT_EQ(fedNothing.Digest(), empty.Digest());
    EXPECT_EQ(fedNothing.Size(), 0u);
    CContentHash zero;
    zero.Feed("", 1); // one NUL byte is not nothing
    EXPECT_NE(zero.Digest(), empty.Digest());
}

} // namespace
