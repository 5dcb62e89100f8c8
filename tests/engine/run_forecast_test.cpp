// The forecast of a run held to the files the run then writes: its records,
// bytes and files, and whether the bound ends it, to the byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "engine/run_forecast.h"
#include "tests/engine/run_fixture.h"

namespace morvane {
namespace {

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
  const RunForecast forecast = RunForecast::Of(from, to, lines);
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

}  // namespace
}  // namespace morvane
