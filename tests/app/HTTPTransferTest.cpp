#include "app/HTTPTransfer.h"

#include <gtest/gtest.h>

using namespace Lumo;

TEST(HTTPTransferTest, EachTransferTakesTheNextIdAndAbortsWithoutARequest)
{
    HTTPTransfer first;
    HTTPTransfer second;
    EXPECT_GT(first.mTransferId, gHTTPTransfer.mTransferId);
    EXPECT_EQ(second.mTransferId, first.mTransferId + 1);
    EXPECT_FALSE(first.mTransferPending);
    EXPECT_EQ(first.mResult, 1);
    EXPECT_EQ(first.mState, 1);
    first.Abort();
    EXPECT_TRUE(first.mAborted);
    EXPECT_TRUE(first.mThreadAborted);
    EXPECT_FALSE(second.mAborted);
}
