#include <gtest/gtest.h>

#include <chrono>

#include "platform/SystemClock.h"

namespace talun {
namespace {

TEST(SystemClock, SleepsAtLeastAsLongAsAskedAndCountsIt) {
    SystemClock clock;
    const uint64_t before = clock.NowMs();
    const auto start = std::chrono::steady_clock::now();
    clock.Sleep(30);
    const auto slept = std::chrono::steady_clock::now() - start;
    EXPECT_GE(slept, std::chrono::milliseconds(30));
    EXPECT_LT(slept, std::chrono::seconds(10));  // milliseconds, not seconds
    EXPECT_GE(clock.NowMs() - before, 30u);

    // A zero sleep returns; time never runs backwards.
    clock.Sleep(0);
    EXPECT_GE(clock.NowMs(), before + 30);
}

}  // namespace
}  // namespace talun
