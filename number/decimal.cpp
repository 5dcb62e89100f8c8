// Decimal arithmetic: fast paths for operands that fit 64 bits or share a
// scale, and exact 192-bit slow paths for everything else.
//
// Every slow path computes the exact result first and then rounds it in one
// place, RoundToFit, so that add, subtract, multiply and divide all lose
// decimal places the same way.
#include "number/decimal.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "number/failure.h"
#include "number/powers_of_ten.h"
#include "number/wide192.h"

namespace morvane {
namespace {

using detail::kPowersOfTen;
using detail::Multiply64;
using detail::Product128;
using detail::Wide192;

constexpr std::uint64_t kMaxUint32 = std::numeric_limits<std::uint32_t>::max();

// A 96-bit coefficient in two 64-bit halves; high stays below 2^32 except
// for a carry that the caller checks.
struct Coefficient96 {
  std::uint64_t low;
  std::uint64_t high;
};

// Multiplies the coefficient by 10^places in place; false, leaving it alone,
// when either operand or the result needs more than 64 + 32 bits.
inline bool RaiseScale(Coefficient96& coefficient, int places) noexcept {
  if (coefficient.high != 0 || places >= static_cast<int>(kPowersOfTen.size())) return false;
  const Product128 product =
      Multiply64(coefficient.low, kPowersOfTen[static_cast<std::size_t>(places)]);
  if (product.high > kMaxUint32) return false;
  coefficient = {product.low, product.high};
  return true;
}

Decimal FromCoefficient(bool negative, const Coefficient96& coefficient, int scale) {
  return Decimal::FromParts(negative, static_cast<std::uint32_t>(coefficient.high), coefficient.low,
                            scale);
}

Wide192 WideCoefficient(const Decimal& value) noexcept {
  return Wide192::FromCoefficient(value.coefficient_high(), value.coefficient_low());
}

Decimal FromWide(bool negative, const Wide192& coefficient, int scale) {
  return Decimal::FromParts(negative, coefficient.Bits64To96(), coefficient.Low64(), scale);
}

// Makes an exact (or already truncated) result fit: while the scale exceeds 28
// or the coefficient needs more than 96 bits, drop one decimal place. Rounding
// is to the nearest with ties away from zero, which depends only on the most
// significant dropped digit (>= 5 rounds up), so truncating first and rounding
// once at the end gives the correctly rounded value. droppedDigit is the
// first digit already cut off below the coefficient by the caller, 0 if none.
Decimal RoundToFit(bool negative, Wide192 coefficient, int scale, std::uint32_t droppedDigit) {
  for (;;) {
    while (scale > Decimal::kMaxScale || !coefficient.FitsCoefficient()) {
      if (scale == 0) throw Overflow();
      droppedDigit = coefficient.DivideBy(10);
      --scale;
    }
    if (droppedDigit < 5) break;
    // Rounding up carries past 96 bits only from 2^96 - 1; the next pass then
    // drops one more place, which rounds the same way as the exact value would.
    coefficient.AddSmall(1);
    droppedDigit = 0;
  }
  return FromWide(negative, coefficient, scale);
}

// The coefficients of a and b raised to their common (larger) scale.
struct Aligned {
  Wide192 a;
  Wide192 b;
  int scale;
};

Aligned Align(const Decimal& a, const Decimal& b) noexcept {
  Aligned aligned{WideCoefficient(a), WideCoefficient(b), a.scale()};
  if (a.scale() < b.scale()) {
    aligned.a.MultiplyByPowerOfTen(b.scale() - a.scale());
    aligned.scale = b.scale();
  } else if (b.scale() < a.scale()) {
    aligned.b.MultiplyByPowerOfTen(a.scale() - b.scale());
  }
  return aligned;
}

// -1, 0 or 1 as |a| is below, equal to or above |b|.
int CompareMagnitudes(const Decimal& a, const Decimal& b) noexcept {
  Coefficient96 a96{a.coefficient_low(), a.coefficient_high()};
  Coefficient96 b96{b.coefficient_low(), b.coefficient_high()};
  bool aligned = true;
  if (a.scale() < b.scale()) {
    aligned = RaiseScale(a96, b.scale() - a.scale());
  } else if (b.scale() < a.scale()) {
    aligned = RaiseScale(b96, a.scale() - b.scale());
  }
  if (aligned) {
    if (a96.high != b96.high) return a96.high < b96.high ? -1 : 1;
    if (a96.low != b96.low) return a96.low < b96.low ? -1 : 1;
    return 0;
  }
  const Aligned alignedWide = Align(a, b);
  return Compare(alignedWide.a, alignedWide.b);
}

// a + b, or a - b when negateB is set, exact before rounding.
Decimal SlowSum(const Decimal& a, const Decimal& b, bool negateB) {
  const bool bNegative = b.negative() != negateB;
  Aligned aligned = Align(a, b);
  if (a.negative() == bNegative) {
    aligned.a.Add(aligned.b);
    return RoundToFit(a.negative(), aligned.a, aligned.scale, 0);
  }
  const int order = Compare(aligned.a, aligned.b);
  if (order == 0) return Decimal::FromParts(false, 0, 0, aligned.scale);
  if (order > 0) {
    aligned.a.Subtract(aligned.b);
    return RoundToFit(a.negative(), aligned.a, aligned.scale, 0);
  }
  aligned.b.Subtract(aligned.a);
  return RoundToFit(bNegative, aligned.b, aligned.scale, 0);
}

Decimal SlowProduct(const Decimal& a, const Decimal& b) {
  const Wide192 product = Wide192::ProductOfCoefficients(WideCoefficient(a), WideCoefficient(b));
  return RoundToFit(a.negative() != b.negative(), product, a.scale() + b.scale(), 0);
}

// Quotient and remainder of two values below 2^96, by binary long division
// (a slow path: the run itself only divides by 10000, a power of ten, which
// operator/= handles without dividing).
void DivideCoefficients(const Wide192& dividend, const Wide192& divisor, Wide192& quotient,
                        Wide192& remainder) noexcept {
  quotient = Wide192();
  remainder = Wide192();
  for (int bit = 95; bit >= 0; --bit) {
    remainder.ShiftLeftOne();
    if (dividend.Bit(bit)) remainder.AddSmall(1);
    if (Compare(remainder, divisor) >= 0) {
      remainder.Subtract(divisor);
      quotient.SetBit(bit);
    }
  }
}

// a / b for b not zero: long division of the coefficients, one decimal digit
// at a time, for as long as the digits fit in 96 bits at a scale of at most 28.
Decimal SlowQuotient(const Decimal& a, const Decimal& b) {
  const bool negative = a.negative() != b.negative();
  const Wide192 divisor = WideCoefficient(b);
  Wide192 coefficient;
  Wide192 remainder;
  DivideCoefficients(WideCoefficient(a), divisor, coefficient, remainder);

  // The quotient of the coefficients is scaled by 10^(b.scale - a.scale), so
  // the result starts at a.scale - b.scale places, which may be negative: then
  // digits must be appended (zeros when the division is exact) to reach 0.
  int scale = a.scale() - b.scale();
  std::uint32_t nextDigit = 0;
  while (!remainder.IsZero() || scale < 0) {
    remainder.MultiplyBy(10);
    std::uint32_t digit = 0;
    while (Compare(remainder, divisor) >= 0) {
      remainder.Subtract(divisor);
      ++digit;
    }
    Wide192 grown = coefficient;
    grown.MultiplyBy(10);
    grown.AddSmall(digit);
    if (scale >= Decimal::kMaxScale || !grown.FitsCoefficient()) {
      if (scale < 0) throw Overflow();
      nextDigit = digit;
      break;
    }
    coefficient = grown;
    ++scale;
  }
  return RoundToFit(negative, coefficient, scale, nextDigit);
}

// The value of 15 significant digits times 10^exponent, rounded to fit.
Decimal FromSignificand(bool negative, std::uint64_t digits, int exponent) {
  if (digits == 0) return Decimal::FromParts(negative, 0, 0, 0);
  while (digits % 10 == 0) {
    digits /= 10;
    ++exponent;
  }
  if (exponent >= 0) {
    // digits >= 1, so 10^29 or more is beyond 2^96 - 1 whatever the digits.
    if (exponent > 28) throw Overflow();
    Wide192 coefficient = Wide192::FromCoefficient(0, digits);
    coefficient.MultiplyByPowerOfTen(exponent);
    if (!coefficient.FitsCoefficient()) throw Overflow();
    return FromWide(negative, coefficient, 0);
  }
  const int scale = -exponent;
  if (scale <= Decimal::kMaxScale) return Decimal::FromParts(negative, 0, digits, scale);
  // Too many places: keep 28, rounding. digits < 10^15, so dropping 16 or more
  // places leaves less than a tenth of the last place, which rounds to zero.
  const int dropped = scale - Decimal::kMaxScale;
  if (dropped > 15) return Decimal::FromParts(negative, 0, 0, Decimal::kMaxScale);
  const std::uint64_t kept = digits / kPowersOfTen[static_cast<std::size_t>(dropped)];
  const std::uint64_t firstDropped =
      (digits / kPowersOfTen[static_cast<std::size_t>(dropped - 1)]) % 10;
  return Decimal::FromParts(negative, 0, kept + (firstDropped >= 5 ? 1 : 0), Decimal::kMaxScale);
}

}  // namespace

// ---- Construction ----

Decimal::Decimal(double value) {
  if (!std::isfinite(value)) throw Overflow();
  // Scientific with 14 digits after the point is 15 significant digits,
  // correctly rounded and independent of the locale: [-]d.dddddddddddddde+dd
  // (or e-dd, or three exponent digits).
  char text[40];
  const auto [end, error] =
      std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 14);
  if (error != std::errc()) throw Overflow();
  const char* cursor = text;
  const bool negative = *cursor == '-';
  if (negative) ++cursor;
  std::uint64_t digits = 0;
  for (; *cursor != 'e'; ++cursor) {
    if (*cursor != '.') digits = digits * 10 + static_cast<std::uint64_t>(*cursor - '0');
  }
  ++cursor;  // 'e'
  const bool exponentNegative = *cursor == '-';
  ++cursor;  // the exponent's sign, always written
  int exponent = 0;
  for (; cursor != end; ++cursor) exponent = exponent * 10 + (*cursor - '0');
  if (exponentNegative) exponent = -exponent;
  *this = FromSignificand(negative, digits, exponent - 14);
}

