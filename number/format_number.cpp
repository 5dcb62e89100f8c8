// FormatNumber and PlainNumber: a Decimal written as text for records, file
// names and the progress line.
//
// Three numbers are written per record, so this is on the hot path: digits go
// backwards into a fixed buffer two at a time from a table, and the 96-bit
// coefficient is split into 9-digit parts with 64-bit divisions by a constant
// (which compile to multiplications) instead of a 128-bit division per digit.
#include <cstdint>
#include <cstring>
#include <string>

#include "number/number_text.h"

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

constexpr std::uint32_t kNineDigits = 1'000'000'000U;

inline char* WritePairBackwards(std::uint64_t pair, char* end) noexcept {
  end -= 2;
  std::memcpy(end, &kDigitPairs[pair * 2], 2);
  return end;
}

// Writes value without leading zeros so that it ends just before end; returns
// where it starts. Zero is written as "0".
char* WriteDigitsBackwards(std::uint64_t value, char* end) noexcept {
  while (value >= 100) {
    end = WritePairBackwards(value % 100, end);
    value /= 100;
  }
  if (value >= 10) return WritePairBackwards(value, end);
  *--end = static_cast<char>('0' + value);
  return end;
}

// Writes value < 10^9 as exactly nine digits, with leading zeros.
char* WriteNineDigitsBackwards(std::uint32_t value, char* end) noexcept {
  for (int pair = 0; pair < 4; ++pair) {
    end = WritePairBackwards(value % 100, end);
    value /= 100;
  }
  *--end = static_cast<char>('0' + value);
  return end;
}

// Divides the 96-bit value held in three 32-bit limbs (most significant
// first) by 10^9 and returns the remainder.
std::uint32_t DivideByNineDigits(std::uint64_t (&limbs)[3]) noexcept {
  std::uint64_t remainder = 0;
  for (auto& limb : limbs) {
    const std::uint64_t part = (remainder << 32) | limb;
    limb = part / kNineDigits;
    remainder = part % kNineDigits;
  }
  return static_cast<std::uint32_t>(remainder);
}

// Writes the coefficient high * 2^64 + low backwards; returns where it starts.
char* WriteCoefficientBackwards(std::uint32_t high, std::uint64_t low, char* end) noexcept {
  if (high == 0) return WriteDigitsBackwards(low, end);
  std::uint64_t limbs[3] = {high, low >> 32, low & 0xFFFF'FFFFULL};
  // Below 2^96, so two rounds of 10^9 leave a part below 2^37.
  end = WriteNineDigitsBackwards(DivideByNineDigits(limbs), end);
  if (limbs[0] != 0) end = WriteNineDigitsBackwards(DivideByNineDigits(limbs), end);
  return WriteDigitsBackwards((limbs[0] << 32 | limbs[1]) << 32 | limbs[2], end);
}

}  // namespace

char* FormatNumberTo(const Decimal& value, char* out) noexcept {
  // Room for 29 coefficient digits, or for 28 places and the zero before them.
  char digits[32];
  char* const digits_end = digits + sizeof digits;
  char* first = WriteCoefficientBackwards(value.coefficient_high(), value.coefficient_low(),
                                          digits_end);
  *out++ = value.negative() && !value.is_zero() ? '-' : ' ';

  const int scale = value.scale();
  if (scale == 0) {
    const auto length = static_cast<std::size_t>(digits_end - first);
    std::memcpy(out, first, length);
    return out + length;
  }
  // A value below 1 gets a zero before the point: " 0.5", "-0.5".
  while (digits_end - first <= scale) *--first = '0';
  char* const point = digits_end - scale;
  char* fraction_end = digits_end;
  while (fraction_end != point && fraction_end[-1] == '0') --fraction_end;

  const auto whole_length = static_cast<std::size_t>(point - first);
  std::memcpy(out, first, whole_length);
  out += whole_length;
  if (fraction_end != point) {
    *out++ = '.';
    const auto fraction_length = static_cast<std::size_t>(fraction_end - point);
    std::memcpy(out, point, fraction_length);
    out += fraction_length;
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

}  // namespace morvane
