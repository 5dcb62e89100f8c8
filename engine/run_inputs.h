// A run's inputs: the texts of the window's three fields, read once for
// each press of Start, and how the run reads them as numbers, From and To
// as Decimal, N from the lines-per-file list. The run, its forecast and its
// plan all take them from here, so that what the plan says is the run the
// press starts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/run_view.h"
#include "number/decimal.h"

namespace morvane {

struct RunInputs {
  std::string fromText;
  std::string toText;
  std::string linesPerFileText;
};

// What txFrom, txTo and Combo1 hold now.
RunInputs ReadRunInputs(const RunView& view);

// N when the lines-per-file text is no number.
inline constexpr std::int32_t kDefaultLinesPerFile = 100000;

// From or To: the number at the start of the text, held exactly as Decimal
// holds a double (15 significant digits). Throws Overflow beyond its range.
Decimal ReadRangeValue(std::string_view text);

// N: the number rounded half to even when the text is numeric, else
// kDefaultLinesPerFile. Throws Overflow outside 32 bits.
std::int32_t ReadLinesPerFile(std::string_view text);

}  // namespace morvane