void Decimal::ThrowScaleOutOfRange() { throw std::invalid_argument("Decimal scale outside 0..28"); }

// ---- Arithmetic ----

Decimal& Decimal::AddGeneral(const Decimal& other, bool otherNegative) {
  // Both coefficients fit 96 bits at the common scale (a fraction less a
  // small whole number, say): no need for 192 bits.
  Coefficient96 a{low_, high_};
  Coefficient96 b{other.low_, other.high_};
  int scale = scale_;
  bool aligned = true;
  if (scale_ < other.scale_) {
    aligned = RaiseScale(a, other.scale_ - scale_);
    scale = other.scale_;
  } else if (other.scale_ < scale_) {
    aligned = RaiseScale(b, scale_ - other.scale_);
  }
  const bool negateOther = otherNegative != other.negative_;
  if (!aligned) return *this = SlowSum(*this, other, negateOther);

  if (negative_ == otherNegative) {
    // A carry past 96 bits needs rounding or is an overflow: the slow path
    // decides which.
    const std::uint64_t low = a.low + b.low;
    const std::uint64_t high = a.high + b.high + (low < a.low ? 1 : 0);
    if (high > kMaxUint32) return *this = SlowSum(*this, other, negateOther);
    *this = FromCoefficient(negative_, {low, high}, scale);
    return *this;
  }
  // Opposite signs: the larger magnitude keeps its sign; equal ones give +0.
  const bool aLarger = a.high != b.high ? a.high > b.high : a.low >= b.low;
  const Coefficient96& larger = aLarger ? a : b;
  const Coefficient96& smaller = aLarger ? b : a;
  const Coefficient96 difference{larger.low - smaller.low,
                                 larger.high - smaller.high - (larger.low < smaller.low ? 1 : 0)};
  const bool negative =
      (difference.low | difference.high) != 0 && (aLarger ? negative_ : otherNegative);
  *this = FromCoefficient(negative, difference, scale);
  return *this;
}

