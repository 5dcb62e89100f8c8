// Decimal: an exact signed decimal number, (-1)^sign * coefficient / 10^scale,
// with an unsigned 96-bit coefficient and a scale of 0 to 28.
//
// Differences from a built-in number:
//  - Nothing wraps or saturates. A result whose coefficient does not fit in 96
//    bits first loses decimal places, one at a time with rounding to the
//    nearest (ties away from zero); if it does not fit even at scale 0 the
//    operation throws Overflow (error number 6) and produces no value. The
//    rounding is done once, from the exact result, so nothing is rounded twice.
//  - Values that differ only in trailing fractional zeros (2.5 and 2.50) are
//    equal, and a zero with its sign set equals zero.
//  - Construction from an integer of up to 64 bits is exact and implicit;
//    wider integers do not convert. From a double it is explicit, because it
//    rounds to 15 significant digits first.
//
// A plain value: no allocation. The common cases (operands at one scale,
// coefficients that fit 64 bits, division by a power of ten, the floor of a
// coefficient below 2^64) are inline below; everything else goes to the exact
// general paths in decimal.cpp.
#pragma once

#include <bit>
#include <compare>
#include <concepts>
#include <cstdint>
#include <type_traits>

#include "number/multiply64.h"
#include "number/powers_of_ten.h"

namespace morvane {

class Decimal {
 public:
  static constexpr int kMaxScale = 28;

  // ---- Construction ----

  // Zero.
  constexpr Decimal() noexcept = default;

  // Copies go field by field. The arithmetic writes the fields one by one,
  // and a copy as one 16-byte load right after that cannot be served from
  // those stores: it waits until they reach the cache, which costs more than
  // the arithmetic itself.
  constexpr Decimal(const Decimal& other) noexcept
      : low_(other.low_), high_(other.high_), scale_(other.scale_), negative_(other.negative_) {}
  constexpr Decimal& operator=(const Decimal& other) noexcept {
    low_ = other.low_;
    high_ = other.high_;
    scale_ = other.scale_;
    negative_ = other.negative_;
    return *this;
  }

  // Exact, at scale 0, from any integer of up to 64 bits, signed or not: the
  // coefficient holds every such value.
  template <std::integral Integer>
    requires(!std::same_as<Integer, bool> && sizeof(Integer) <= sizeof(std::uint64_t))
  constexpr Decimal(Integer value) noexcept  // NOLINT(google-explicit-constructor)
      : low_(Magnitude(value)), negative_(IsNegative(value)) {}
  // A wider integer could not always be held, and a bool is no number: neither
  // converts, not even by way of a double.
  template <std::integral Integer>
    requires(std::same_as<Integer, bool> || sizeof(Integer) > sizeof(std::uint64_t))
  Decimal(Integer value) = delete;

  // The double rounded to 15 significant decimal digits, held exactly: 0.1 is
  // exactly 0.1. Throws Overflow when the integer part needs more than 96 bits
  // or the value is not finite.
  explicit Decimal(double value);

  // Exact construction from the three fields; the coefficient is
  // high * 2^64 + low. Throws std::invalid_argument for a scale outside 0..28.
  static Decimal FromParts(bool negative, std::uint32_t high, std::uint64_t low, int scale) {
    if (scale < 0 || scale > kMaxScale) ThrowScaleOutOfRange();
    Decimal value;
    value.low_ = low;
    value.high_ = high;
    value.scale_ = static_cast<std::uint8_t>(scale);
    value.negative_ = negative;
    return value;
  }

  // ---- Arithmetic (each throws Overflow as described above) ----

  Decimal& operator+=(const Decimal& other) {
    return AddWithoutRounding(other, other.negative_) ? *this : AddGeneral(other, other.negative_);
  }
  Decimal& operator-=(const Decimal& other) {
    return AddWithoutRounding(other, !other.negative_) ? *this : AddGeneral(other, !other.negative_);
  }
  Decimal& operator*=(const Decimal& other);
  // The quotient rounded to the nearest, with as many decimal places as fit.
  // Throws DivisionByZero for a zero divisor.
  Decimal& operator/=(const Decimal& other);

  // ---- Accessors ----

