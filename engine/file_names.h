// The names of a series' files: "Morvane-" + the first number + "-" + the
// last + ".txt". The run names its files here, and the forecast asks the
// same functions where a name decides how many files a run leaves.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "number/decimal.h"

namespace morvane {

// The first file's: From exactly as typed, to start + N - 1. Throws
// Overflow where that does not fit a Decimal.
std::string FirstFileName(std::string_view fromText, const Decimal& start, std::int32_t linesPerFile);

// A later file's, opened for n: n to the smaller of n + N - 1 and To as the
// field holds it now.
std::string LaterFileName(const Decimal& n, std::int32_t linesPerFile, const Decimal& toNow);

// Throws a Failure (kBadFileNameError) when the From text could not stay a
// part of one name inside the program folder (FirstForbiddenInName). Every
// other text is used as it stands, blanks included.
void CheckFitsInFileName(std::string_view fromText);

}  // namespace morvane
