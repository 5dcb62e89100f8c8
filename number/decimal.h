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
//  - Construction from an integer is exact and implicit; from a double it is
//    explicit, because it rounds to 15 significant digits first.
//
// A plain value: no allocation. Whole numbers at scale 0 take a fast path.
#pragma once

#include <compare>
#include <cstdint>

namespace morvane {

class Decimal {
 public:
  static constexpr int kMaxScale = 28;

  // ---- Construction ----

  // Zero.
  constexpr Decimal() noexcept = default;

  // Exact, at scale 0. A 16-bit integer converts through this one.
  constexpr Decimal(std::int32_t value) noexcept  // NOLINT(google-explicit-constructor)
      : low_(value < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(value))
                       : static_cast<std::uint64_t>(value)),
        negative_(value < 0) {}

  // The double rounded to 15 significant decimal digits, held exactly: 0.1 is
  // exactly 0.1. Throws Overflow when the integer part needs more than 96 bits
  // or the value is not finite.
  explicit Decimal(double value);

  // Exact construction from the three fields; the coefficient is
  // high * 2^64 + low. Throws std::invalid_argument for a scale outside 0..28.
  static Decimal FromParts(bool negative, std::uint32_t high, std::uint64_t low, int scale);

  // ---- Arithmetic (each throws Overflow as described above) ----

  Decimal& operator+=(const Decimal& other);
  Decimal& operator-=(const Decimal& other);
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
bool operator==(const Decimal& a, const Decimal& b) noexcept;
std::weak_ordering operator<=>(const Decimal& a, const Decimal& b) noexcept;

// The greatest whole number not above the value (towards minus infinity).
Decimal Floor(const Decimal& value);

}  // namespace morvane
