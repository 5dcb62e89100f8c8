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

// Division of a 64-bit value by 10^k, k = 1..19, as one multiplication:
// value / 10^k = (value >> k) / 5^k, and with s the bit width of 5^k and
// multiplier = ceil(2^(63 + s) / 5^k) (below 2^64),
// (value >> k) / 5^k = ((value >> k) * multiplier) >> (63 + s), exactly: the
// multiplier's excess over 2^(63 + s) / 5^k is below 1, so it adds less than
// (2^(64 - k) * 5^k) / (5^k * 2^(63 + s)) < 1 / 5^k, never a whole step,
// because the shifted value has k bits to spare.
struct PowerOfTenDivider {
  std::uint64_t multiplier;
  int shift;  // 63 + s - 64
};

constexpr PowerOfTenDivider DividerFor(int k) noexcept {
  std::uint64_t fiveToK = 1;
  for (int i = 0; i < k; ++i) fiveToK *= 5;
  int s = 0;
  while (s < 64 && (std::uint64_t{1} << s) <= fiveToK) ++s;
  // ceil(2^(63 + s) / 5^k) by binary long division, one bit at a time.
  std::uint64_t quotient = 0;
  std::uint64_t remainder = 0;
  for (int bit = 63 + s; bit >= 0; --bit) {
    remainder = (remainder << 1) | (bit == 63 + s ? 1 : 0);
    quotient <<= 1;
    if (remainder >= fiveToK) {
      remainder -= fiveToK;
      quotient |= 1;
    }
  }
  return {quotient + (remainder != 0 ? 1 : 0), s - 1};
}

inline constexpr auto kPowerOfTenDividers = [] {
  std::array<PowerOfTenDivider, kPowersOfTen.size()> dividers{};
  for (int k = 1; k < static_cast<int>(dividers.size()); ++k) dividers[static_cast<std::size_t>(k)] = DividerFor(k);
  return dividers;
}();

// value / 10^exponent for exponent 1..19 by one multiplication: a division
// by a divisor not known in advance is a slow instruction.
inline std::uint64_t DivideByPowerOfTen(std::uint64_t value, int exponent) noexcept {
  const PowerOfTenDivider& divider = kPowerOfTenDividers[static_cast<std::size_t>(exponent)];
  return Multiply64(value >> exponent, divider.multiplier).high >> divider.shift;
}

}  // namespace morvane::detail
