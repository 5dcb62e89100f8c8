// ReadNumber and IsNumericText: the reading rules, what a text reads as where
// it stops, rounding against the C library's strtod, texts of a million
// characters and arbitrary bytes, and independence from the locale.
#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "number/failure.h"
#include "number/number_text.h"
#include "tests/number/failure_number.h"
#include "tests/number/scoped_locale.h"

namespace morvane {
namespace {

struct ReadCase {
  std::string_view text;
  double value;
};

void ExpectReads(const std::vector<ReadCase>& cases) {
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "text \"" << c.text << "\"");
    EXPECT_EQ(ReadNumber(c.text), c.value);
  }
}

// The failure number ReadNumber throws for the text, or 0 when it reads it.
int ReadFailure(std::string_view text) {
  return FailureNumberOf([text] { return ReadNumber(text); });
}

std::uint64_t BitsOf(double value) { return std::bit_cast<std::uint64_t>(value); }

std::string Repeated(char c, std::size_t count) { return std::string(count, c); }

// ---- ReadNumber: the rules ----

TEST(ReadNumber, ReadsTheLeadingNumberOfAFieldsText) {
  ExpectReads({{"1", 1},
               {"1000000000000000", 1e15},
               {"-7", -7},
               {"2.5", 2.5},
               {"1e3", 1000},
               {"100,000", 100},
               {"  12 34abc", 1234},
               {"", 0},
               {"abc", 0},
               {"# lines per file", 0},
               {"0.1", 0.1},
               {"-123.456e-2", -1.23456},
               {"7E+2", 700}});
}

TEST(ReadNumber, SkipsBlanksTabsAndLineFeedsInsideTheNumber) {
  ExpectReads({{"- 1 2 . 5 e 1", -125},
               {"\t\n 7\t", 7},
               {"1 000 000", 1e6},
               {"& H F F", 255},
               // A carriage return is no blank: it ends the number.
               {"1\r2", 1}});
}

// What was read before the first character that cannot continue the number
// is the value; a sign, point or exponent letter without digits adds nothing.
TEST(ReadNumber, StopsAtTheFirstCharacterThatCannotContinue) {
  ExpectReads({{"1e", 1},
               {"1e+", 1},
               {"1e-x", 1},
               {".", 0},
               {"-", 0},
               {"+", 0},
               {"+.5", 0.5},
               {".5", 0.5},
               {"-.5", -0.5},
               {"5.", 5},
               {"1.2.3", 1.2},
               {"1e3.5", 1000},
               {"1e3e4", 1000},
               {"--5", 0},
               {"+-5", 0},
               {"e5", 0},
               {".e5", 0},
               {"1d3", 1},
               {"0x1F", 0},
               {"inf", 0},
               {"nan", 0},
               {"12%", 12},
               {"$5", 0},
               {std::string_view("3\0" "4", 3), 3},
               {"7\xC2\xA0" "8", 7}});
}

TEST(ReadNumber, ReadsAmpersandHAndOAsHexadecimalAndOctal) {
  ExpectReads({{"&HFF", 255},
               {"&hff", 255},
               {"&H7fFf", 32767},
               {"&O17", 15},
               {"&o777", 511},
               {"&HFFg1", 255},
               {"&O78", 7},
               {"&H", 0},
               {"&O8", 0},
               {"&Hg", 0},
               {"&X1", 0},
               {"&", 0},
               {"&1", 0},
               {"-&H1", 0},
               {"1&H1", 1},
               {"&H-1", 0}});
}

