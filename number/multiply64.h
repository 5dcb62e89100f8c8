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
  const std::uint64_t low_low = (a & kLow32) * (b & kLow32);
  const std::uint64_t high_low = (a >> 32) * (b & kLow32);
  const std::uint64_t low_high = (a & kLow32) * (b >> 32);
  const std::uint64_t high_high = (a >> 32) * (b >> 32);
  const std::uint64_t middle = (low_low >> 32) + (high_low & kLow32) + (low_high & kLow32);
  return {high_high + (high_low >> 32) + (low_high >> 32) + (middle >> 32),
          (middle << 32) | (low_low & kLow32)};
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
