// The record: the one line a run writes for each number, and the status
// line that shows every so many numbers.
//
// A record is FormatNumber(n) " , " FormatNumber(n squared) " , "
// FormatNumber(difference) and CR LF, so the first record of a run from 1 is
// " 1 ,  1 ,  1\r\n".
//
// FormatRecordTo and WholeNumbers, which stores the parts of each record in
// place, both take the layout from here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "number/decimal.h"
#include "number/number_text.h"

namespace morvane {

// What stands between a record's numbers, and what ends it.
inline constexpr std::string_view kRecordSeparator = " , ";
inline constexpr std::string_view kRecordEnd = "\r\n";

// The length of a record whose numbers' texts have these lengths.
constexpr std::size_t RecordLength(std::size_t number, std::size_t square, std::size_t difference) noexcept {
  return number + kRecordSeparator.size() + square + kRecordSeparator.size() + difference + kRecordEnd.size();
}

inline constexpr std::size_t kMaxRecordLength =
    RecordLength(kMaxNumberTextLength, kMaxNumberTextLength, kMaxNumberTextLength);

// Writes the record for n into out (kMaxRecordLength bytes) and returns the
// end of what it wrote. Allocates nothing.
char* FormatRecordTo(const Decimal& n, const Decimal& square, const Decimal& difference,
                     char* out) noexcept;

// A run shows its status line at every multiple of this many numbers.
inline constexpr std::int32_t kProgressInterval = 10000;

// The status line at every kProgressInterval-th number: n, two blanks, the previous
// square before the current one, and the difference, e.g.
// "10000  99980001 - 100000000 : 19999".
std::string ProgressLine(const Decimal& n, const Decimal& previousSquare, const Decimal& square,
                         const Decimal& difference);

}  // namespace morvane
