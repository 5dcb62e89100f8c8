// The pacer lets through only requests that come after its interval and
// measures the gaps it allowed.
#include "ui/shared/event_pacer.h"

#include <gtest/gtest.h>

#include <thread>

namespace morvane {
namespace {

using namespace std::chrono_literals;

TEST(EventPacer, NeverDueBeforeTheIntervalHowEverManyRequests) {
  EventPacer pacer(1h);
  for (int i = 0; i < 100000; ++i) ASSERT_FALSE(pacer.Due());
}

TEST(EventPacer, LongestGapCoversTheSlowestStretchAndRestartForgetsIt) {
  EventPacer pacer(0ns);
  std::this_thread::sleep_for(20ms);
  ASSERT_TRUE(pacer.Due());
  ASSERT_TRUE(pacer.Due());
  EXPECT_GE(pacer.longestGap(), 20ms);
  pacer.Restart();
  EXPECT_EQ(pacer.longestGap(), EventPacer::Clock::duration::zero());
}

}  // namespace
}  // namespace morvane
