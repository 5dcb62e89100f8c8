// The progress a run shows: its share, a rate that a pause does not throw,
// the time left, no more often than a few times a second, and the plan and
// progress a real run hands its window.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/files/native_file_system.h"
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
      {kGiB / 4 + 9 * kGiB, "2 %, 1 GiB/s, about 10 s left"},
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

// The end of a run: 100 % only when it finished; one that ended early keeps
// its share; neither tells a rate or a time left any more.
TEST(RunProgress, OnlyAFinishedRunReachesAHundredPerCent) {
  FakeClock clock;
  RunProgress finished(kGiB, clock.Reader());
  clock.now += 2s;
  EXPECT_TRUE(finished.Update(kGiB + 1));
  EXPECT_EQ(finished.text().substr(0, 5), "99 %,");
  finished.Saving(kGiB + 1);
  EXPECT_EQ(finished.text(), "99 %, saving to the disk");
  finished.Finish(kGiB + 1, true);
  EXPECT_DOUBLE_EQ(finished.share(), 1.0);
  EXPECT_EQ(finished.text(), "100 %");

  RunProgress stopped(4 * kGiB, clock.Reader());
  clock.now += 1s;
  EXPECT_TRUE(stopped.Update(kGiB / 2));
  stopped.Finish(kGiB, false);
  EXPECT_DOUBLE_EQ(stopped.share(), 0.25);
  EXPECT_EQ(stopped.text(), "25 %");
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
  const std::string plan = generator.PlanRun().Text();
  EXPECT_NE(plan.find(" in 5 files; the disk has "), std::string::npos) << plan;
  generator.PD();
  EXPECT_EQ(view.runPlans, std::vector<std::string>{plan});
  // A refresh every fifth number: the clock moves 50 ms at each read; then
  // the wait for the disk and the end.
  ASSERT_EQ(view.progress.size(), 30000U / 5 + 2);
  for (std::size_t i = 1; i < view.progress.size(); ++i) {
    ASSERT_LE(view.progress[i - 1].share, view.progress[i].share) << i;
  }
  EXPECT_EQ(view.progress.back().share, 1.0);
  EXPECT_EQ(view.progress.back().text, "100 %");
  EXPECT_EQ(view.messages.back().text, "Finished.");
}

// However a run ends, what the window shows of it last is true: the share
// its files hold, with no rate or time left, 100 % only when the run wrote
// all it set out to; and the status line names no number whose record is
// not in the files. The failed write is the one that would have put the
// record of 10000, whose line the run had made, into the file.
TEST(RunProgress, TheLastWordOnARunIsTrueHoweverItEnds) {
  constexpr std::uint64_t kDisk = 100 << 20;
  const struct {
    const char* ending;
    const char* from;
    const char* to;
    int failAt;
    std::uint64_t available;
    int stopAtPass;
    bool complete;
  } cases[] = {
      {"finished", "1", "30000", 0, 0, 0, true},
      {"stopped", "1", "1e15", 0, 0, 40, false},
      {"at the reserve", "1", "1e15", 0, (5 << 20) + (300 << 10), 0, false},
      {"at a failed write", "1", "1e15", 3, 0, 0, false},
      {"at the bound", "281474976710650", "1e15", 0, 0, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ending);
    enginetest::FailingFileSystem files(c.failAt, true, ENOSPC);
    if (c.available) files.space = FileSystem::Space{c.available, kDisk};
    enginetest::TestRun run(files);
    run.view.numbersPerEventPass = 1024;
    run.view.onProcessEvents = [&](int passes) {
      if (passes == c.stopAtPass) run.generator.RequestStop();
    };
    run.Run(c.from, c.to);
    ASSERT_FALSE(run.view.progress.empty());
    const enginetest::ShownProgress& last = run.view.progress.back();
    EXPECT_TRUE(last.text.ends_with(" %") && last.text.find(',') == std::string::npos) << last.text;
    EXPECT_EQ(last.text == "100 %", c.complete) << last.text;
    EXPECT_TRUE(!c.complete || last.share == 1.0) << last.share;
    // Every record at a line's start, the first ones too.
    std::string written;
    for (const std::string& name : run.folder.Names()) written.append("\n").append(run.File(name));
    for (const std::string& line : run.view.statusHistory) {
      if (line.find("  ") == std::string::npos) continue;
      const std::string record = std::string("\n ").append(line.substr(0, line.find(' '))).append(" , ");
      EXPECT_NE(written.find(record), std::string::npos) << line;
    }
  }
}

}  // namespace
}  // namespace morvane
