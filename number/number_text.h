// Number text: how the program reads numbers from what the user typed and
// writes them into records, file names and the progress line.
//
// Reading is forgiving (a text without a number reads as 0); writing is exact
// (every digit, no grouping, no exponent). The full stop is the only decimal
// point, whatever the locale. Texts are plain bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "number/decimal.h"

namespace morvane {

// The number at the start of the text: blanks, tabs and line feeds are
// skipped everywhere; "&H"/"&O" start a hexadecimal/octal integer; otherwise an
// optional sign, digits, an optional fraction and exponent. Reading stops at the
// first character that cannot continue the number; no digit at all gives 0.
// Throws Overflow for a number beyond the double range.
double ReadNumber(std::string_view text);

// True when the text, less leading and trailing blanks, is one number and
// nothing else: an optional sign, digits (before the point they may be
// grouped with commas), an optional fraction and exponent; or a hex/octal
// form. "2.5" and "100,000" are numeric; "10 lines" is not.
bool IsNumericText(std::string_view text);

// The longest text FormatNumber can produce: sign, 29 digits, a leading zero
// and the decimal point.
inline constexpr std::size_t kMaxNumberTextLength = 32;

// Writes FormatNumber's text to out, which has room for kMaxNumberTextLength
// characters, and returns the end of what it wrote. Allocates nothing.
char* FormatNumberTo(const Decimal& value, char* out) noexcept;

// The record form: a blank before values >= 0, "-" before negative ones, then
// all digits; a fraction without trailing zeros.
std::string FormatNumber(const Decimal& value);

// FormatNumber without its leading and trailing blanks.
std::string PlainNumber(const Decimal& value);

// The double nearest value, read back from PlainNumber's text: for
// estimates and for rounding a number for people, never for a record.
double ApproximateValue(const Decimal& value);

}  // namespace morvane
