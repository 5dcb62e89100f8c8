// FormatNumber and PlainNumber against the record forms, and against GMP's own
// decimal conversion at every power of ten, its neighbours and the limb edges.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "number/decimal.h"
#include "number/number_text.h"
#include "tests/number/decimal_oracle.h"

namespace morvane {
namespace {

using testing::CoefficientOf;
using testing::Mpz;
using testing::PowerOfTen;

Decimal FromMpz(bool negative, const mpz_class& coefficient, int scale) {
  const mpz_class high = coefficient >> 64;
  const mpz_class low = coefficient - (high << 64);
  return Decimal::FromParts(negative, static_cast<std::uint32_t>(high.get_ui()), low.get_ui(),
                            scale);
}

// The text GMP's division and conversion give for the value.
std::string OracleText(const Decimal& value) {
  const mpz_class coefficient = CoefficientOf(value);
  const mpz_class unit = PowerOfTen(value.scale());
  const mpz_class whole = coefficient / unit;
  const mpz_class fraction = coefficient % unit;
  std::string text = value.negative() && coefficient != 0 ? "-" : " ";
  text += whole.get_str();
  if (fraction != 0) {
    std::string places = fraction.get_str();
    places.insert(0, static_cast<std::size_t>(value.scale()) - places.size(), '0');
    places.erase(places.find_last_not_of('0') + 1);
    text += "." + places;
  }
  return text;
}

TEST(FormatNumber, RecordForms) {
  EXPECT_EQ(FormatNumber(Decimal(1)), " 1");
  EXPECT_EQ(FormatNumber(Decimal(0)), " 0");
  EXPECT_EQ(FormatNumber(Decimal(-7)), "-7");
  EXPECT_EQ(FormatNumber(Decimal(100000000)), " 100000000");
  EXPECT_EQ(FormatNumber(Decimal(2.5)), " 2.5");
  EXPECT_EQ(FormatNumber(FromMpz(false, mpz_class("79228162514263774643590529025"), 0)),
            " 79228162514263774643590529025");
}

TEST(FormatNumber, ZeroIsWrittenWithoutSignOrPlaces) {
  EXPECT_EQ(FormatNumber(Decimal::FromParts(true, 0, 0, 0)), " 0");
  EXPECT_EQ(FormatNumber(Decimal::FromParts(true, 0, 0, 28)), " 0");
  EXPECT_EQ(FormatNumber(Decimal::FromParts(false, 0, 0, 5)), " 0");
}

// Our choice for values strictly between -1 and 1: a zero before the point.
TEST(FormatNumber, ValueBelowOneGetsAZeroBeforeThePoint) {
  EXPECT_EQ(FormatNumber(Decimal::FromParts(false, 0, 5, 1)), " 0.5");
  EXPECT_EQ(FormatNumber(Decimal::FromParts(true, 0, 5, 1)), "-0.5");
  EXPECT_EQ(FormatNumber(Decimal::FromParts(false, 0, 1, 28)), " 0.0000000000000000000000000001");
  EXPECT_EQ(FormatNumber(Decimal::FromParts(true, 0, 9995, 4)), "-0.9995");
}

TEST(FormatNumber, DropsTrailingFractionalZerosOnly) {
  EXPECT_EQ(FormatNumber(Decimal::FromParts(false, 0, 250, 2)), " 2.5");
  EXPECT_EQ(FormatNumber(Decimal::FromParts(false, 0, 1000, 3)), " 1");
  EXPECT_EQ(FormatNumber(Decimal::FromParts(false, 0, 100000, 2)), " 1000");
  EXPECT_EQ(FormatNumber(Decimal::FromParts(true, 0, 10001, 4)), "-1.0001");
}

// Powers of ten and their neighbours find a digit lost or doubled at a pair or
// 9-digit boundary; 2^32 and 2^64 neighbours find a carry lost between limbs.
TEST(FormatNumber, MatchesOracleAtPowersOfTenAndLimbEdges) {
  std::vector<mpz_class> coefficients;
  for (int exponent = 0; exponent <= 28; ++exponent) {
    for (int offset = -1; offset <= 1; ++offset)
      coefficients.push_back(PowerOfTen(exponent) + offset);
  }
  for (const int bits : {32, 64, 96}) {
    for (int offset = -2; offset <= 1; ++offset) {
      const mpz_class value = (mpz_class(1) << bits) + offset;
      if (value <= testing::MaxCoefficient()) coefficients.push_back(value);
    }
  }
  for (const mpz_class& coefficient : coefficients) {
    if (coefficient < 0) continue;
    for (const int scale : {0, 1, 2, 8, 9, 10, 18, 19, 20, 27, 28}) {
      for (const bool negative : {false, true}) {
        const Decimal value = FromMpz(negative, coefficient, scale);
        SCOPED_TRACE(coefficient.get_str() + " at scale " + std::to_string(scale));
        EXPECT_EQ(FormatNumber(value), OracleText(value));
      }
    }
  }
}

TEST(FormatNumber, MatchesOracleOnRandomValues) {
  testing::RandomDecimals random(8);
  for (int i = 0; i < 20000; ++i) {
    const Decimal value = random.Next();
    EXPECT_EQ(FormatNumber(value), OracleText(value));
  }
}

// Coefficients beyond 64 bits are split at 10^19 from an estimated quotient
// that may be up to two too large: a missed or wrong correction garbles the
// lower 19 digits or the leading ones next to multiples of 10^19.
TEST(FormatNumber, MatchesOracleAroundEveryMultipleOfTenToTheNineteenThatIsWide) {
  const mpz_class nineteen = PowerOfTen(19);
  const mpz_class two_to_64 = mpz_class(1) << 64;
  std::vector<mpz_class> quotients;
  for (unsigned long q = 1; q <= 64; ++q) quotients.push_back(q);
  const mpz_class largest_quotient = testing::MaxCoefficient() / nineteen;
  for (const mpz_class& q : std::vector<mpz_class>{1'000'000'000UL, 4'294'967'295UL,
                                                   4'294'967'296UL, largest_quotient}) {
    for (int offset = -3; offset <= 3; ++offset) quotients.push_back(q + offset);
  }
  // Quotients spread over the whole range, where the estimate's error grows.
  for (unsigned long q = 7'922'816'251UL; q > 64; q = q / 3 * 2) quotients.push_back(q);
  for (const mpz_class& q : quotients) {
    for (const mpz_class& r : std::vector<mpz_class>{0, 1, nineteen / 2, nineteen - 2,
                                                     nineteen - 1}) {
      const mpz_class coefficient = q * nineteen + r;
      if (coefficient < two_to_64 || coefficient > testing::MaxCoefficient()) continue;
      SCOPED_TRACE(coefficient.get_str());
      const Decimal value = FromMpz(false, coefficient, 0);
      EXPECT_EQ(FormatNumber(value), OracleText(value));
    }
  }
}

// FormatNumberTo's contract: at most kMaxNumberTextLength characters, nothing
// written past them.
TEST(FormatNumber, LongestTextsStayInsideTheBuffer) {
  const mpz_class max = testing::MaxCoefficient();
  for (const Decimal& value : {FromMpz(true, max, 0), FromMpz(true, max, 28),
                               FromMpz(true, mpz_class(1), 28), FromMpz(true, max, 1)}) {
    char buffer[kMaxNumberTextLength + 8];
    std::memset(buffer, '#', sizeof buffer);
    const char* end = FormatNumberTo(value, buffer);
    ASSERT_LE(end - buffer, static_cast<std::ptrdiff_t>(kMaxNumberTextLength));
    EXPECT_EQ(std::string(static_cast<const char*>(buffer), end), OracleText(value));
    for (const char* rest = end; rest != buffer + sizeof buffer; ++rest) ASSERT_EQ(*rest, '#');
  }
}

TEST(PlainNumber, StripsTheLeadingBlank) {
  EXPECT_EQ(PlainNumber(Decimal(19999)), "19999");
  EXPECT_EQ(PlainNumber(Decimal(-7)), "-7");
  EXPECT_EQ(PlainNumber(Decimal(0)), "0");
  EXPECT_EQ(PlainNumber(Decimal::FromParts(false, 0, 5, 1)), "0.5");
  EXPECT_EQ(PlainNumber(FromMpz(false, Mpz(281'474'976'710'655ULL), 0)), "281474976710655");
}

}  // namespace
}  // namespace morvane
