// Wide192: the unsigned 192-bit intermediate behind Decimal's exact slow paths.
//
// 192 bits hold every intermediate Decimal needs: a 96-bit coefficient raised
// by up to 10^28 to meet another operand's scale (below 2^190), the sum of two
// of those, and the product of two coefficients. Six 32-bit limbs with 64-bit
// arithmetic keep it portable to any compiler; it is private to number/.
#pragma once

#include <array>
#include <cstdint>

#include "number/multiply64.h"

namespace morvane::detail {

class Wide192 {
 public:
  constexpr Wide192() noexcept = default;

  // The coefficient high * 2^64 + low of a Decimal.
  static constexpr Wide192 FromCoefficient(std::uint32_t high, std::uint64_t low) noexcept {
    Wide192 wide;
    wide.limbs_[0] = static_cast<std::uint32_t>(low);
    wide.limbs_[1] = static_cast<std::uint32_t>(low >> 32);
    wide.limbs_[2] = high;
    return wide;
  }

  // True when the value is below 2^96 and so fits a Decimal's coefficient.
  constexpr bool FitsCoefficient() const noexcept {
    return (limbs_[3] | limbs_[4] | limbs_[5]) == 0;
  }
  constexpr std::uint64_t Low64() const noexcept {
    return (static_cast<std::uint64_t>(limbs_[1]) << 32) | limbs_[0];
  }
  constexpr std::uint32_t Bits64To96() const noexcept { return limbs_[2]; }

  constexpr bool IsZero() const noexcept {
    return (limbs_[0] | limbs_[1] | limbs_[2] | limbs_[3] | limbs_[4] | limbs_[5]) == 0;
  }

  // Multiplies by factor. The caller guarantees that the product stays below
  // 2^192; a carry out of the top limb would be a bug in the caller.
  constexpr void MultiplyBy(std::uint32_t factor) noexcept {
    std::uint64_t carry = 0;
    for (auto& limb : limbs_) {
      const std::uint64_t product = static_cast<std::uint64_t>(limb) * factor + carry;
      limb = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
  }

  // Multiplies by 10^exponent, exponent >= 0, under MultiplyBy's guarantee.
  constexpr void MultiplyByPowerOfTen(int exponent) noexcept {
    for (; exponent >= 9; exponent -= 9) MultiplyBy(1'000'000'000U);
    if (exponent > 0) MultiplyBy(kSmallPowersOfTen[static_cast<std::size_t>(exponent)]);
  }

  // Divides by divisor (not zero) and returns the remainder.
  constexpr std::uint32_t DivideBy(std::uint32_t divisor) noexcept {
    std::uint64_t remainder = 0;
    for (int i = kLimbs - 1; i >= 0; --i) {
      const std::uint64_t part = (remainder << 32) | limbs_[static_cast<std::size_t>(i)];
      limbs_[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(part / divisor);
      remainder = part % divisor;
    }
    return static_cast<std::uint32_t>(remainder);
  }

  // Adds other; the caller guarantees that the sum stays below 2^192.
  constexpr void Add(const Wide192& other) noexcept {
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < kLimbs; ++i) {
      const std::uint64_t sum = static_cast<std::uint64_t>(limbs_[i]) + other.limbs_[i] + carry;
      limbs_[i] = static_cast<std::uint32_t>(sum);
      carry = sum >> 32;
    }
  }

  constexpr void AddSmall(std::uint32_t value) noexcept {
    std::uint64_t carry = value;
    for (std::size_t i = 0; i < kLimbs && carry != 0; ++i) {
      const std::uint64_t sum = static_cast<std::uint64_t>(limbs_[i]) + carry;
      limbs_[i] = static_cast<std::uint32_t>(sum);
      carry = sum >> 32;
    }
  }

  // Subtracts other, which must not exceed this value.
  constexpr void Subtract(const Wide192& other) noexcept {
    std::uint64_t borrow = 0;
    for (std::size_t i = 0; i < kLimbs; ++i) {
      const std::uint64_t difference =
          static_cast<std::uint64_t>(limbs_[i]) - other.limbs_[i] - borrow;
      limbs_[i] = static_cast<std::uint32_t>(difference);
      borrow = (difference >> 32) & 1;
    }
  }

  constexpr void ShiftLeftOne() noexcept {
    for (std::size_t i = kLimbs - 1; i > 0; --i) {
      limbs_[i] = (limbs_[i] << 1) | (limbs_[i - 1] >> 31);
    }
    limbs_[0] <<= 1;
  }

  constexpr bool Bit(int index) const noexcept {
    return ((limbs_[static_cast<std::size_t>(index / 32)] >> (index % 32)) & 1U) != 0;
  }
  constexpr void SetBit(int index) noexcept {
    limbs_[static_cast<std::size_t>(index / 32)] |= 1U << (index % 32);
  }

  // The exact product of two values below 2^96.
  static constexpr Wide192 ProductOfCoefficients(const Wide192& a, const Wide192& b) noexcept {
    Wide192 product;
    for (std::size_t i = 0; i < 3; ++i) {
      std::uint64_t carry = 0;
      for (std::size_t j = 0; j < 3; ++j) {
        const std::uint64_t part =
            static_cast<std::uint64_t>(a.limbs_[i]) * b.limbs_[j] + product.limbs_[i + j] + carry;
        product.limbs_[i + j] = static_cast<std::uint32_t>(part);
        carry = part >> 32;
      }
      product.limbs_[i + 3] = static_cast<std::uint32_t>(carry);
    }
    return product;
  }

  friend constexpr int Compare(const Wide192& a, const Wide192& b) noexcept {
    for (int i = kLimbs - 1; i >= 0; --i) {
      const auto index = static_cast<std::size_t>(i);
      if (a.limbs_[index] != b.limbs_[index]) return a.limbs_[index] < b.limbs_[index] ? -1 : 1;
    }
    return 0;
  }

 private:
  static constexpr std::size_t kLimbs = 6;
  static constexpr std::array<std::uint32_t, 10> kSmallPowersOfTen = {
      1U,       10U,        100U,        1'000U,       10'000U,
      100'000U, 1'000'000U, 10'000'000U, 100'000'000U, 1'000'000'000U};

  std::array<std::uint32_t, kLimbs> limbs_{};
};

}  // namespace morvane::detail
