// The forecast of a run held to the files the run then writes: its records,
// bytes and files, and whether the bound ends it, to the byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "engine/run_forecast.h"
#include "engine/run_plan.h"
#include "tests/engine/run_fixture.h"

namespace morvane {
namespace {

using enginetest::FailingFileSystem;
using enginetest::TestRun;

struct Written {
  std::uint64_t records = 0;
  std::uint64_t bytes = 0;
  std::uint64_t files = 0;
  bool atBound = false;
};

Written Count(const TestRun& run) {
  Written written;
  for (const std::string& name : run.folder.Names()) {
    const std::string bytes = run.File(name);
    written.bytes += bytes.size();
    written.records += static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    ++written.files;
  }
  const auto messages = run.MessageTexts();
  written.atBound = std::find(messages.begin(), messages.end(), "Bounds of program have been exceeded") != messages.end();
  return written;
}

Written RunAndCount(const std::string& from, const std::string& to, const std::string& lines) {
  TestRun run;
  run.Run(from, to, lines);
  return Count(run);
}

void ExpectForecastOf(const std::string& from, const std::string& to, const std::string& lines) {
  SCOPED_TRACE("from " + from + " to " + to + ", lines " + lines);
  const RunForecast forecast = RunForecast::Of({from, to, lines});
  const Written written = RunAndCount(from, to, lines);
  EXPECT_TRUE(forecast.exact());
  EXPECT_EQ(forecast.records(), written.records);
  EXPECT_EQ(forecast.bytes(), written.bytes);
  EXPECT_EQ(forecast.files(), written.files);
  EXPECT_EQ(forecast.endsAtBound(), written.atBound);
}

// Where a number, a square or a difference gains a digit, on both sides of
// zero; the first record, whose difference is its square; N of every kind;
// the bound from both sides; fractional From of every kind.
TEST(RunForecast, MatchesTheFilesOfTheRunToTheByte) {
  const struct {
    const char* from;
    const char* to;
    const char* lines;
  } cases[] = {
      // Whole numbers across digit boundaries of n, n² and 2n - 1.
      {"1", "25", "10"},
      {"-25", "25", "7"},
      {"-0", "3", "2"},
      {"-1", "3", "2"},
      {"9990", "10010", "100"},
      {"-10010", "-9990", "100"},
      {"4998", "5002", "1"},
      {"-5001", "-4998", "1"},
      {"3160", "3170", "# lines per file"},
      {"-31625", "-31615", "3"},
      {"99999990", "100000010", "7"},
      {"-316227770", "-316227760", "7"},
      {"9999999999990", "10000000000010", "6"},
      {"-300000", "300000", "100000"},
      // N = 0, N < 0, an empty range, a range of one.
      {"1", "11", "0"},
      {"1", "11", "-5"},
      {"5", "3", "# lines per file"},
      {"5", "3", "0"},
      {"7", "7", "1"},
      // The bound: a last file full or not when 2^48 is tried, from below
      // and from above zero; a From beyond it; From, N or To overflowing.
      {"281474976710650", "1000000000000000", "4"},
      {"281474976710650", "1000000000000000", "3"},
      {"281474976710650", "281474976710655", "3"},
      {"-281474976710655", "-281474976710640", "5"},
      {"281474976710656", "1000000000000000", "# lines per file"},
      {"281474976710656", "1000000000000000", "0"},
      {"-281474976710656", "0", "10"},
      {"1e30", "1e31", "10"},
      {"1", "5", "1e12"},
      {"1", "1e400", "10"},
      // Fractional From: k places, 2 * From with fewer, across zero.
      {"0.5", "30", "7"},
      {"2.5", "12", "# lines per file"},
      {"-3.75", "3", "4"},
      {"-0.5", "5", "0"},
      {"0.05", "20", "3"},
      {"1.23456789", "40", "9"},
      {"-123456.789012", "-123356.8", "50"},
      {"99999999.99999", "100000010", "8"},
      {"-150000.25", "150000", "33333"},
      // Where Decimal rounds the squares: 15 places, 15 significant digits,
      // and runs that enter and leave the exact squares.
      {"0.000000000000001", "100", "30"},
      {"0.00000000000123456789012345", "60", "30"},
      {"9999999999.99999", "10000000100", "30"},
      {"-9999999999.99999", "-9999999900", "30"},
      {"-28147497671.2345", "-28147497600", "30"},
      {"28147497670.5432", "28147497720", "30"},
      {"28147497671060.5", "28147497671090", "30"},
  };
  for (const auto& c : cases) ExpectForecastOf(c.from, c.to, c.lines);
}

// A disk of 100 MiB keeps 5 MiB free, and of 10,000 files room for 500; the
// run on it stops where the plan said, to the record, in the middle of a
// file or at its end, at the last file it may create, or finishes when its
// bytes fit exactly; also on a disk that counts written bytes only once
// they are flushed.
TEST(RunPlan, StopsWhereTheRunOnTheDiskStops) {
  constexpr std::uint64_t kDisk = 100 << 20;
  constexpr std::uint64_t kKept = 5 << 20;
  constexpr std::uint64_t kFiles = 10000;
  constexpr std::uint64_t kFilesKept = 500;
  const std::uint64_t allOfOneToTenThousand = RunForecast::Of({"1", "10000", "1000"}).bytes();
  ASSERT_EQ(allOfOneToTenThousand, 268721U);
  const struct {
    const char* from;
    const char* to;
    const char* lines;
    std::uint64_t available;
    std::uint64_t filesAvailable;
    bool lags;
    const char* ending;
  } cases[] = {
      {"1", "1000000", "10000", kKept + (300 << 10), kFiles, false, " left in "},
      {"-0.25", "1000000", "3000", kKept + (1 << 20), kFiles, false, " left in "},
      {"1", "10000", "1000", kKept + allOfOneToTenThousand, kFiles, false, "Finished."},
      {"1", "10000", "1000", kKept + RunForecast::Of({"1", "10000", "1000"}).BytesOf(5000), kFiles, false, " left in "},
      {"1", "10000", "1000", kKept + 10, kFiles, false, " left in "},
      {"1", "1000000", "10", kDisk, kFilesKept + 37, false, " more files left in "},
      {"1", "1000000", "10", kDisk, kFilesKept, false, " more files left in "},
      {"1", "1000000", "10000", kKept + (3 << 20), kFiles, true, " left in "},
      {"1", "1000000", "100", kKept + (3 << 20), kFiles, true, " left in "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " to " + c.to + " by " + c.lines + " on " + std::to_string(c.available) +
                 " bytes, " + std::to_string(c.filesAvailable) + " files" + (c.lags ? ", told late" : ""));
    FailingFileSystem files(0, false, 0);
    files.space = FileSystem::Space{c.available, kDisk, 0, c.filesAvailable, kFiles, c.lags};
    TestRun run(files);
    const RunPlan plan({c.from, c.to, c.lines}, files, run.folder.path());
    run.Run(c.from, c.to, c.lines);
    const Written written = Count(run);
    EXPECT_EQ(plan.records(), written.records);
    EXPECT_EQ(plan.bytes(), written.bytes);
    ASSERT_EQ(run.view.messages.size(), 1U);
    EXPECT_NE(run.view.messages[0].text.find(c.ending), std::string::npos) << run.view.messages[0].text;
    EXPECT_EQ(plan.stopsAtReserve(), run.MessageTexts() != std::vector<std::string>{"Finished."});
    EXPECT_EQ(run.view.runPlans, std::vector<std::string>{plan.Text()});
  }
}

TEST(RunPlan, TellsWhatTheRunWritesAndWhereItStops) {
  FailingFileSystem files(0, false, 0);
  const auto textOn = [&](std::uint64_t available, const char* from, const char* to, const char* lines) {
    files.space = FileSystem::Space{available, std::uint64_t{500} << 30, 4096};
    return RunPlan({from, to, lines}, files, "/nowhere").Text();
  };
  constexpr std::uint64_t k80GiB = std::uint64_t{80} << 30;
  EXPECT_EQ(textOn(k80GiB, "1", "1000000", "100000"), "This run writes 33 MiB in 10 files; the disk has 80 GiB free.");
  EXPECT_EQ(textOn(k80GiB, "1", "1000000000000000", "# lines per file"),
            "This run would write 17 PiB in 2,814,749,768 files, up to 281,474,976,710,655, where it meets the "
            "program's bounds; the disk has 80 GiB free, so it will stop at about 1,760,000,000 to keep 1 GiB free.");
  EXPECT_EQ(textOn(std::uint64_t{900} << 20, "-1000000", "0", "1000"),
            "This run would write 33 MiB in 1,001 files; the disk has 900 MiB free, so it will stop before its first "
            "record to keep 1 GiB free.");
  // Every record in one file, whose line counter overflows at 2^31.
  for (const char* lines : {"0", "-1"}) {
    EXPECT_EQ(textOn(k80GiB, "1", "1e15", lines),
              "This run would write 97 GiB in 1 file, up to 2,147,483,648, where it meets the program's bounds; the "
              "disk has 80 GiB free, so it will stop at about 1,760,000,000 to keep 1 GiB free.");
  }
  EXPECT_EQ(textOn(k80GiB, "0.5", "1e15", "100000").substr(0, 46), "This run would write about 17 PiB in about 2,8");
  EXPECT_EQ(textOn(k80GiB, "5", "3", "0"), "This run writes no records, only 1 empty file: From is above To.");
  EXPECT_EQ(textOn(k80GiB, "0281474976710656", "1e15", "0"),
            "This run writes no records, only 2 empty files: its numbers lie beyond the program's bounds.");
  EXPECT_EQ(textOn(k80GiB, "1e30", "1e31", "0"), "This run writes nothing: its numbers lie beyond the program's bounds.");
  files.space = FileSystem::Space{k80GiB, std::uint64_t{500} << 30, 4096, 38400, 40000};
  EXPECT_EQ(RunPlan({"1", "1000000", "10"}, files, "/nowhere").Text(),
            "This run would write 33 MiB in 100,000 files; the disk has 80 GiB free but room for only 38,400 more "
            "files, so it will stop at about 364,000 to keep room for 2,000 files.");
  files.space = FileSystem::Space{};
  EXPECT_EQ(RunPlan({"1", "10", "3"}, files, "/nowhere").Text(),
            "This run writes 154 bytes in 4 files; the disk does not tell how much it has free.");
}

}  // namespace
}  // namespace morvane
