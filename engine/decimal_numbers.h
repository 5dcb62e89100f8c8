// DecimalNumbers: the numbers of a run computed one by one with Decimal.
//
// Each number's square is a multiplication, its difference a subtraction
// from the previous square, and the record and the progress line are
// formatted from those values. It serves any From, a fractional one
// included, and is the reference the faster WholeNumbers is held to.
#pragma once

#include "engine/output_file.h"
#include "engine/run_view.h"
#include "number/decimal.h"

namespace morvane {

class DecimalNumbers {
 public:
  // The numbers start, start + 1, ... while they are at most end.
  // previousSquare is the window's, which the run keeps up to date.
  DecimalNumbers(const Decimal& start, const Decimal& end, Decimal& previousSquare)
      : n_(start), end_(end), previousSquare_(previousSquare) {}

  bool InRange() const noexcept { return n_ <= end_; }
  const Decimal& Current() const noexcept { return n_; }

  // Writes the record for the current number into file and, at a multiple of
  // 10,000, the progress line into view's status. Throws Overflow when the
  // square does not fit, before writing anything.
  void Emit(OutputFile& file, RunView& view);

  void Advance() { n_ += 1; }

 private:
  Decimal n_;
  const Decimal end_;
  Decimal& previousSquare_;
};

}  // namespace morvane
