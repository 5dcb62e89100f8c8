// The full 128-bit product of two 64-bit values, behind Decimal's inline
// multiplication and the 192-bit slow paths (private to number/).
#pragma once

#include <cstdint>

namespace morvane::detail {

struct Product128 {
  std::uint64_t high;
  std::uint64_t low;
};

// From four 32-bit partial products: for compilers without a 128-bit type.
constexpr Product128 MultiplyPortable(std::uint64_t a, std::uint64_t b) noexcept {
  constexpr std::uint64_t kLow32 = 0xFFFF'FFFFULL;
  const std::uint64_t lowLow = (a & kLow32) * (b & kLow32);
  const std::uint64_t highLow = (a >> 32) * (b & kLow32);
  const std::uint64_t lowHigh = (a & kLow32) * (b >> 32);
  const std::uint64_t highHigh = (a >> 32) * (b >> 32);
  const std::uint64_t middle = (lowLow >> 32) + (highLow & kLow32) + (lowHigh & kLow32);
  return {highHigh + (highLow >> 32) + (lowHigh >> 32) + (middle >> 32),
          (middle << 32) | (lowLow & kLow32)};
}

// One multiply instruction where the compiler has a 128-bit type.
inline Product128 Multiply64(std::uint64_t a, std::uint64_t b) noexcept {
#if defined(__SIZEOF_INT128__)
  __extension__ using Uint128 = unsigned __int128;
  const Uint128 product = static_cast<Uint128>(a) * b;
  return {static_cast<std::uint64_t>(product >> 64), static_cast<std::uint64_t>(product)};
#else
  return MultiplyPortable(a, b);
#endif
}

}  // namespace morvane::detail
