// DecimalNumbers: the numbers of a run computed one by one with Decimal.
//
// Each number's square is a multiplication, its difference a subtraction
// from the previous square, and the record and the progress line are
// formatted from those values. It serves any From, a fractional one
// included, and is the reference the faster WholeNumbers is held to.
#pragma once

#include <cstdint>
#include <string>

#include "engine/files/output_file.h"
#include "number/decimal.h"

namespace morvane {

class DecimalNumbers {
 public:
  // The numbers start, start + 1, ... while they are at most end.
  // previousSquare is the run's own (Generator's prevSquare), which this
  // keeps up to date.
  DecimalNumbers(const Decimal& start, const Decimal& end, Decimal& previousSquare)
      : n_(start), end_(end), previousSquare_(previousSquare) {}

  bool InRange() const noexcept { return n_ <= end_; }
  const Decimal& Current() const noexcept { return n_; }

  // Writes the records for the current number and the ones after it into
  // file, at most `most` (at least 1) and never past the range's end or a
  // multiple of kProgressInterval, whose progress line it then sets in
  // progressLine.
  // Returns how many it wrote. Throws Overflow when a square does not fit,
  // before writing its record.
  std::uint32_t Emit(std::uint32_t most, OutputFile& file, std::string& progressLine);

 private:
  Decimal n_;
  const Decimal end_;
  Decimal& previousSquare_;
};

}  // namespace morvane
