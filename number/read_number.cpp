// ReadNumber and IsNumericText: numbers in what the user typed into the
// window's fields.
//
// ReadNumber never rejects a text: it reads the leading number and stops at
// the first character that cannot continue it. The decimal form is collected
// into a bounded buffer and converted by std::from_chars, which rounds
// correctly and ignores the locale (strtod and streams would take the
// window's decimal comma). Both readers take one pass over the text, however
// long it is, and look at no byte outside it.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <system_error>

#include "number/failure.h"
#include "number/number_text.h"
#include "number/text_scan.h"

namespace morvane {
namespace {

using detail::IsBlank;
using detail::IsDecimalDigit;
using detail::IsExponentLetter;
using detail::IsSign;
using detail::RadixDigitValue;
using detail::RadixOfLetter;

// Walks the text a character at a time, stepping over blanks wherever they
// are, so that "  12 34" reads like "1234".
class BlankSkippingCursor {
 public:
  explicit BlankSkippingCursor(std::string_view text) noexcept
      : next_(text.data()), end_(text.data() + text.size()) {
    SkipBlanks();
  }

  // The current character; a NUL at the end, which continues no number (nor
  // does a NUL inside the text).
  char Peek() const noexcept { return next_ == end_ ? '\0' : *next_; }

  void Advance() noexcept {
    ++next_;
    SkipBlanks();
  }

 private:
  void SkipBlanks() noexcept {
    while (next_ != end_ && IsBlank(*next_)) ++next_;
  }

  const char* next_;
  const char* end_;
};

// Decimal exponents are clamped here, far beyond any that can matter, so
// that a million-digit exponent or a million zeros cannot overflow them.
constexpr std::int64_t kExponentClamp = 1'000'000'000'000'000;

constexpr std::int64_t ClampedSum(std::int64_t a, std::int64_t b) noexcept {
  // Both operands are within the clamp, so the sum cannot overflow.
  const std::int64_t sum = a + b;
  return sum > kExponentClamp ? kExponentClamp : sum < -kExponentClamp ? -kExponentClamp : sum;
}

// A decimal number as significant digits and a power of ten:
// (-1)^negative * digits * 10^exponent.
//
// Only the first kMaxDigits significant digits are kept. A double's rounding
// is decided within its first 767 significant digits, so the rest matter only
// as to whether any of them is non-zero; that is kept as one more digit "1"
// after the last one, which rounds the same way as the whole tail.
class DecimalDigits {
 public:
  static constexpr int kMaxDigits = 800;

  void SetNegative() noexcept { negative_ = true; }

  void AddWholeDigit(char digit) noexcept {
    if (count_ == 0 && digit == '0') return;
    if (count_ < kMaxDigits) {
      digits_[count_++] = digit;
    } else {
      // A whole digit that is not kept still multiplies the value by ten.
      exponent_ = ClampedSum(exponent_, 1);
      droppedNonZero_ |= digit != '0';
    }
  }

  void AddFractionDigit(char digit) noexcept {
    if (count_ == kMaxDigits) {
      droppedNonZero_ |= digit != '0';
      return;
    }
    exponent_ = ClampedSum(exponent_, -1);
    if (count_ == 0 && digit == '0') return;
    digits_[count_++] = digit;
  }

  void AddToExponent(std::int64_t power) noexcept { exponent_ = ClampedSum(exponent_, power); }

  // The nearest double; throws Overflow when that is beyond the double range.
  // A value too small for the smallest double reads as zero.
  double ToDouble() const {
    if (count_ == 0) return SignedZero();
    // The number as from_chars text: sign, digits, sticky digit, exponent.
    char text[1 + kMaxDigits + 1 + 2 + 24];
    char* out = text;
    if (negative_) *out++ = '-';
    out = std::copy(digits_, digits_ + count_, out);
    std::int64_t exponent = exponent_;
    std::int64_t digitCount = count_;
    if (droppedNonZero_) {
      *out++ = '1';
      exponent = ClampedSum(exponent, -1);
      ++digitCount;
    }
    // The value lies in [10^(leading-1), 10^leading). The largest double is
    // below 10^309 and half the smallest one is above 10^-324; only values in
    // between need the conversion to tell which way they go.
    const std::int64_t leading = ClampedSum(exponent, digitCount);
    if (leading > 309) throw Overflow();
    if (leading < -323) return SignedZero();
    *out++ = 'e';
    out = std::to_chars(out, text + sizeof text, exponent).ptr;

    double value = 0;
    const std::from_chars_result result = std::from_chars(text, out, value);
    if (result.ec == std::errc::result_out_of_range) {
      if (leading > 0) throw Overflow();
      return SignedZero();
    }
    return value;
  }

 private:
  double SignedZero() const noexcept { return negative_ ? -0.0 : 0.0; }

