// The records a run ought to write, for every C++ test suite on both
// systems: made with 128-bit integers, which hold every square below the
// program's bound, apart from Decimal and from the program's formatting.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane::testsupport {

// The records of the whole numbers from first to last (decimal texts, with
// an optional "-"), each one's difference taken from the square before it,
// 0 before first.
std::string ExpectedRecords(std::string_view first, std::string_view last);
std::string ExpectedRecords(std::int64_t first, std::int64_t last);

}  // namespace morvane::testsupport