  bool negative() const noexcept { return negative_; }
  int scale() const noexcept { return scale_; }
  std::uint32_t coefficient_high() const noexcept { return high_; }
  std::uint64_t coefficient_low() const noexcept { return low_; }
  bool is_zero() const noexcept { return low_ == 0 && high_ == 0; }

 private:
  static constexpr std::uint64_t kMaxHigh = 0xFFFF'FFFFULL;

  template <class Integer>
  static constexpr bool IsNegative(Integer value) noexcept {
    if constexpr (std::is_signed_v<Integer>) {
      return value < 0;
    } else {
      return false;
    }
  }
  template <class Integer>
  static constexpr std::uint64_t Magnitude(Integer value) noexcept {
    // Through 64 bits first, so that the most negative value negates too.
    const auto wide = static_cast<std::uint64_t>(value);
    return IsNegative(value) ? 0 - wide : wide;
  }

  // Adds other with its sign taken as otherNegative, when both share a scale
  // or other is a whole number below 2^64 (a fraction less its floor, say),
  // and the sum needs no rounding; false, changing nothing, otherwise.
  bool AddWithoutRounding(const Decimal& other, bool otherNegative) noexcept;
  // The exact paths, out of line: mixed scales, carries past 96 bits,
  // products past 64 bits, division by anything but a power of ten.
  Decimal& AddGeneral(const Decimal& other, bool otherNegative);
  Decimal& MultiplyGeneral(const Decimal& other);
  Decimal& DivideGeneral(const Decimal& other);
  [[noreturn]] static void ThrowScaleOutOfRange();

