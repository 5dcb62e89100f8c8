// The character classes of number text, shared by the two readers of
// user-typed text (ReadNumber and IsNumericText).
//
// Plain byte comparisons on purpose: <cctype> follows the locale and is
// undefined for the negative chars that non-ASCII bytes become.
#pragma once

namespace morvane::detail {

// The characters ReadNumber steps over wherever they occur and IsNumericText
// trims from both ends.
constexpr bool IsBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '\n'; }

constexpr bool IsDecimalDigit(char c) noexcept { return c >= '0' && c <= '9'; }

constexpr bool IsExponentLetter(char c) noexcept { return c == 'e' || c == 'E'; }

constexpr bool IsSign(char c) noexcept { return c == '+' || c == '-'; }

// The value of c as a digit of the radix 8 or 16, or -1 when it is none.
constexpr int RadixDigitValue(char c, int radix) noexcept {
  int value = -1;
  if (c >= '0' && c <= '9') value = c - '0';
  else if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value < radix ? value : -1;
}

// The radix that the letter after "&" selects ("&H" hexadecimal, "&O"
// octal, either case), or 0 when it selects none.
constexpr int RadixOfLetter(char c) noexcept {
  if (c == 'h' || c == 'H') return 16;
  if (c == 'o' || c == 'O') return 8;
  return 0;
}

}  // namespace morvane::detail
