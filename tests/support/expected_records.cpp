#include "tests/support/expected_records.h"

namespace morvane::testsupport {

namespace {

__extension__ using Int128 = __int128;
__extension__ using Uint128 = unsigned __int128;

Int128 Parsed(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  Int128 value = 0;
  for (const char digit : text) value = value * 10 + (digit - '0');
  return negative ? -value : value;
}

// As a record holds a whole number: a blank before values >= 0.
void AppendNumber(Int128 value, std::string& out) {
  char digits[48];
  char* cursor = digits + sizeof digits;
  Uint128 magnitude = value < 0 ? -static_cast<Uint128>(value) : static_cast<Uint128>(value);
  do {
    *--cursor = static_cast<char>('0' + static_cast<int>(magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  *--cursor = value < 0 ? '-' : ' ';
  out.append(cursor, digits + sizeof digits);
}

std::string Records(Int128 first, Int128 last) {
  std::string records;
  Int128 previousSquare = 0;
  for (Int128 n = first; n <= last; ++n) {
    const Int128 square = n * n;
    AppendNumber(n, records);
    records += " , ";
    AppendNumber(square, records);
    records += " , ";
    AppendNumber(square - previousSquare, records);
    records += "\r\n";
    previousSquare = square;
  }
  return records;
}

}  // namespace

std::string ExpectedRecords(std::string_view first, std::string_view last) {
  return Records(Parsed(first), Parsed(last));
}

std::string ExpectedRecords(std::int64_t first, std::int64_t last) { return Records(first, last); }

}  // namespace morvane::testsupport
