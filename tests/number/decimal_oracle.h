// GMP as the exact oracle for Decimal tests: exact values of Decimals, the
// correctly rounded Decimal value of any rational, and fixed-seed random
// operands that cover every scale and coefficient width.
#pragma once

#include <gmpxx.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <random>

#include "number/decimal.h"
#include "number/number_text.h"

namespace morvane {

// Lets GoogleTest show a Decimal as its text and scale rather than as bytes.
inline void PrintTo(const Decimal& value, std::ostream* out) {
  *out << FormatNumber(value) << " (scale " << value.scale() << ")";
}

}  // namespace morvane

namespace morvane::testing {

inline mpz_class Mpz(std::uint64_t value) { return mpz_class(static_cast<unsigned long>(value)); }

inline mpz_class PowerOfTen(int exponent) {
  mpz_class power;
  mpz_ui_pow_ui(power.get_mpz_t(), 10, static_cast<unsigned long>(exponent));
  return power;
}

inline const mpz_class& MaxCoefficient() {
  static const mpz_class max = (mpz_class(1) << 96) - 1;
  return max;
}

inline mpz_class CoefficientOf(const Decimal& value) {
  return (Mpz(value.coefficient_high()) << 64) + Mpz(value.coefficient_low());
}

// The exact value of a Decimal.
inline mpq_class ExactValue(const Decimal& value) {
  mpq_class exact(CoefficientOf(value), PowerOfTen(value.scale()));
  exact.canonicalize();
  return value.negative() ? mpq_class(-exact) : exact;
}

// |x| rounded to the nearest whole number, ties away from zero.
inline mpz_class RoundHalfAway(const mpq_class& x) {
  const mpq_class magnitude = abs(x);
  mpz_class rounded;
  mpz_fdiv_q(rounded.get_mpz_t(),
             mpz_class(2 * magnitude.get_num() + magnitude.get_den()).get_mpz_t(),
             mpz_class(2 * magnitude.get_den()).get_mpz_t());
  return rounded;
}

// What a Decimal operation must produce for the exact result x: x rounded
// once (not step by step) to the most decimal places, at most max_scale, at
// which the coefficient fits 96 bits. Empty when it does not fit at scale 0,
// which is the overflow.
inline std::optional<mpq_class> RoundedAsDecimal(const mpq_class& x, int max_scale) {
  for (int scale = max_scale; scale >= 0; --scale) {
    const mpz_class coefficient = RoundHalfAway(x * PowerOfTen(scale));
    if (coefficient <= MaxCoefficient()) {
      mpq_class rounded(coefficient, PowerOfTen(scale));
      rounded.canonicalize();
      return sgn(x) < 0 ? mpq_class(-rounded) : rounded;
    }
  }
  return std::nullopt;
}

// Random Decimals: every width of coefficient from 0 to 96 bits, every scale,
// both signs, and now and then a value at an edge (0, 1, 2^96 - 1, powers of
// ten and their neighbours), with whole numbers at scale 0 over-represented
// because the program's runs use them.
class RandomDecimals {
 public:
  explicit RandomDecimals(std::uint64_t seed) : engine_(seed) {}

  Decimal Next() {
    const bool negative = Uniform(0, 1) == 1;
    const int scale = Uniform(0, 3) == 0 ? 0 : Uniform(0, Decimal::kMaxScale);
    mpz_class coefficient;
    switch (Uniform(0, 9)) {
      case 0: {
        static const std::int64_t kEdges[] = {0, 1, 2, 9, 10, 11};
        coefficient = static_cast<long>(kEdges[Uniform(0, 5)]);
        break;
      }
      case 1:
        coefficient = MaxCoefficient() - Uniform(0, 2);
        break;
      case 2:
        coefficient = PowerOfTen(Uniform(0, 28)) + Uniform(-1, 1);
        break;
      default: {
        const int bits = Uniform(0, 96);
        const std::uint64_t upper = engine_();
        const std::uint64_t lower = engine_();
        coefficient = ((Mpz(upper) << 64) + Mpz(lower)) >> (128 - bits);
        break;
      }
    }
    if (coefficient < 0) coefficient = 0;
    const mpz_class high = coefficient >> 64;
    const mpz_class low = coefficient - (high << 64);
    return Decimal::FromParts(negative, static_cast<std::uint32_t>(high.get_ui()), low.get_ui(),
                              scale);
  }

  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
  std::mt19937_64& engine() { return engine_; }

 private:
  std::mt19937_64 engine_;
};

}  // namespace morvane::testing