  char digits_[kMaxDigits];
  int count_ = 0;
  std::int64_t exponent_ = 0;
  bool negative_ = false;
  bool droppedNonZero_ = false;
};

// The exponent's digits as a number, clamped (a million-digit exponent is
// simply huge); zero when the cursor is at no digit.
std::int64_t ReadExponentDigits(BlankSkippingCursor& cursor) noexcept {
  std::int64_t value = 0;
  for (; IsDecimalDigit(cursor.Peek()); cursor.Advance()) {
    if (value < kExponentClamp) value = value * 10 + (cursor.Peek() - '0');
  }
  return std::min(value, kExponentClamp);
}

// Optional sign, digits, optional point and digits, optional exponent; the
// cursor stands at the sign or the first digit.
double ReadDecimal(BlankSkippingCursor& cursor) {
  DecimalDigits number;
  if (IsSign(cursor.Peek())) {
    if (cursor.Peek() == '-') number.SetNegative();
    cursor.Advance();
  }
  bool anyDigit = false;
  for (; IsDecimalDigit(cursor.Peek()); cursor.Advance()) {
    number.AddWholeDigit(cursor.Peek());
    anyDigit = true;
  }
  if (cursor.Peek() == '.') {
    cursor.Advance();
    for (; IsDecimalDigit(cursor.Peek()); cursor.Advance()) {
      number.AddFractionDigit(cursor.Peek());
      anyDigit = true;
    }
  }
  // Without a digit there is no number, and an exponent cannot begin one.
  if (!anyDigit) return 0.0;

  if (IsExponentLetter(cursor.Peek())) {
    cursor.Advance();
    // A letter, or a letter and a sign, with no digit after it adds nothing:
    // "1e" and "1e+" read as 1.
    bool negative = false;
    if (IsSign(cursor.Peek())) {
      negative = cursor.Peek() == '-';
      cursor.Advance();
    }
    const std::int64_t power = ReadExponentDigits(cursor);
    number.AddToExponent(negative ? -power : power);
  }
  return number.ToDouble();
}

// The digits after "&H" or "&O" as an unsigned integer of any length,
// rounded to the nearest double (ties to even); no digit gives 0. Throws
// Overflow when it rounds beyond the double range.
double ReadRadixInteger(BlankSkippingCursor& cursor, int radix) {
  const int bitsPerDigit = radix == 16 ? 4 : 3;
  // The leading bits, kept while a digit's bits still fit: at least 61
  // significant ones, more than the 53 of a double and a rounding bit.
  std::uint64_t leading = 0;
  std::uint64_t droppedBits = 0;
  bool droppedNonZero = false;
  for (int digit = RadixDigitValue(cursor.Peek(), radix); digit >= 0;
       cursor.Advance(), digit = RadixDigitValue(cursor.Peek(), radix)) {
    if ((leading >> (64 - bitsPerDigit)) == 0) {
      leading = (leading << bitsPerDigit) | static_cast<std::uint64_t>(digit);
    } else {
      // Anything past 2^1100 overflows anyway; the count stops growing there.
      if (droppedBits < 1100) droppedBits += static_cast<std::uint64_t>(bitsPerDigit);
      droppedNonZero |= digit != 0;
    }
  }
  // The dropped bits lie far below the double's last bit, so one sticky bit
  // in their place rounds the same way as all of them.
  if (droppedNonZero) leading |= 1;
  const double value =
      std::ldexp(static_cast<double>(leading), static_cast<int>(droppedBits));
  if (std::isinf(value)) throw Overflow();
  return value;
}

}  // namespace

double ReadNumber(std::string_view text) {
  BlankSkippingCursor cursor(text);
  if (cursor.Peek() == '&') {
    cursor.Advance();
    const int radix = RadixOfLetter(cursor.Peek());
    if (radix == 0) return 0.0;
    cursor.Advance();
    return ReadRadixInteger(cursor, radix);
  }
  return ReadDecimal(cursor);
}

namespace {

// Scans the digits that start at text[at]; returns how many there are.
std::size_t CountDigitsAt(std::string_view text, std::size_t at) noexcept {
  std::size_t count = 0;
  while (at + count < text.size() && IsDecimalDigit(text[at + count])) ++count;
  return count;
}

// The whole part, with or without thousands grouping: "1234", "1,234",
// "12,345,678". Moves at past it and counts its digits; false for a broken
// grouping (a first group of more than three digits, or a group of other
// than three after a comma).
bool ScanWholePart(std::string_view text, std::size_t& at, std::size_t& digits) noexcept {
  digits = CountDigitsAt(text, at);
  at += digits;
  if (at == text.size() || text[at] != ',') return true;
  if (digits == 0 || digits > 3) return false;
  while (at < text.size() && text[at] == ',') {
    const std::size_t group = CountDigitsAt(text, at + 1);
    if (group != 3) return false;
    at += 1 + group;
    digits += group;
  }
  return true;
}

bool IsRadixForm(std::string_view text) noexcept {
  // "&", the letter, at least one digit of that radix, and nothing else.
  if (text.size() < 3) return false;
  const int radix = RadixOfLetter(text[1]);
  if (radix == 0) return false;
  for (const char c : text.substr(2)) {
    if (RadixDigitValue(c, radix) < 0) return false;
  }
  return true;
}

// The text, blanks trimmed and not empty, is one number and nothing else.
bool IsOneNumber(std::string_view text) noexcept {
  if (text.front() == '&') return IsRadixForm(text);
  std::size_t at = 0;
  if (IsSign(text[at])) ++at;
  std::size_t wholeDigits = 0;
  if (!ScanWholePart(text, at, wholeDigits)) return false;
  std::size_t fractionDigits = 0;
  if (at < text.size() && text[at] == '.') {
    fractionDigits = CountDigitsAt(text, at + 1);
    at += 1 + fractionDigits;
  }
  if (wholeDigits == 0 && fractionDigits == 0) return false;
  if (at < text.size() && IsExponentLetter(text[at])) {
    ++at;
    if (at < text.size() && IsSign(text[at])) ++at;
    const std::size_t exponentDigits = CountDigitsAt(text, at);
    if (exponentDigits == 0) return false;
    at += exponentDigits;
  }
  return at == text.size();
}

}  // namespace

bool IsNumericText(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return !text.empty() && IsOneNumber(text);
}

}  // namespace morvane