  std::uint64_t low_ = 0;
  std::uint32_t high_ = 0;
  std::uint8_t scale_ = 0;
  bool negative_ = false;
};

// ---- Free operators ----

// Sum, exact when it fits.
Decimal operator+(Decimal a, const Decimal& b);
// Difference, exact when it fits.
Decimal operator-(Decimal a, const Decimal& b);
// Product, exact when it fits in 96 bits at a scale of at most 28.
Decimal operator*(Decimal a, const Decimal& b);
// Quotient rounded to the nearest.
Decimal operator/(Decimal a, const Decimal& b);
// Sign flipped; never fails.
Decimal operator-(const Decimal& a) noexcept;

// Numeric comparison, independent of scale; -0 == 0.
std::weak_ordering operator<=>(const Decimal& a, const Decimal& b) noexcept;
bool operator==(const Decimal& a, const Decimal& b) noexcept;

// The greatest whole number not above the value (towards minus infinity).
Decimal Floor(const Decimal& value);

// ---- Inline fast paths ----

namespace detail {
// The general cases of the inline operations below, in decimal.cpp.
std::weak_ordering CompareAtDifferentScales(const Decimal& a, const Decimal& b) noexcept;
Decimal FloorGeneral(const Decimal& value);
}  // namespace detail

inline bool Decimal::AddWithoutRounding(const Decimal& other, bool otherNegative) noexcept {
  std::uint64_t otherLow = other.low_;
  std::uint64_t otherHigh = other.high_;
  if (scale_ != other.scale_) {
    // The fields are tested through one OR, not two tests: the compiler
    // merges tests of neighbouring fields into one wider load, which has to
    // wait when the fields were just stored one by one (Floor's result).
    if ((other.high_ | other.scale_) != 0 ||
        scale_ >= static_cast<int>(detail::kPowersOfTen.size())) {
      return false;
    }
    const detail::Product128 raised = detail::Multiply64(other.low_, detail::kPowersOfTen[scale_]);
    if (raised.high > kMaxHigh) return false;
    otherLow = raised.low;
    otherHigh = raised.high;
  }
  if (negative_ == otherNegative) {
    const std::uint64_t low = low_ + otherLow;
    const std::uint64_t high = std::uint64_t{high_} + otherHigh + (low < low_ ? 1 : 0);
    // A carry past 96 bits needs rounding or is an overflow.
    if (high > kMaxHigh) return false;
    low_ = low;
    high_ = static_cast<std::uint32_t>(high);
    return true;
  }
  // Opposite signs: the larger magnitude keeps its sign; equal ones give +0.
  // The 96-bit difference is taken with a borrow into the top of a 64-bit
  // high half, which is set exactly when |other| is the larger.
  const std::uint64_t low = low_ - otherLow;
  const std::uint64_t high = std::uint64_t{high_} - otherHigh - (low_ < otherLow ? 1 : 0);
  if ((high >> 63) == 0) {
    low_ = low;
    high_ = static_cast<std::uint32_t>(high);
    negative_ = negative_ && (low | high) != 0;
  } else {
    // Two's complement negation of the difference: |other| - |this|.
    low_ = 0 - low;
    high_ = static_cast<std::uint32_t>(~high + (low == 0 ? 1 : 0));
    negative_ = otherNegative;
  }
  return true;
}

inline Decimal& Decimal::operator*=(const Decimal& other) {
  const int scale = scale_ + other.scale_;
  if ((high_ | other.high_) == 0 && scale <= kMaxScale) {
    const detail::Product128 product = detail::Multiply64(low_, other.low_);
    if (product.high <= kMaxHigh) {
      low_ = product.low;
      high_ = static_cast<std::uint32_t>(product.high);
      scale_ = static_cast<std::uint8_t>(scale);
      negative_ = negative_ != other.negative_;
      return *this;
    }
  }
  return MultiplyGeneral(other);
}

inline Decimal& Decimal::operator/=(const Decimal& other) {
  // One OR of the fields, for the reason given in AddWithoutRounding.
  if ((other.high_ | other.scale_) == 0 && other.low_ != 0) {
    // Dividing by a power of ten only moves the decimal point, exactly,
    // while the places fit. 10^k has k trailing zero bits.
    const int exponent = std::countr_zero(other.low_);
    if (exponent < static_cast<int>(detail::kPowersOfTen.size()) &&
        other.low_ == detail::kPowersOfTen[static_cast<std::size_t>(exponent)] &&
        scale_ + exponent <= kMaxScale) {
      scale_ = static_cast<std::uint8_t>(scale_ + exponent);
      negative_ = negative_ != other.negative_;
      return *this;
    }
  }
  return DivideGeneral(other);
}

inline Decimal operator+(Decimal a, const Decimal& b) { return a += b; }
inline Decimal operator-(Decimal a, const Decimal& b) { return a -= b; }
inline Decimal operator*(Decimal a, const Decimal& b) { return a *= b; }
inline Decimal operator/(Decimal a, const Decimal& b) { return a /= b; }

inline Decimal operator-(const Decimal& a) noexcept {
  return Decimal::FromParts(!a.negative(), a.coefficient_high(), a.coefficient_low(), a.scale());
}

inline std::weak_ordering operator<=>(const Decimal& a, const Decimal& b) noexcept {
  const bool aNegative = a.negative() && !a.is_zero();
  const bool bNegative = b.negative() && !b.is_zero();
  if (aNegative != bNegative) {
    return aNegative ? std::weak_ordering::less : std::weak_ordering::greater;
  }
  // At one scale, or against a zero (a fraction tested against 0), the
  // coefficients order the magnitudes.
  if (a.scale() != b.scale() && !a.is_zero() && !b.is_zero()) {
    return detail::CompareAtDifferentScales(a, b);
  }
  std::weak_ordering order = a.coefficient_high() != b.coefficient_high()
                                 ? a.coefficient_high() <=> b.coefficient_high()
                                 : a.coefficient_low() <=> b.coefficient_low();
  return aNegative ? 0 <=> order : order;
}

inline bool operator==(const Decimal& a, const Decimal& b) noexcept { return (a <=> b) == 0; }

inline Decimal Floor(const Decimal& value) {
  if (value.scale() == 0) return value;
  if (value.coefficient_high() == 0 && value.scale() < static_cast<int>(detail::kPowersOfTen.size())) {
    const std::uint64_t whole = detail::DivideByPowerOfTen(value.coefficient_low(), value.scale());
    const bool belowZeroWithFraction =
        value.negative() &&
        whole * detail::kPowersOfTen[static_cast<std::size_t>(value.scale())] != value.coefficient_low();
    return Decimal::FromParts(value.negative(), 0, whole + (belowZeroWithFraction ? 1 : 0), 0);
  }
  return detail::FloorGeneral(value);
}

}  // namespace morvane
