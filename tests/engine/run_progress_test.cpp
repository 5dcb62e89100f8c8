// The progress a run shows: its share, a rate that a pause does not throw,
// the time left, no more often than a few times a second, and the plan and
// progress a real run hands its window.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/run_progress.h"
#include "tests/engine/run_fixture.h"

namespace morvane {
namespace {

using namespace std::chrono_literals;
using Clock = RunProgress::Clock;

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

// A clock that moves only when a test moves it.
struct FakeClock {
  Clock::time_point now{};
  RunProgress::Now Reader() {
    return [this] { return now; };
  }
};

TEST(RunProgress, RefreshesAtMostFourTimesASecondWithShareRateAndTimeLeft) {
  FakeClock clock;
  RunProgress progress(100 * kGiB, clock.Reader());
  clock.now += 249ms;
  EXPECT_FALSE(progress.Update(kGiB / 4));
  clock.now += 1ms;
  ASSERT_TRUE(progress.Update(kGiB / 4));
  EXPECT_DOUBLE_EQ(progress.share(), 0.0025);
  EXPECT_EQ(progress.text(), "0 %, 1 GiB/s, about 2 min left");
  clock.now += 100ms;
  EXPECT_FALSE(progress.Update(kGiB / 2));
}

// At 1 GiB a second, with the time left in every unit it is told in.
TEST(RunProgress, TellsTheTimeLeftInUnitsThatDoNotFlicker) {
  const struct {
    std::uint64_t planned;
    const char* text;
  } cases[] = {
      {kGiB / 2 + 5 * kGiB / 4, "14 %, 1 GiB/s, a few seconds left"},
      {kGiB / 4 + 42 * kGiB, "0 %, 1 GiB/s, about 40 s left"},
      {kGiB / 4 + 150 * kGiB, "0 %, 1 GiB/s, about 3 min left"},
      {kGiB / 4 + 3 * 3600 * kGiB, "0 %, 1 GiB/s, about 3 h left"},
      {kGiB / 4 + 5 * 86400 * kGiB, "0 %, 1 GiB/s, about 5 days left"},
  };
  for (const auto& c : cases) {
    FakeClock clock;
    RunProgress progress(c.planned, clock.Reader());
    clock.now += 250ms;
    ASSERT_TRUE(progress.Update(kGiB / 4));
    EXPECT_EQ(progress.text(), c.text) << c.planned;
  }
}

// Twelve intervals at 1 GiB/s, then the disk or the window pauses for six
// intervals: the median rate holds. Only when the pause outnumbers the good
// intervals does it fall.
TEST(RunProgress, ARateFromTheMedianOfRecentIntervalsRidesOutAPause) {
  FakeClock clock;
  RunProgress progress(1000 * kGiB, clock.Reader());
  std::uint64_t written = 0;
  const auto interval = [&](std::uint64_t bytes) {
    clock.now += 250ms;
    written += bytes;
    EXPECT_TRUE(progress.Update(written));
    return progress.text().substr(progress.text().find(", ") + 2, 7);
  };
  for (int i = 0; i < 12; ++i) interval(kGiB / 4);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(interval(0), "1 GiB/s") << i;
  EXPECT_EQ(interval(0), "0 bytes");
}

// The end of a run: 100 % only when it finished; a stopped one keeps its
// share and gets the run's average rate.
TEST(RunProgress, OnlyAFinishedRunReachesAHundredPerCent) {
  FakeClock clock;
  RunProgress finished(kGiB, clock.Reader());
  clock.now += 2s;
  EXPECT_TRUE(finished.Update(kGiB + 1));
  EXPECT_EQ(finished.text().substr(0, 5), "99 %,");
  finished.Finish(kGiB + 1, true);
  EXPECT_DOUBLE_EQ(finished.share(), 1.0);
  EXPECT_EQ(finished.text(), "100 %, 512 MiB/s");

  RunProgress stopped(4 * kGiB, clock.Reader());
  clock.now += 1s;
  stopped.Finish(kGiB, false);
  EXPECT_DOUBLE_EQ(stopped.share(), 0.25);
  EXPECT_EQ(stopped.text(), "25 %, 1 GiB/s");
}

// A run shows its plan once, before anything else, then its share rising at
// the refreshes its clock allows, and 100 % at "Finished.".
TEST(RunProgress, ARunShowsItsPlanThenItsProgressUpToTheEnd) {
  FakeClock clock;
  enginetest::FakeRunView view;
  enginetest::TempFolder folder;
  Generator generator(view, folder.path(), SystemFileSystem(), OutputFile::kDefaultBufferBytes,
                      enginetest::ArithmeticUnderTest(), [&] {
                        clock.now += 50ms;
                        return clock.now;
                      });
  view.from = "1";
  view.to = "30000";
  view.linesPerFile = "7000";
  const std::string plan = generator.RunPlanText();
  EXPECT_NE(plan.find(" in 5 files; the disk has "), std::string::npos) << plan;
  generator.PD();
  EXPECT_EQ(view.runPlans, std::vector<std::string>{plan});
  // A refresh every fifth number: the clock moves 50 ms at each read.
  ASSERT_EQ(view.progress.size(), 30000U / 5 + 1);
  for (std::size_t i = 1; i < view.progress.size(); ++i) {
    ASSERT_LE(view.progress[i - 1].share, view.progress[i].share) << i;
  }
  EXPECT_EQ(view.progress.back().share, 1.0);
  EXPECT_EQ(view.progress.back().text.substr(0, 6), "100 %,");
  EXPECT_EQ(view.messages.back().text, "Finished.");
}

}  // namespace
}  // namespace morvane
