// A run from a whole From computed from the previous record's digits writes
// and shows exactly what Decimal arithmetic for every number does: random
// ranges around every place where the digits grow or shrink, around zero,
// multiples of 10,000 and the bound, with every kind of lines-per-file
// value, stops and edits of To.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/engine/differential_run.h"

namespace morvane {
namespace {

using enginetest::FirstDifference;
using enginetest::RunScenario;
using enginetest::RunScenarioWith;

constexpr std::int64_t kBound = std::int64_t{1} << 48;

// Numbers near which some text changes its length or a carry crosses many
// digits: n at 10^k, the square at 10^k (n near its root), the difference
// 2n - 1 at 10^k (n near 5 * 10^(k-1)), each on both sides of zero; and the
// bound.
std::vector<std::int64_t> Landmarks() {
  std::vector<std::int64_t> marks = {0, kBound, 1LL << 47, 99'990'000};
  std::int64_t power = 1;
  for (int k = 0; k <= 28; ++k) {
    if (k <= 14) {
      marks.push_back(power);
      marks.push_back(power / 2);
    }
    // The root of 10^k, from 10^(k/2) for even k or about sqrt(10) * 10^(k/2).
    std::int64_t root = 1;
    for (int i = 0; i < k / 2; ++i) root *= 10;
    if (k % 2 == 1) root = static_cast<std::int64_t>(static_cast<double>(root) * 3.1622776601683795);
    marks.push_back(root);
    if (k <= 14) power *= 10;
  }
  const std::size_t positive = marks.size();
  for (std::size_t i = 0; i < positive; ++i) marks.push_back(-marks[i]);
  return marks;
}

TEST(WholeRunArithmetic, DigitsWriteAndShowWhatDecimalArithmeticDoes) {
  const std::vector<std::int64_t> marks = Landmarks();
  const char* const lines[] = {"-3", "0", "1", "7", "10", "64", "2.5", "# lines per file"};
  std::mt19937_64 random(20261208);
  const auto uniform = [&](std::int64_t low, std::int64_t high) {
    return std::uniform_int_distribution<std::int64_t>(low, high)(random);
  };
  for (int i = 0; i < 400; ++i) {
    const std::int64_t mark = marks[static_cast<std::size_t>(uniform(0, static_cast<std::int64_t>(marks.size()) - 1))];
    const std::int64_t from = std::max(-kBound + 1, std::min(kBound - 1, mark + uniform(-120, 30)));
    // Now and then a long range, over progress lines and whole buffers, in
    // files of thousands of records and a buffer of thousands, rather than
    // one file or one write a record.
    const bool longRange = uniform(0, 19) == 0;
    const std::int64_t last = from + (longRange ? uniform(1000, 30000) : uniform(-2, 150));
    RunScenario scenario;
    // A leading zero now and then, put in place rather than prepended:
    // GCC 12 at -O3 warns falsely of overlapping copies on "0" + text.
    scenario.from = std::to_string(from);
    if (uniform(0, 5) == 0 && from > 0) scenario.from.insert(0, 1, '0');
    switch (uniform(0, 4)) {
      case 0: scenario.to = std::to_string(last) + ".5"; break;
      case 1: scenario.to = last > kBound - 200 ? "1e20" : std::to_string(last) + "e0"; break;
      default: scenario.to = std::to_string(last);
    }
    scenario.linesPerFile = longRange ? std::to_string(uniform(2000, 40000)) : lines[uniform(0, std::size(lines) - 1)];
    scenario.numbersPerPass = static_cast<std::uint32_t>(uniform(0, 1) == 0 ? 1 : uniform(2, 200));
    scenario.bufferBytes = static_cast<std::size_t>(uniform(0, 2) == 0 && !longRange ? uniform(0, 300) : 64 * 1024);
    if (uniform(0, 3) == 0) scenario.stopAfter = static_cast<int>(uniform(1, 100));
    if (uniform(0, 3) == 0) {
      scenario.editToAfter = static_cast<int>(uniform(1, 100));
      scenario.editedTo = std::to_string(from + uniform(-5, 60));
    }
    SCOPED_TRACE(scenario.Describe());
    const std::string difference = FirstDifference(RunScenarioWith(scenario, WholeRunArithmetic::kDecimal),
                                                   RunScenarioWith(scenario, WholeRunArithmetic::kIncremental));
    ASSERT_EQ(difference, "");
  }
}

}  // namespace
}  // namespace morvane