// Our choice: any number of digits, read as an unsigned integer (no 16- or
// 32-bit two's complement) rounded to the nearest double, ties to even.
TEST(ReadNumber, ReadsLongHexAndOctalAsUnsignedRoundedToNearest) {
  const double two53 = 9007199254740992.0;
  ExpectReads({{"&HFFFF", 65535},
               {"&HFFFFFFFF", 4294967295.0},
               {"&H100000000", 4294967296.0},
               {"&O37777777777", 4294967295.0},
               {"&H20000000000001", two53},
               {"&H20000000000003", two53 + 4},
               {"&HFFFFFFFFFFFFFFFF", 18446744073709551616.0},
               // A tie far below the leading bits, decided by a bit beyond 64.
               {"&H2000000000000100000000000000000", std::ldexp(two53, 68)},
               {"&H2000000000000100000000000000001", std::ldexp(two53 + 2, 68)},
               {"&O4000000000000000010" + Repeated('0', 30), std::ldexp(1.0, 146)},
               {"&O4000000000000000010" + Repeated('0', 30) + "1", std::ldexp(two53 + 2, 96)},
               {"&H" + Repeated('0', 1000) + "1", 1},
               {"&H" + Repeated('F', 255), std::ldexp(1.0, 1020)}});
}

// The exact decimal expansion of a long double, as "d.ddd...e+NN" without
// trailing zeros (the C library prints every digit exactly).
std::string ExactText(long double value) {
  std::vector<char> printed(1300);
  std::snprintf(printed.data(), printed.size(), "%.1150Le", value);
  const std::string text(printed.data());
  const std::size_t letter = text.find('e');
  return text.substr(0, text.find_last_not_of('0', letter - 1) + 1) + text.substr(letter);
}

TEST(ReadNumber, OverflowBeyondTheDoubleRangeIsFailureSix) {
  const double max = std::numeric_limits<double>::max();
  // Halfway from the largest double to 2^1024 rounds (to even) up to 2^1024.
  const long double halfway_to_infinity = max + std::ldexp(0.5L, 971);
  for (const std::string& text :
       {std::string("1e400"), std::string("-1e400"), std::string("1.7976931348623159e308"),
        ExactText(halfway_to_infinity), "&H1" + Repeated('0', 256), "&H" + Repeated('F', 256),
        "&H" + Repeated('F', 1000), "&O2" + Repeated('0', 341)}) {
    SCOPED_TRACE(text.substr(0, 40));
    EXPECT_EQ(ReadFailure(text), kOverflowError);
  }
  EXPECT_EQ(ReadNumber("1.7976931348623157e308"), max);
  EXPECT_EQ(ReadNumber(ExactText(halfway_to_infinity - std::ldexp(1.0L, 960))), max);
  EXPECT_EQ(ReadNumber("&H" + Repeated('F', 13) + "8" + Repeated('0', 242)), max);
}

