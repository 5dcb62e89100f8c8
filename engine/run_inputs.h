// The run's inputs as the run reads them from the window's fields: From and
// To as Decimal, N from the lines-per-file list. The run and its forecast
// read them here, so that the forecast describes the run the fields start.
#pragma once

#include <cstdint>
#include <string_view>

#include "number/decimal.h"

namespace morvane {

// N when the lines-per-file text is no number.
inline constexpr std::int32_t kDefaultLinesPerFile = 100000;

// From or To: the number at the start of the text, held exactly as Decimal
// holds a double (15 significant digits). Throws Overflow beyond its range.
Decimal ReadRangeValue(std::string_view text);

// N: the number rounded half to even when the text is numeric, else
// kDefaultLinesPerFile. Throws Overflow outside 32 bits.
std::int32_t ReadLinesPerFile(std::string_view text);

}  // namespace morvane
