#include "platform/testing/testsupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

// Waiting again for a child already collected returns at once instead of
// spinning; a hang would end the probe with SIGALRM.
TEST(TestSupportTest, WaitingForAChildTwiceReturns) {
    const pid_t probe = testsupport::ForkChild([] {
        alarm(5);
        const pid_t child = testsupport::ForkChild([] { return 3; });
        if (testsupport::WaitChild(child) != 3) return 1;
        return testsupport::WaitChild(child) == -1000 ? 0 : 2;
    });
    EXPECT_EQ(testsupport::WaitChild(probe), 0);
}
