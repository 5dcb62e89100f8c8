// The powers of ten that fit 64 bits, shared by Decimal's arithmetic and its
// formatting (private to number/).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "number/multiply64.h"

namespace morvane::detail {

inline constexpr std::array<std::uint64_t, 20> kPowersOfTen = {
    1ULL,
    10ULL,
    100ULL,
    1'000ULL,
    10'000ULL,
    100'000ULL,
    1'000'000ULL,
    10'000'000ULL,
    100'000'000ULL,
    1'000'000'000ULL,
    10'000'000'000ULL,
    100'000'000'000ULL,
    1'000'000'000'000ULL,
    10'000'000'000'000ULL,
    100'000'000'000'000ULL,
    1'000'000'000'000'000ULL,
    10'000'000'000'000'000ULL,
    100'000'000'000'000'000ULL,
    1'000'000'000'000'000'000ULL,
    10'000'000'000'000'000'000ULL,
};

// floor(2^128 / 10^k) + 1 for k = 1..19 (entry 0 unused), as two 64-bit
// halves: value / 10^k is the top 64 bits of value * that, for every 64-bit
// value. The excess e = that * 10^k - 2^128 is at most 10^k, so value * e
// stays below 2^128 and never reaches the next whole quotient.
struct Reciprocal128 {
  std::uint64_t high;
  std::uint64_t low;
};

constexpr Reciprocal128 ReciprocalOf(std::uint64_t divisor) noexcept {
  // 2^128 / divisor by binary long division, one bit of the quotient at a
  // time; the remainder stays below divisor, though twice it may not fit.
  Reciprocal128 quotient{0, 0};
  std::uint64_t remainder = 0;
  for (int bit = 128; bit >= 0; --bit) {
    const bool spills = (remainder >> 63) != 0;
    remainder = (remainder << 1) | (bit == 128 ? 1 : 0);
    quotient.high = (quotient.high << 1) | (quotient.low >> 63);
    quotient.low <<= 1;
    if (spills || remainder >= divisor) {
      remainder -= divisor;
      quotient.low |= 1;
    }
  }
  quotient.low += 1;
  if (quotient.low == 0) ++quotient.high;
  return quotient;
}

inline constexpr auto kReciprocalsOfPowersOfTen = [] {
  std::array<Reciprocal128, kPowersOfTen.size()> reciprocals{};
  for (std::size_t k = 1; k < reciprocals.size(); ++k) reciprocals[k] = ReciprocalOf(kPowersOfTen[k]);
  return reciprocals;
}();

// value / 10^exponent for exponent 1..19, by two multiplications instead of a
// division, which is a slow instruction with a divisor not known in advance.
inline std::uint64_t DivideByPowerOfTen(std::uint64_t value, int exponent) noexcept {
  const Reciprocal128& reciprocal = kReciprocalsOfPowersOfTen[static_cast<std::size_t>(exponent)];
  const Product128 low = Multiply64(value, reciprocal.low);
  const Product128 high = Multiply64(value, reciprocal.high);
  const std::uint64_t middle = high.low + low.high;
  return high.high + (middle < high.low ? 1 : 0);
}

}  // namespace morvane::detail
