// FormatNumber and PlainNumber: a Decimal written as text for records, file
// names and the progress line.
//
// Three numbers are written per record, so this is on the hot path: the digits
// are counted, then written backwards into the caller's fixed buffer two at a
// time from a table, and the 96-bit coefficient is split into 9-digit parts
// with 64-bit divisions by a constant (which compile to multiplications)
// instead of a 128-bit division per digit.
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

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

constexpr std::uint32_t kNineDigits = 1'000'000'000U;
constexpr std::uint32_t kEightDigits = 100'000'000U;

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

// Writes value < 10^count as exactly count digits (count even), with leading zeros.
char* WriteFixedDigitsBackwards(std::uint32_t value, int count, char* end) noexcept {
  for (; count > 0; count -= 2) {
    end = WritePairBackwards(value % 100, end);
    value /= 100;
  }
  return end;
}

// A 64-bit value in 8-digit parts, so that the digits come from 32-bit
// arithmetic and the parts' digit pairs do not wait on one another.
char* WriteDigitsBackwards(std::uint64_t value, char* end) noexcept {
  while (value > 0xFFFF'FFFFULL) {
    end = WriteFixedDigitsBackwards(static_cast<std::uint32_t>(value % kEightDigits), 8, end);
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

// Writes the coefficient high * 2^64 + low, without leading zeros, at out;
// returns the end of what it wrote.
char* WriteCoefficient(std::uint32_t high, std::uint64_t low, char* out) noexcept {
  // Below 2^96: at most two 9-digit parts split off with 64-bit divisions by
  // a constant leave a part that fits 64 bits.
  std::uint32_t parts[2] = {};
  int part_count = 0;
  std::uint64_t leading = low;
  if (high != 0) {
    std::uint64_t limbs[3] = {high, low >> 32, low & 0xFFFF'FFFFULL};
    parts[part_count++] = DivideByNineDigits(limbs);
    if (limbs[0] != 0) parts[part_count++] = DivideByNineDigits(limbs);
    leading = (limbs[0] << 32 | limbs[1]) << 32 | limbs[2];
  }
  char* const end = out + CountDigits(leading) + 9 * part_count;
  char* cursor = end;
  for (int i = 0; i < part_count; ++i) {
    // Nine digits: four pairs and a single one.
    const std::uint32_t part = parts[i];
    cursor = WriteFixedDigitsBackwards(part % kEightDigits, 8, cursor);
    *--cursor = static_cast<char>('0' + part / kEightDigits);
  }
  WriteDigitsBackwards(leading, cursor);
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
  char* const digits_end =
      WriteCoefficient(value.coefficient_high(), value.coefficient_low(), first);
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
