#include "engine/decimal_numbers.h"

#include "engine/record.h"

namespace morvane {

namespace {

const Decimal kProgressEvery(kProgressInterval);

// What a / b has after the point: zero exactly when a is a whole multiple of b.
Decimal FractionOf(const Decimal& a, const Decimal& b) {
  const Decimal quotient = a / b;
  return quotient - Floor(quotient);
}

}  // namespace

std::uint32_t DecimalNumbers::Emit(std::uint32_t most, OutputFile& file, std::string& progressLine) {
  std::uint32_t written = 0;
  while (written < most && InRange()) {
    const Decimal square = n_ * n_;
    const Decimal difference = square - previousSquare_;

    // Formatted straight into the file's buffer.
    static_assert(kMaxRecordLength <= OutputFile::kMaxReservedBytes);
    file.Commit(FormatRecordTo(n_, square, difference, file.Reserve()));
    const bool progress = FractionOf(n_, kProgressEvery).is_zero();
    if (progress) progressLine = ProgressLine(n_, previousSquare_, square, difference);
    previousSquare_ = square;
    n_ += 1;
    ++written;
    if (progress) break;
  }
  return written;
}

}  // namespace morvane
