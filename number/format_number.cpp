// FormatNumber and PlainNumber: a Decimal written as text for records, file
// names and the progress line.
//
// Three numbers are written per record, so this is on the hot path: the digits
// are counted, then written backwards into the caller's fixed buffer two at a
// time from a table, in 8-digit parts whose two 4-digit halves do not wait on
// one another. Every division is by a constant, which compiles to a
// multiplication; a coefficient beyond 64 bits is first split at 10^19 with one
// estimated quotient and an exact correction, not with a 128-bit division.
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

#include "number/multiply64.h"
#include "number/number_text.h"
#include "number/powers_of_ten.h"

namespace morvane {
namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809"
    "10111213141516171819"
    "20212223242526272829"
    "30313233343536373839"
    "40414243444546474849"
    "50515253545556575859"
    "60616263646566676869"
    "70717273747576777879"
    "80818283848586878889"
    "90919293949596979899";

constexpr std::uint32_t kEightDigits = 100'000'000U;
constexpr std::uint64_t kSixteenDigits = 10'000'000'000'000'000ULL;
constexpr std::uint64_t kNineteenDigits = 10'000'000'000'000'000'000ULL;

inline char* WritePairBackwards(std::uint32_t pair, char* end) noexcept {
  end -= 2;
  std::memcpy(end, &kDigitPairs[pair * 2], 2);
  return end;
}

// Writes value without leading zeros so that it ends just before end; returns
// where it starts. Zero is written as "0". 32-bit steps are cheaper than 64-bit.
char* WriteDigitsBackwards(std::uint32_t value, char* end) noexcept {
  while (value >= 100) {
    end = WritePairBackwards(value % 100, end);
    value /= 100;
  }
  if (value >= 10) return WritePairBackwards(value, end);
  *--end = static_cast<char>('0' + value);
  return end;
}

// Writes value < 10^8 as exactly eight digits, leading zeros included, so
// that they end just before end; returns where they start.
inline char* WriteEightDigitsBackwards(std::uint32_t value, char* end) noexcept {
  const std::uint32_t high = value / 10000;
  const std::uint32_t low = value % 10000;
  WritePairBackwards(low % 100, end);
  WritePairBackwards(low / 100, end - 2);
  WritePairBackwards(high % 100, end - 4);
  WritePairBackwards(high / 100, end - 6);
  return end - 8;
}

// A 64-bit value in 8-digit parts, so that the digits come from 32-bit
// arithmetic.
char* WriteDigitsBackwards(std::uint64_t value, char* end) noexcept {
  while (value >= kEightDigits) {
    end = WriteEightDigitsBackwards(static_cast<std::uint32_t>(value % kEightDigits), end);
    value /= kEightDigits;
  }
  return WriteDigitsBackwards(static_cast<std::uint32_t>(value), end);
}

// The number of digits of value; 1 for zero.
int CountDigits(std::uint64_t value) noexcept {
  value |= 1;
  // (bit_width * 1233) >> 12 is bit_width * log10(2) rounded down, and the
  // digit count is that guess or one more.
  const int guess = static_cast<int>((std::bit_width(value) * 1233) >> 12);
  return guess + (value < detail::kPowersOfTen[static_cast<std::size_t>(guess)] ? 0 : 1);
}

// A coefficient of 2^64 or more split at 10^19: N / 10^19 (below 2^33) and
// N % 10^19 (below 2^64).
struct SplitAtNineteenDigits {
  std::uint64_t quotient;
  std::uint64_t remainder;
};

// N = high * 2^64 + low with high != 0. N's top 64 bits divided by
// d = floor(10^19 / 2^32) estimate the quotient q: d * 2^32 is 10^19 less a
// share of 2.3e-10, so the estimate is at most two above q (q < 7.93e9), and
// never below it, since q >= 2 wherever N / 10^19 is near a whole number and
// the shortfall then outweighs the bits dropped from N. The exact product of
// the estimate and 10^19 corrects it downwards.
SplitAtNineteenDigits SplitCoefficient(std::uint32_t high, std::uint64_t low) noexcept {
  constexpr std::uint64_t kEstimateDivisor = kNineteenDigits >> 32;
  std::uint64_t quotient = ((std::uint64_t{high} << 32) | (low >> 32)) / kEstimateDivisor;
  detail::Product128 product = detail::Multiply64(quotient, kNineteenDigits);
  while (product.high > high || (product.high == high && product.low > low)) {
    --quotient;
    product.high -= product.low < kNineteenDigits ? 1 : 0;
    product.low -= kNineteenDigits;
  }
  // N - q * 10^19 is below 10^19, so within the low 64 bits.
  return {quotient, low - product.low};
}

// Writes the coefficient high * 2^64 + low, without leading zeros, at out;
// returns the end of what it wrote.
char* WriteCoefficient(std::uint32_t high, std::uint64_t low, char* out) noexcept {
  if (high == 0) {
    char* const end = out + CountDigits(low);
    WriteDigitsBackwards(low, end);
    return end;
  }
  const SplitAtNineteenDigits split = SplitCoefficient(high, low);
  char* const end = out + CountDigits(split.quotient) + 19;
  // The nineteen lower digits: three, then two parts of eight.
  const std::uint64_t belowSixteen = split.remainder % kSixteenDigits;
  const auto topThree = static_cast<std::uint32_t>(split.remainder / kSixteenDigits);
  char* cursor = WriteEightDigitsBackwards(static_cast<std::uint32_t>(belowSixteen % kEightDigits), end);
  cursor = WriteEightDigitsBackwards(static_cast<std::uint32_t>(belowSixteen / kEightDigits), cursor);
  cursor = WritePairBackwards(topThree % 100, cursor);
  *--cursor = static_cast<char>('0' + topThree / 100);
  WriteDigitsBackwards(split.quotient, cursor);
  return end;
}

}  // namespace

