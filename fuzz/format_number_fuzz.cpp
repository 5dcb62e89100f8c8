// Fuzzes FormatNumber with Decimals of every sign, coefficient and scale: the
// text keeps to the record form, stays within kMaxNumberTextLength, and GMP
// reads it back as exactly the Decimal's value. PlainNumber is the same text
// without its blank.
#include <gmpxx.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "number/decimal.h"
#include "number/number_text.h"

namespace {

using morvane::Decimal;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

mpz_class PowerOfTen(std::size_t exponent) {
  mpz_class power;
  mpz_ui_pow_ui(power.get_mpz_t(), 10, exponent);
  return power;
}

mpq_class ExactValue(const Decimal& value) {
  mpz_class coefficient(value.coefficient_high());
  coefficient <<= 64;
  coefficient += mpz_class(std::to_string(value.coefficient_low()), 10);
  mpq_class exact(coefficient, PowerOfTen(static_cast<std::size_t>(value.scale())));
  exact.canonicalize();
  return value.negative() ? mpq_class(-exact) : exact;
}

// The value of a record-form text, checking its form on the way: a blank or
// "-", the whole part without leading zeros, and a fraction, if any, without
// trailing zeros.
mpq_class ParseRecordForm(std::string_view text) {
  Check(text.size() >= 2 && (text.front() == ' ' || text.front() == '-'));
  const bool negative = text.front() == '-';
  text.remove_prefix(1);
  const std::size_t point = std::min(text.find('.'), text.size());
  const std::string_view whole = text.substr(0, point);
  Check(!whole.empty() && AllDigits(whole) && (whole.size() == 1 || whole.front() != '0'));
  std::string_view fraction;
  if (point < text.size()) {
    fraction = text.substr(point + 1);
    Check(!fraction.empty() && AllDigits(fraction) && fraction.back() != '0');
  }
  mpq_class exact(mpz_class(std::string(whole) + std::string(fraction), 10),
                  PowerOfTen(fraction.size()));
  exact.canonicalize();
  // Zero is never written with a minus sign.
  Check(!negative || exact != 0);
  return negative ? mpq_class(-exact) : exact;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Sign and scale, then the coefficient's 96 bits; missing bytes are zero.
  std::uint8_t bytes[14] = {};
  std::memcpy(bytes, data, std::min(size, sizeof bytes));
  std::uint32_t high = 0;
  std::uint64_t low = 0;
  std::memcpy(&high, bytes + 2, sizeof high);
  std::memcpy(&low, bytes + 6, sizeof low);
  const Decimal value = Decimal::FromParts((bytes[0] & 1) != 0, high, low,
                                           bytes[1] % (Decimal::kMaxScale + 1));

  // Exactly the room the header promises, so that AddressSanitizer sees a
  // longer text.
  const auto buffer = std::make_unique<char[]>(morvane::kMaxNumberTextLength);
  const char* const end = morvane::FormatNumberTo(value, buffer.get());
  const std::string text(static_cast<const char*>(buffer.get()), end);
  Check(ParseRecordForm(text) == ExactValue(value));
  Check(morvane::FormatNumber(value) == text);

  std::string plain = text;
  plain.erase(std::remove(plain.begin(), plain.end(), ' '), plain.end());
  Check(morvane::PlainNumber(value) == plain);
  return 0;
}
