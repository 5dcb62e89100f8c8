// Decimal: the run's fixed points, and every operation against GMP as an exact
// oracle over fixed-seed random operands.
//
// Rounding rule under test: a result that must lose decimal places is rounded
// once, from the exact value, to the nearest; an exact tie goes away from zero.
#include "number/decimal.h"
#include "number/powers_of_ten.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "number/failure.h"
#include "number/number_text.h"
#include "number/wide192.h"
#include "tests/number/failure_number.h"
#include "tests/number/scoped_locale.h"
#include "tests/number/decimal_oracle.h"

namespace morvane {
namespace {

using testing::ExactValue;
using testing::Mpz;
using testing::PowerOfTen;
using testing::RandomDecimals;
using testing::RoundedAsDecimal;

constexpr int kRandomPairs = 20000;

Decimal Whole(std::uint64_t value, bool negative = false) {
  return Decimal::FromParts(negative, 0, value, 0);
}

Decimal Fraction(std::int64_t coefficient, int scale) {
  return Decimal::FromParts(coefficient < 0, 0, static_cast<std::uint64_t>(std::llabs(coefficient)),
                            scale);
}

std::string Describe(const Decimal& value) {
  return FormatNumber(value) + " (scale " + std::to_string(value.scale()) + ")";
}

// ---- The run's fixed points ----

TEST(DecimalMultiply, ExactAtLargestSquare) {
  const Decimal n = Whole(281'474'976'710'655ULL);
  const Decimal square = n * n;
  EXPECT_EQ(PlainNumber(square), "79228162514263774643590529025");
  EXPECT_EQ(square.scale(), 0);
}

TEST(DecimalMultiply, OverflowsPastTwoToThe48) {
  const Decimal n = Whole(281'474'976'710'656ULL);
  EXPECT_EQ(FailureNumberOf([&] { (void)(n * n); }), kOverflowError);
  EXPECT_EQ(FailureNumberOf([&] { (void)(n * -n); }), kOverflowError);
}

TEST(DecimalDivide, ProgressQuotientAndItsFloor) {
  const Decimal divisor(10000);
  const Decimal q1 = Decimal(10000) / divisor;
  EXPECT_EQ(q1, Decimal(1));
  EXPECT_EQ(Floor(q1), Decimal(1));
  EXPECT_EQ(q1 - Floor(q1), Decimal(0));

  const Decimal q2 = Decimal(10001) / divisor;
  EXPECT_EQ(q2, Fraction(10001, 4));
  EXPECT_EQ(Floor(q2), Decimal(1));
  EXPECT_EQ(q2 - Floor(q2), Fraction(1, 4));

  const Decimal q3 = Decimal(-5) / divisor;
  EXPECT_EQ(q3, Fraction(-5, 4));
  EXPECT_EQ(Floor(q3), Decimal(-1));
  EXPECT_EQ(q3 - Floor(q3), Fraction(9995, 4));
}

TEST(DecimalDivide, ByZeroIsItsOwnFailure) {
  EXPECT_EQ(FailureNumberOf([] { (void)(Decimal(1) / Decimal(0)); }), kDivisionByZeroError);
  EXPECT_EQ(FailureNumberOf([] { (void)(Decimal(0) / Fraction(0, 5)); }), kDivisionByZeroError);
}

TEST(DecimalCompare, IgnoresScaleAndSignOfZero) {
  EXPECT_EQ(Fraction(25, 1), Fraction(250, 2));
  EXPECT_TRUE(Fraction(25, 1) <= Fraction(250, 2));
  EXPECT_FALSE(Fraction(25, 1) > Fraction(250, 2));
  const Decimal negative_zero = Decimal::FromParts(true, 0, 0, 3);
  EXPECT_EQ(negative_zero, Decimal(0));
  EXPECT_FALSE(negative_zero < Decimal(0));
  EXPECT_TRUE(Fraction(-1, 28) < negative_zero);
  EXPECT_EQ(FormatNumber(negative_zero), " 0");
}

// ---- Construction ----

TEST(DecimalConstruction, IntegersAreExactAtTheirExtremes) {
  EXPECT_EQ(Decimal(std::numeric_limits<std::int32_t>::min()), Whole(2'147'483'648ULL, true));
  EXPECT_EQ(Decimal(std::numeric_limits<std::int32_t>::max()), Whole(2'147'483'647ULL));
  const std::int16_t lines = -32768;
  EXPECT_EQ(Decimal(lines), Whole(32768, true));
  // Wider integers are held whole, never cut to 32 bits.
  const Decimal wide = std::int64_t{5'000'000'000};
  EXPECT_EQ(wide, Whole(5'000'000'000ULL));
  EXPECT_EQ(Decimal(std::numeric_limits<std::int64_t>::min()), Whole(1ULL << 63, true));
  EXPECT_EQ(Decimal(std::numeric_limits<long long>::max()), Whole((1ULL << 63) - 1));
  EXPECT_EQ(Decimal(std::numeric_limits<std::uint64_t>::max()), Whole(~0ULL));
  EXPECT_EQ(Decimal(std::numeric_limits<unsigned long long>::max()), Whole(~0ULL));
  EXPECT_EQ(Decimal(4'000'000'000U), Whole(4'000'000'000ULL));
  static_assert(!std::is_constructible_v<Decimal, bool>);
#if defined(__SIZEOF_INT128__)
  __extension__ using Int128 = __int128;
  static_assert(!std::is_constructible_v<Decimal, Int128>);
#endif
}

TEST(DecimalConstruction, FromPartsRejectsScaleOutsideRange) {
  EXPECT_THROW((void)Decimal::FromParts(false, 0, 1, 29), std::invalid_argument);
  EXPECT_THROW((void)Decimal::FromParts(false, 0, 1, -1), std::invalid_argument);
}

TEST(DecimalFromDouble, HoldsFifteenDigitsExactly) {
  EXPECT_EQ(Decimal(0.1), Fraction(1, 1));
  EXPECT_EQ(Decimal(1e15), Whole(1'000'000'000'000'000ULL));
  EXPECT_EQ(Decimal(2.5), Fraction(25, 1));
  EXPECT_EQ(Decimal(-7.0), Decimal(-7));
  EXPECT_EQ(Decimal(1.0 / 3.0), Fraction(333'333'333'333'333LL, 15));
  // 2^53 + 2 has 16 digits; the 15-digit rounding keeps 900719925474099e1.
  EXPECT_EQ(Decimal(9007199254740994.0), Whole(9'007'199'254'740'990ULL));
  EXPECT_EQ(Decimal(-0.0), Decimal(0));
}

TEST(DecimalFromDouble, TooManyPlacesRoundToScale28) {
  EXPECT_EQ(Decimal(1e-28), Fraction(1, 28));
  EXPECT_EQ(Decimal(5e-29), Fraction(1, 28));  // a tie, away from zero
  EXPECT_EQ(Decimal(-5e-29), Fraction(-1, 28));
  EXPECT_EQ(Decimal(4.99999999999999e-29), Decimal(0));
  EXPECT_EQ(Decimal(1.23456789556789e-20), Fraction(123'456'790, 28));
  EXPECT_EQ(Decimal(1e-300), Decimal(0));
}

TEST(DecimalFromDouble, OverflowsBeyondNinetySixBitsOrWhenNotFinite) {
  // 2^96 itself rounds to 15 digits below 2^96 - 1 and fits.
  EXPECT_EQ(PlainNumber(Decimal(std::ldexp(1.0, 96))), "79228162514264300000000000000");
  for (const double value :
       {7.92281625142644e28, -7.92281625142644e28, 1e29, 1e300,
        std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN()}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(FailureNumberOf([&] { (void)Decimal(value); }), kOverflowError);
  }
}

TEST(DecimalFromDouble, MatchesFifteenDigitOracleOnRandomDoubles) {
  std::mt19937_64 engine(15);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-35, 32);
  for (int i = 0; i < kRandomPairs; ++i) {
    const double value = mantissa(engine) * std::pow(10.0, exponent(engine));
    // The C library's own conversion, in the "C" locale that tests run in.
    char text[64];
    std::snprintf(text, sizeof text, "%.14e", value);
    const char* exponent_mark = std::strchr(text, 'e');
    std::string digits(static_cast<const char*>(text), exponent_mark);
    digits.erase(digits.find('.'), 1);
    const int power = std::atoi(exponent_mark + 1) - 14;
    mpq_class exact{mpz_class(digits)};
    exact *= power >= 0 ? mpq_class(PowerOfTen(power)) : mpq_class(1, PowerOfTen(-power));
    const std::optional<mpq_class> expected = RoundedAsDecimal(exact, Decimal::kMaxScale);
    SCOPED_TRACE(text);
    if (!expected) {
      EXPECT_EQ(FailureNumberOf([&] { (void)Decimal(value); }), kOverflowError);
    } else {
      EXPECT_EQ(ExactValue(Decimal(value)), *expected);
    }
  }
}

TEST(DecimalFromDouble, IgnoresTheLocalesDecimalComma) {
  const CommaLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma could be made";
  EXPECT_EQ(Decimal(2.5), Fraction(25, 1));
  EXPECT_EQ(PlainNumber(Decimal(-1234567.25)), "-1234567.25");
  EXPECT_EQ(PlainNumber(Decimal(1e-5)), "0.00001");
}

// ---- Arithmetic against the oracle ----

// How often each kind of outcome occurred, so that a test can insist that it
// exercised exact, rounded and overflowing results alike.
struct Outcomes {
  int exact = 0;
  int rounded = 0;
  int overflowed = 0;
};

// Checks one operation's result (or overflow) against the exact result x
// rounded as a Decimal operation must round it.
template <typename Operation>
void ExpectRoundedResult(Operation operation, const mpq_class& x, int max_scale,
                         Outcomes& outcomes) {
  const std::optional<mpq_class> expected = RoundedAsDecimal(x, max_scale);
  if (!expected) {
    ++outcomes.overflowed;
    EXPECT_EQ(FailureNumberOf(operation), kOverflowError) << "exact " << x.get_str();
    return;
  }
  ++(*expected == x ? outcomes.exact : outcomes.rounded);
  try {
    const Decimal result = operation();
    EXPECT_EQ(ExactValue(result), *expected)
        << "got " << Describe(result) << ", exact " << x.get_str();
  } catch (const Failure& failure) {
    ADD_FAILURE() << "threw " << failure.description() << ", exact " << x.get_str();
  }
}

TEST(DecimalAdd, MatchesOracleAtEveryScale) {
  RandomDecimals random(1);
  Outcomes outcomes;
  for (int i = 0; i < kRandomPairs; ++i) {
    const Decimal a = random.Next();
    const Decimal b = random.Next();
    SCOPED_TRACE(Describe(a) + " + " + Describe(b));
    ExpectRoundedResult([&] { return a + b; }, ExactValue(a) + ExactValue(b),
                        std::max(a.scale(), b.scale()), outcomes);
  }
  EXPECT_GT(outcomes.exact, 1000);
  EXPECT_GT(outcomes.rounded, 100);
  EXPECT_GT(outcomes.overflowed, 20);
}

TEST(DecimalSubtract, MatchesOracleAtEveryScale) {
  RandomDecimals random(2);
  Outcomes outcomes;
  for (int i = 0; i < kRandomPairs; ++i) {
    const Decimal a = random.Next();
    const Decimal b = random.Next();
    SCOPED_TRACE(Describe(a) + " - " + Describe(b));
    ExpectRoundedResult([&] { return a - b; }, ExactValue(a) - ExactValue(b),
                        std::max(a.scale(), b.scale()), outcomes);
  }
  EXPECT_GT(outcomes.exact, 1000);
  EXPECT_GT(outcomes.rounded, 100);
  EXPECT_GT(outcomes.overflowed, 20);
}

// The inline sums take a borrow across the 64-bit halves, negate a difference
// whose sign flips, and raise a whole number to the other operand's scale: a
// lost borrow or carry, a wrong sign or a missed scale would show at these
// coefficients, where random values seldom meet.
TEST(DecimalAddSubtract, MatchesOracleAtHalfEdgesSignChangesAndRaisedWholes) {
  std::vector<mpz_class> coefficients = {0, 1, 2, 9'999, 10'000, 10'001};
  for (const int bits : {32, 64, 96}) {
    for (int offset = -1; offset <= 1; ++offset) {
      const mpz_class value = (mpz_class(1) << bits) + offset;
      if (value <= testing::MaxCoefficient()) coefficients.push_back(value);
    }
  }
  std::vector<Decimal> values;
  for (const mpz_class& coefficient : coefficients) {
    const mpz_class high = coefficient >> 64;
    const mpz_class low = coefficient - (high << 64);
    for (const int scale : {0, 4, 19, 28}) {
      for (const bool negative : {false, true}) {
        values.push_back(Decimal::FromParts(negative, static_cast<std::uint32_t>(high.get_ui()),
                                            low.get_ui(), scale));
      }
    }
  }
  Outcomes outcomes;
  for (const Decimal& a : values) {
    for (const Decimal& b : values) {
      const int scale = std::max(a.scale(), b.scale());
      SCOPED_TRACE(Describe(a) + " and " + Describe(b));
      ExpectRoundedResult([&] { return a + b; }, ExactValue(a) + ExactValue(b), scale, outcomes);
      ExpectRoundedResult([&] { return a - b; }, ExactValue(a) - ExactValue(b), scale, outcomes);
      // The compound forms take the same paths.
      Decimal sum = a;
      Decimal difference = a;
      if (FailureNumberOf([&] { return a + b; }) == 0) {
        EXPECT_EQ(sum += b, a + b);
      }
      if (FailureNumberOf([&] { return a - b; }) == 0) {
        EXPECT_EQ(difference -= b, a - b);
      }
    }
  }
  EXPECT_GT(outcomes.exact, 10000);
}

// Rounding 2^96 - 1 up carries past 96 bits: one more place must go, or at
// scale 0 the result is an overflow, never a wrapped coefficient.
TEST(DecimalAdd, RoundingUpFromTheLargestCoefficient) {
  const Decimal largest_at_one_place = Decimal::FromParts(false, 0xFFFF'FFFFU, ~0ULL, 1);
  EXPECT_EQ(PlainNumber(largest_at_one_place + Fraction(5, 2)), "7922816251426433759354395034");
  EXPECT_EQ(PlainNumber(-largest_at_one_place - Fraction(5, 2)), "-7922816251426433759354395034");
  const Decimal largest = Decimal::FromParts(false, 0xFFFF'FFFFU, ~0ULL, 0);
  EXPECT_EQ(FailureNumberOf([&] { (void)(largest + Fraction(5, 1)); }), kOverflowError);
  EXPECT_EQ(PlainNumber(largest + Fraction(4, 1)), "79228162514264337593543950335");
  EXPECT_EQ(FailureNumberOf([&] { (void)(largest + Decimal(1)); }), kOverflowError);
  EXPECT_EQ(FailureNumberOf([&] { (void)(-largest - Decimal(1)); }), kOverflowError);
}

// 0.445 * 10^-27 needs 30 places. Rounded once to 28 it is 4 * 10^-28;
// rounding place by place (44.5 -> 45 -> 4.5 -> 5) would wrongly give 5.
TEST(DecimalMultiply, RoundsOnceFromTheExactProduct) {
  EXPECT_EQ(Fraction(445, 3) * Fraction(1, 27), Fraction(4, 28));
  EXPECT_EQ(Fraction(445, 3) * Fraction(-1, 27), Fraction(-4, 28));
  EXPECT_EQ(Fraction(45, 2) * Fraction(1, 27), Fraction(5, 28));  // a tie, away from zero
}

TEST(DecimalMultiply, MatchesOracleAtEveryScale) {
  RandomDecimals random(3);
  Outcomes outcomes;
  for (int i = 0; i < kRandomPairs; ++i) {
    const Decimal a = random.Next();
    const Decimal b = random.Next();
    SCOPED_TRACE(Describe(a) + " * " + Describe(b));
    ExpectRoundedResult([&] { return a * b; }, ExactValue(a) * ExactValue(b),
                        std::min(a.scale() + b.scale(), Decimal::kMaxScale), outcomes);
  }
  EXPECT_GT(outcomes.exact, 1000);
  EXPECT_GT(outcomes.rounded, 1000);
  EXPECT_GT(outcomes.overflowed, 1000);
}

TEST(DecimalDivide, MatchesOracleAtEveryScale) {
  RandomDecimals random(4);
  Outcomes outcomes;
  for (int i = 0; i < kRandomPairs; ++i) {
    const Decimal a = random.Next();
    const Decimal b = random.Next();
    if (b.is_zero()) continue;
    SCOPED_TRACE(Describe(a) + " / " + Describe(b));
    ExpectRoundedResult([&] { return a / b; }, ExactValue(a) / ExactValue(b), Decimal::kMaxScale,
                        outcomes);
  }
  EXPECT_GT(outcomes.exact, 1000);
  EXPECT_GT(outcomes.rounded, 1000);
  EXPECT_GT(outcomes.overflowed, 100);
}

// Dividing by a power of ten only moves the point until 28 places are used;
// beyond that the quotient must round like any other.
TEST(DecimalDivide, ByPowersOfTenMovesThePointThenRounds) {
  RandomDecimals random(9);
  Outcomes outcomes;
  for (int i = 0; i < kRandomPairs / 4; ++i) {
    const Decimal a = random.Next();
    const int exponent = random.Uniform(0, 19);
    const Decimal b = Whole(static_cast<std::uint64_t>(PowerOfTen(exponent).get_ui()));
    SCOPED_TRACE(Describe(a) + " / 10^" + std::to_string(exponent));
    ExpectRoundedResult([&] { return a / b; }, ExactValue(a) / ExactValue(b), Decimal::kMaxScale,
                        outcomes);
  }
  EXPECT_GT(outcomes.exact, 1000);
  EXPECT_GT(outcomes.rounded, 100);
}

TEST(DecimalDivide, ThirdsRoundToTwentyEightPlaces) {
  EXPECT_EQ(PlainNumber(Decimal(1) / Decimal(3)), "0.3333333333333333333333333333");
  EXPECT_EQ(PlainNumber(Decimal(-2) / Decimal(3)), "-0.6666666666666666666666666667");
  // Fewer places fit as the whole part grows.
  EXPECT_EQ(PlainNumber(Decimal::FromParts(false, 0xFFFF'FFFFU, ~0ULL, 0) / Decimal(3)),
            "26409387504754779197847983445");
  EXPECT_EQ(PlainNumber(Decimal(2'000'000'000) / Decimal(3)), "666666666.66666666666666666667");
}

TEST(DecimalFloor, RoundsTowardsMinusInfinity) {
  RandomDecimals random(5);
  for (int i = 0; i < kRandomPairs; ++i) {
    const Decimal value = random.Next();
    const mpq_class exact = ExactValue(value);
    mpz_class expected;
    mpz_fdiv_q(expected.get_mpz_t(), exact.get_num_mpz_t(), exact.get_den_mpz_t());
    const Decimal floor = Floor(value);
    SCOPED_TRACE(Describe(value));
    EXPECT_EQ(ExactValue(floor), mpq_class(expected));
    EXPECT_EQ(floor.scale(), 0);
  }
  // At every scale a 64-bit coefficient can have: on and beside whole
  // numbers, where a quotient by multiplication would first be one off.
  for (int scale = 1; scale <= 19; ++scale) {
    const std::uint64_t power = detail::kPowersOfTen[static_cast<std::size_t>(scale)];
    const std::uint64_t most = ~std::uint64_t{0};
    for (const std::uint64_t coefficient :
         {power - 1, power, power + 1, most / power * power, most / power * power - 1, most}) {
      for (const bool negative : {false, true}) {
        const Decimal value = Decimal::FromParts(negative, 0, coefficient, scale);
        const mpq_class exact = ExactValue(value);
        mpz_class expected;
        mpz_fdiv_q(expected.get_mpz_t(), exact.get_num_mpz_t(), exact.get_den_mpz_t());
        SCOPED_TRACE(Describe(value));
        EXPECT_EQ(ExactValue(Floor(value)), mpq_class(expected));
      }
    }
  }
}

TEST(DecimalCompare, MatchesOracleOrder) {
  RandomDecimals random(6);
  for (int i = 0; i < kRandomPairs; ++i) {
    const Decimal a = random.Next();
    // Every third pair is the same value at a higher scale, or its neighbour.
    Decimal b = random.Next();
    if (i % 3 == 0 && a.scale() < Decimal::kMaxScale && a.coefficient_high() == 0 &&
        a.coefficient_low() < (1ULL << 60)) {
      b = Decimal::FromParts(a.negative(), 0, a.coefficient_low() * 10 + (i % 2), a.scale() + 1);
    }
    const int expected = cmp(ExactValue(a), ExactValue(b));
    SCOPED_TRACE(Describe(a) + " vs " + Describe(b));
    EXPECT_EQ(a == b, expected == 0);
    EXPECT_EQ(a < b, expected < 0);
    EXPECT_EQ(a <= b, expected <= 0);
    EXPECT_EQ(a > b, expected > 0);
  }
}

// ---- The run's own use: whole numbers at scale 0 ----

TEST(DecimalWholeRun, SquaresAndDifferencesStayExactUpToTheBound) {
  // The last thousand numbers of a run that reaches the bound, with every
  // operation that a run performs per number.
  const std::uint64_t first = (1ULL << 48) - 1000;
  Decimal n = Whole(first);
  Decimal previous_square = (n - Decimal(1)) * (n - Decimal(1));
  const Decimal end = Whole((1ULL << 48) - 1);
  for (std::uint64_t value = first; n <= end; ++value) {
    const Decimal square = n * n;
    const Decimal difference = square - previous_square;
    const mpz_class exact = Mpz(value) * Mpz(value);
    ASSERT_EQ(testing::CoefficientOf(square), exact) << value;
    ASSERT_EQ(testing::CoefficientOf(difference), 2 * Mpz(value) - 1) << value;
    ASSERT_EQ(square.scale(), 0);
    previous_square = square;
    n += Decimal(1);
  }
  EXPECT_EQ(FailureNumberOf([&] { (void)(n * n); }), kOverflowError);
}

TEST(DecimalWholeRun, ProgressTestFindsExactlyTheMultiplesOfTenThousand) {
  RandomDecimals random(7);
  const Decimal ten_thousand(10000);
  for (int i = 0; i < kRandomPairs; ++i) {
    const std::uint64_t magnitude = random.engine()() >> random.Uniform(0, 63);
    const bool negative = random.Uniform(0, 1) == 1;
    const Decimal n = Whole(magnitude, negative);
    const Decimal quotient = n / ten_thousand;
    SCOPED_TRACE(Describe(n));
    EXPECT_EQ(ExactValue(quotient), ExactValue(n) / 10000);
    EXPECT_LE(quotient.scale(), 4);
    EXPECT_EQ(quotient - Floor(quotient) == Decimal(0), magnitude % 10000 == 0);
  }
}

// ---- The 64-bit product that compilers without a 128-bit type use ----

TEST(PortableProduct, CarriesBetweenHalvesLikeTheOracle) {
  std::mt19937_64 engine(10);
  for (int i = 0; i < kRandomPairs; ++i) {
    // Every fourth operand is all ones in one or both halves, where the
    // partial products' carries pile up.
    std::uint64_t a = engine();
    std::uint64_t b = engine();
    if (i % 4 == 0) a |= 0xFFFF'FFFFULL << (32 * (i % 8 == 0 ? 1 : 0));
    if (i % 3 == 0) b = ~0ULL;
    const detail::Product128 product = detail::MultiplyPortable(a, b);
    const mpz_class expected = Mpz(a) * Mpz(b);
    ASSERT_EQ((Mpz(product.high) << 64) + Mpz(product.low), expected) << a << " * " << b;
  }
  const detail::Product128 largest = detail::MultiplyPortable(~0ULL, ~0ULL);
  EXPECT_EQ(largest.high, ~0ULL - 1);
  EXPECT_EQ(largest.low, 1U);
}

}  // namespace
}  // namespace morvane