Decimal& Decimal::MultiplyGeneral(const Decimal& other) {
  return *this = SlowProduct(*this, other);
}

Decimal& Decimal::DivideGeneral(const Decimal& other) {
  if (other.is_zero()) throw DivisionByZero();
  return *this = SlowQuotient(*this, other);
}

// ---- Comparison and floor ----

std::weak_ordering detail::CompareAtDifferentScales(const Decimal& a, const Decimal& b) noexcept {
  const bool aNegative = a.negative() && !a.is_zero();
  const bool bNegative = b.negative() && !b.is_zero();
  if (b.is_zero()) {
    // A comparison with 0 needs no scales aligned.
    if (a.is_zero()) return std::weak_ordering::equivalent;
    return aNegative ? std::weak_ordering::less : std::weak_ordering::greater;
  }
  if (aNegative != bNegative) {
    return aNegative ? std::weak_ordering::less : std::weak_ordering::greater;
  }
  int order = CompareMagnitudes(a, b);
  if (aNegative) order = -order;
  if (order < 0) return std::weak_ordering::less;
  if (order > 0) return std::weak_ordering::greater;
  return std::weak_ordering::equivalent;
}

Decimal detail::FloorGeneral(const Decimal& value) {
  if (value.scale() == 0) return value;
  const bool negative = value.negative();
  Wide192 whole = WideCoefficient(value);
  bool hasFraction = false;
  int places = value.scale();
  for (; places >= 9; places -= 9) hasFraction |= whole.DivideBy(1'000'000'000U) != 0;
  if (places > 0) {
    hasFraction |= whole.DivideBy(static_cast<std::uint32_t>(
                        kPowersOfTen[static_cast<std::size_t>(places)])) != 0;
  }
  // Towards minus infinity: a negative value with a fraction goes one further
  // from zero. The whole part of a scaled coefficient is far below 2^96 - 1.
  if (negative && hasFraction) whole.AddSmall(1);
  return FromWide(negative, whole, 0);
}

}  // namespace morvane