// A number too small for the smallest double reads as zero (keeping its
// sign, as strtod does), never as an overflow.
TEST(ReadNumber, UnderflowReadsAsZero) {
  EXPECT_EQ(BitsOf(ReadNumber("1e-400")), BitsOf(0.0));
  EXPECT_EQ(BitsOf(ReadNumber("-1e-400")), BitsOf(-0.0));
  EXPECT_EQ(BitsOf(ReadNumber("2.4703282292062327e-324")), BitsOf(0.0));
  EXPECT_EQ(ReadNumber("2.4703282292062328e-324"), std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(ReadNumber("0e999999"), 0.0);
}

// ---- ReadNumber: rounding, against strtod in the "C" locale ----

void ExpectReadsAsStrtod(const std::string& text) {
  const double expected = std::strtod(text.c_str(), nullptr);
  SCOPED_TRACE(text.size() > 80 ? text.substr(0, 40) + "..." + text.substr(text.size() - 40)
                                : text);
  if (std::isinf(expected)) {
    EXPECT_EQ(ReadFailure(text), kOverflowError);
  } else {
    EXPECT_EQ(BitsOf(ReadNumber(text)), BitsOf(expected));
  }
}

std::string RandomDigits(std::mt19937_64& random, std::size_t count) {
  std::string digits;
  for (std::size_t i = 0; i < count; ++i) digits += static_cast<char>('0' + random() % 10);
  return digits;
}

// Digit counts from none to a few, typical, past 17 and past the 800 that
// ReadNumber keeps.
std::size_t RandomDigitCount(std::mt19937_64& random) {
  switch (random() % 8) {
    case 0: return 0;
    case 1: return 1 + random() % 3;
    case 2: case 3: return 1 + random() % 17;
    case 4: case 5: return 18 + random() % 30;
    case 6: return random() % 400;
    default: return 750 + random() % 200;
  }
}

TEST(ReadNumber, RoundsPlainDecimalTextsExactlyAsStrtod) {
  ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  std::mt19937_64 random(20261208);
  for (int i = 0; i < 20000; ++i) {
    std::string text = std::vector<std::string>{"", "+", "-"}[random() % 3];
    if (random() % 4 == 0) text += Repeated('0', random() % 30);
    text += RandomDigits(random, RandomDigitCount(random));
    if (random() % 3 != 0) {
      // Appended apart: of the temporary that "." + digits would make, GCC 12
      // at -O3 warns falsely (-Wrestrict).
      text += '.';
      text += RandomDigits(random, RandomDigitCount(random));
    }
    if (text.find_first_of("0123456789") == std::string::npos) text += "7";
    if (random() % 3 != 0) {
      text += random() % 2 ? "e" : "E";
      text += std::vector<std::string>{"", "+", "-"}[random() % 3];
      // Small powers, and powers near both ends of the double range.
      const unsigned long power = random() % 2 ? random() % 30 : 280 + random() % 1100;
      text += std::to_string(power);
    }
    ExpectReadsAsStrtod(text);
  }
}

// The hardest texts to round: exactly halfway between two doubles, and a
// hair above or below halfway, the hair beyond the 800th digit.
TEST(ReadNumber, RoundsNearHalfwayCasesExactlyAsStrtod) {
  std::mt19937_64 random(48);
  for (int i = 0; i < 1500; ++i) {
    // Every exponent, subnormals included; the largest double has no upper
    // neighbour.
    const double low = std::bit_cast<double>(random() % 0x7FEF'FFFF'FFFF'FFFFULL);
    const double high = std::nextafter(low, std::numeric_limits<double>::infinity());
    // The midpoint needs one bit more than a double; a long double holds it.
    const std::string exact = ExactText((static_cast<long double>(low) + high) / 2);
    const std::string mantissa = exact.substr(0, exact.find('e'));
    const std::string exponent = exact.substr(exact.find('e'));

    std::string below = mantissa;
    --below.back();  // The last digit of a midpoint is a 5.
    below += Repeated('9', 900 - std::min<std::size_t>(900, below.size()));
    ExpectReadsAsStrtod(mantissa + exponent);
    ExpectReadsAsStrtod(mantissa + Repeated('0', 900) + "1" + exponent);
    ExpectReadsAsStrtod(below + exponent);
  }
}

// ---- ReadNumber: long texts and arbitrary bytes ----

TEST(ReadNumber, ReadsMillionCharacterTextsInFull) {
  const std::size_t million = 1'000'000;
  ExpectReads({{Repeated('0', million) + "1", 1},
               {Repeated(' ', million) + "42", 42},
               {"1" + Repeated('0', million - 1) + "e-999999", 1},
               {"0." + Repeated('0', million) + "1e1000001", 1},
               {"1e" + Repeated('0', million) + "5", 1e5},
               {"1e-" + Repeated('9', million), 0},
               {"0e" + Repeated('9', million), 0},
               {"&H" + Repeated('0', million) + "FF", 255},
               {"&O" + Repeated('0', million) + "7", 7},
               {Repeated('x', million), 0},
               // A third is no tie between two doubles, and a million threes
               // lie far closer to it than to any other: the same double.
               // (Windows' strtod takes minutes over a million digits.)
               {"0." + Repeated('3', million), 1.0 / 3}});
  EXPECT_EQ(ReadFailure(Repeated('1', million)), kOverflowError);
  EXPECT_EQ(ReadFailure("1e" + Repeated('9', million)), kOverflowError);
  EXPECT_EQ(ReadFailure("&H" + Repeated('F', million)), kOverflowError);
}

// Each text lies in a buffer of exactly its size, so that AddressSanitizer
// sees any read past its end.
TEST(NumberText, ArbitraryBytesNeitherCrashNorReadPastTheText) {
  std::mt19937_64 random(7);
  const std::string alphabet = "0123456789+-.eE&HhOo, \t\n\r";
  for (int i = 0; i < 20000; ++i) {
    const std::size_t length = random() % 40;
    const auto bytes = std::make_unique<char[]>(length);
    for (std::size_t at = 0; at < length; ++at) {
      bytes[at] = random() % 3 ? alphabet[random() % alphabet.size()]
                               : static_cast<char>(random() % 256);
    }
    const std::string_view text(bytes.get(), length);
    (void)IsNumericText(text);
    const int failure = ReadFailure(text);
    EXPECT_TRUE(failure == 0 || failure == kOverflowError);
    if (failure == 0) {
      EXPECT_TRUE(std::isfinite(ReadNumber(text)));
    }
  }
}

// ---- ReadNumber: the locale ----

void ExpectFullStopIsTheOnlyDecimalPoint() {
  EXPECT_EQ(ReadNumber("2.5"), 2.5);
  EXPECT_EQ(ReadNumber("-1234.5e-1"), -123.45);
  EXPECT_EQ(ReadNumber("2,5"), 2);
  EXPECT_TRUE(IsNumericText("1,234.5"));
  EXPECT_FALSE(IsNumericText("2,5"));
}

// Windows' C library has no such locale.
#ifndef _WIN32
TEST(ReadNumber, IgnoresTheCUtf8Locale) {
  const ScopedLocale locale("C.UTF-8");
  if (!locale.active()) GTEST_SKIP() << "C.UTF-8 is not available";
  ExpectFullStopIsTheOnlyDecimalPoint();
}
#endif

TEST(ReadNumber, IgnoresADecimalCommaLocale) {
  const CommaLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma could be made";
  // The C library itself now reads a decimal comma.
  ASSERT_EQ(std::strtod("2,5", nullptr), 2.5);
  ExpectFullStopIsTheOnlyDecimalPoint();
}

// ---- IsNumericText ----

TEST(IsNumericText, AcceptsOneWholeNumberBetweenBlanks) {
  for (const char* text : {"10000", " 2.5 ", "100,000", "1e3", "-7", "+7", "\t12\n", ".5", "5.",
                           "1.5E-3", "1,234,567.25", "0,001", "&HFF", " &o17 ", "&h0"}) {
    EXPECT_TRUE(IsNumericText(text)) << '"' << text << '"';
  }
}

// Our choices: commas only as thousands separators before the point; no
// blanks inside, no currency signs, parentheses or trailing signs; an
// exponent letter needs digits.
TEST(IsNumericText, RejectsTextsThatAreNotExactlyOneNumber) {
  for (const char* text : {"# lines per file", "", "   ", "\t\n", "abc", "1 000", "- 5", "12abc",
                           "1e", "1e+", ".", "-", "+-1", "1.2.3", "1,00", "1,0000", "1234,567",
                           ",100", "100,", "1,,000", "1.000,5", "$100", "(100)", "100-", "1e3.5",
                           "&H", "&O8", "&HFF.5", "-&HFF", "&H 1", "0x1F", "inf", "nan", "1\r",
                           "7\xC2\xA0"}) {
    EXPECT_FALSE(IsNumericText(text)) << '"' << text << '"';
  }
  EXPECT_FALSE(IsNumericText(std::string_view("1\0", 2)));
}

// The lines-per-file field relies on this: a text passes the test, and its
// number is then read only up to the first comma.
TEST(IsNumericText, GroupedTextPassesButReadsUpToTheFirstComma) {
  EXPECT_TRUE(IsNumericText("100,000"));
  EXPECT_EQ(ReadNumber("100,000"), 100);
  EXPECT_TRUE(IsNumericText("1,234.5e1"));
  EXPECT_EQ(ReadNumber("1,234.5e1"), 1);
}

}  // namespace
}  // namespace morvane
