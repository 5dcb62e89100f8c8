#include "engine/run_inputs.h"

#include <cmath>
#include <limits>

#include "number/failure.h"
#include "number/number_text.h"

namespace morvane {

namespace {

// Rounds to the nearest whole number, an exact half to the even neighbour,
// without depending on the floating-point environment's rounding mode.
std::int32_t RoundHalfEvenToInt32(double value) {
  const double below = std::floor(value);
  const double rest = value - below;
  double rounded = below;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(below, 2.0) != 0.0)) rounded = below + 1.0;
  // Also false for a NaN.
  if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
        rounded <= std::numeric_limits<std::int32_t>::max())) {
    throw Overflow();
  }
  return static_cast<std::int32_t>(rounded);
}

}  // namespace

RunInputs ReadRunInputs(const RunView& view) {
  return {view.FromText(), view.ToText(), view.LinesPerFileText()};
}

Decimal ReadRangeValue(std::string_view text) { return Decimal(ReadNumber(text)); }

std::int32_t ReadLinesPerFile(std::string_view text) {
  if (!IsNumericText(text)) return kDefaultLinesPerFile;
  return RoundHalfEvenToInt32(ReadNumber(text));
}

}  // namespace morvane
