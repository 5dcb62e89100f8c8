// A run's whole numbers as plain integers: the bound where their squares
// stop fitting a Decimal, and what the fast writer of records
// (WholeNumbers) and the forecast (RunForecast) both ask of such numbers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "number/decimal.h"

namespace morvane {

// The first number whose square does not fit a Decimal: 2^48, whose square
// is 2^96, one more than the largest coefficient.
inline constexpr std::int64_t kBound = std::int64_t{1} << 48;

// A whole Decimal below 2^63 in magnitude as an integer.
inline std::int64_t WholeValue(const Decimal& whole) noexcept {
  const auto magnitude = static_cast<std::int64_t>(whole.coefficient_low());
  return whole.negative() ? -magnitude : magnitude;
}

// |value| in the unsigned type Unsigned, as wide as value's or wider; the
// most negative value too.
template <class Unsigned, class Signed>
constexpr Unsigned Magnitude(Signed value) noexcept {
  return value < 0 ? Unsigned{0} - static_cast<Unsigned>(value) : static_cast<Unsigned>(value);
}

// How many decimal digits value has: 1 for 0.
template <class Unsigned>
constexpr std::size_t DigitsOf(Unsigned value) noexcept {
  std::size_t digits = 1;
  for (; value >= 10; value /= 10) ++digits;
  return digits;
}

}  // namespace morvane