char* FormatNumberTo(const Decimal& value, char* out) noexcept {
  *out++ = value.negative() && !value.is_zero() ? '-' : ' ';
  const int scale = value.scale();
  if (scale == 0) return WriteCoefficient(value.coefficient_high(), value.coefficient_low(), out);

  // The coefficient's digits go after room for the zeros that a value below 1
  // needs before them: up to 28 places and the zero before the point.
  char digits[Decimal::kMaxScale + 32];
  char* first = digits + Decimal::kMaxScale;
  char* const digitsEnd =
      WriteCoefficient(value.coefficient_high(), value.coefficient_low(), first);
  // A value below 1 gets a zero before the point: " 0.5", "-0.5".
  while (digitsEnd - first <= scale) *--first = '0';
  char* const point = digitsEnd - scale;
  char* fractionEnd = digitsEnd;
  while (fractionEnd != point && fractionEnd[-1] == '0') --fractionEnd;

  const auto wholeLength = static_cast<std::size_t>(point - first);
  std::memcpy(out, first, wholeLength);
  out += wholeLength;
  if (fractionEnd != point) {
    *out++ = '.';
    const auto fractionLength = static_cast<std::size_t>(fractionEnd - point);
    std::memcpy(out, point, fractionLength);
    out += fractionLength;
  }
  return out;
}

std::string FormatNumber(const Decimal& value) {
  char text[kMaxNumberTextLength];
  return std::string(text, FormatNumberTo(value, text));
}

std::string PlainNumber(const Decimal& value) {
  char text[kMaxNumberTextLength];
  const char* begin = text;
  const char* end = FormatNumberTo(value, text);
  while (begin != end && *begin == ' ') ++begin;
  while (end != begin && end[-1] == ' ') --end;
  return std::string(begin, end);
}

double ApproximateValue(const Decimal& value) {
  const std::string text = PlainNumber(value);
  double approximately = 0;
  std::from_chars(text.data(), text.data() + text.size(), approximately);
  return approximately;
}

}  // namespace morvane
