// The pacer lets through only requests that come after its interval, reads
// the clock only every so many requests, and measures the gaps it allowed.
#include "ui/event_pacer.h"

#include <gtest/gtest.h>

#include <thread>

namespace morvane {
namespace {

using namespace std::chrono_literals;

TEST(EventPacer, NeverDueBeforeTheIntervalHowEverManyRequests) {
  EventPacer pacer(1h, 1);
  for (int i = 0; i < 100000; ++i) ASSERT_FALSE(pacer.Due());
}

TEST(EventPacer, DueOnlyOnEveryNthRequestOnceTheIntervalHasPassed) {
  EventPacer pacer(0ns, 4);
  std::vector<int> due;
  for (int i = 1; i <= 12; ++i) {
    if (pacer.Due()) due.push_back(i);
  }
  EXPECT_EQ(due, (std::vector<int>{4, 8, 12}));
}

TEST(EventPacer, LongestGapCoversTheSlowestStretchAndRestartForgetsIt) {
  EventPacer pacer(0ns, 1);
  std::this_thread::sleep_for(20ms);
  ASSERT_TRUE(pacer.Due());
  ASSERT_TRUE(pacer.Due());
  EXPECT_GE(pacer.longestGap(), 20ms);
  pacer.Restart();
  EXPECT_EQ(pacer.longestGap(), EventPacer::Clock::duration::zero());
}

}  // namespace
}  // namespace morvane
