// Fuzzes a run from a whole From: computed from the previous record's
// digits it must leave and show exactly what Decimal arithmetic for every
// number does, over short ranges anywhere below the bound, near powers of
// ten and their roots, zero and the bound, with any lines per file, a stop
// and an edit of To.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/engine/differential_run.h"

namespace {

using morvane::WholeRunArithmetic;
using morvane::enginetest::RunScenario;

constexpr std::int64_t kBound = std::int64_t{1} << 48;

// A number near which digits grow: 10^k, its root, half of it, or the bound.
std::int64_t Landmark(FuzzedDataProvider& data) {
  const int k = data.ConsumeIntegralInRange(0, 28);
  switch (data.ConsumeIntegralInRange(0, 4)) {
    case 0: return static_cast<std::int64_t>(std::pow(10.0, std::min(k, 14)));
    case 1: return static_cast<std::int64_t>(std::pow(10.0, k / 2.0));
    case 2: return static_cast<std::int64_t>(std::pow(10.0, std::min(k, 14))) / 2;
    case 3: return kBound;
    default: return data.ConsumeIntegralInRange<std::int64_t>(-kBound + 1, kBound - 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  const std::int64_t mark = Landmark(data) * (data.ConsumeBool() ? -1 : 1);
  const std::int64_t from =
      std::clamp<std::int64_t>(mark + data.ConsumeIntegralInRange(-40, 10), -kBound + 1, kBound - 1);
  RunScenario scenario;
  scenario.from = std::to_string(from);
  scenario.to = std::to_string(from + data.ConsumeIntegralInRange(-2, 40));
  if (data.ConsumeBool()) scenario.to += ".5";
  scenario.linesPerFile = std::to_string(data.ConsumeIntegralInRange(-2, 12));
  scenario.numbersPerPass = data.ConsumeIntegralInRange<std::uint32_t>(1, 50);
  scenario.bufferBytes = data.ConsumeIntegralInRange<std::size_t>(0, 400);
  scenario.stopAfter = data.ConsumeIntegralInRange(0, 40);
  scenario.editToAfter = data.ConsumeIntegralInRange(0, 40);
  scenario.editedTo = std::to_string(from + data.ConsumeIntegralInRange(-5, 30));

  const std::string difference = morvane::enginetest::FirstDifference(
      RunScenarioWith(scenario, WholeRunArithmetic::kDecimal),
      RunScenarioWith(scenario, WholeRunArithmetic::kIncremental));
  if (!difference.empty()) {
    std::fprintf(stderr, "%s: %s\n", scenario.Describe().c_str(), difference.c_str());
    std::abort();
  }
  return 0;
}
