#include "engine/decimal_numbers.h"

#include "engine/record.h"

namespace morvane {

namespace {

const Decimal kProgressEvery(10000);

// What a / b has after the point: zero exactly when a is a whole multiple of b.
Decimal FractionOf(const Decimal& a, const Decimal& b) {
  const Decimal quotient = a / b;
  return quotient - Floor(quotient);
}

}  // namespace

void DecimalNumbers::Emit(OutputFile& file, RunView& view) {
  const Decimal square = n_ * n_;
  const Decimal difference = square - previousSquare_;

  // Formatted straight into the file's buffer.
  static_assert(kMaxRecordLength <= OutputFile::kMaxReservedBytes);
  file.Commit(FormatRecordTo(n_, square, difference, file.Reserve()));

  if (FractionOf(n_, kProgressEvery).is_zero()) {
    view.SetStatusText(ProgressLine(n_, previousSquare_, square, difference));
  }
  previousSquare_ = square;
}

}  // namespace morvane
