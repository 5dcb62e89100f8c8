// RunForecast: what a run will write, worked out from its inputs before it
// writes anything: its records, their bytes, its files, and whether the
// bound of the numbers (2^48) ends it before To.
//
// A record's length depends only on how many digits its three numbers take
// (a number's sign or blank is always one byte), and along a run those
// change only where |n|, n² or |2n - 1| passes a power of ten. So the run is
// cut there into pieces whose records all have one length, and its bytes are
// a sum over a few dozen pieces however long it is. That holds wherever the
// squares are exact: in every run from a whole From, and in a run from a
// From with k decimal places while k <= 14 and |n| * 10^k < 2^48. There n
// has k decimal places, n² 2k and |2n - 1| as many as 2 * From, whatever n's
// whole part: n * 10^k is never a multiple of 10, nor is its square.
//
// Elsewhere Decimal rounds the squares, and how many decimal places survive
// varies from number to number: with k > 14, and where |n| * 10^k >= 2^48,
// which a From of 15 significant digits reaches at once and a run from any
// fractional From once |n| nears 2^48 / 10^k (2.8 * 10^13 for 0.5). Those
// records are formatted one by one with the run's own arithmetic, up to
// kMostFormattedRecords; the rest is estimated from samples (to within a
// few hundredths of a per cent where it was measured), and exact() is
// false.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/run_inputs.h"
#include "number/decimal.h"

namespace morvane {

class RunForecast {
 public:
  // How many records a forecast formats one by one at most, and how many it
  // formats as a sample of each piece it estimates.
  static constexpr std::uint64_t kMostFormattedRecords = 16384;
  static constexpr std::uint64_t kSampledRecords = 32;

  // The run that these inputs start, read as the run reads them.
  static RunForecast Of(const RunInputs& inputs);

  std::uint64_t records() const noexcept { return records_; }
  // The bytes of all its records, which is all its files hold.
  std::uint64_t bytes() const noexcept { return BytesOf(records_); }
  // The files it leaves, empty ones included; 0 when the inputs overflow
  // before the first file.
  std::uint64_t files() const noexcept;
  // The run ends with "Bounds of program have been exceeded".
  bool endsAtBound() const noexcept { return endsAtBound_; }
  // False when part of the run was estimated: then records, bytes and files
  // are close, not exact.
  bool exact() const noexcept;

  // The bytes of the first `records` records of the run.
  std::uint64_t BytesOf(std::uint64_t records) const noexcept;
  // The files the run has left once it has begun `numbers` numbers: a file
  // is created just before its first number.
  std::uint64_t FilesFor(std::uint64_t numbers) const noexcept;
  // The number of the record at index (0 for the first).
  Decimal NumberAt(std::uint64_t index) const { return start_ + Decimal(index); }

 private:
  // Records in a row of one length; or, estimated, of about one length.
  struct Piece {
    std::uint64_t records;
    std::uint64_t bytes;
    bool estimated;
  };
  // Where the run stands while the forecast follows it number by number.
  struct Position {
    std::uint64_t index;
    Decimal n;
    Decimal previousSquare;
  };
  class Builder;

  std::vector<Piece> pieces_;
  Decimal start_;
  std::int32_t linesPerFile_ = 0;
  std::uint64_t records_ = 0;
  bool endsAtBound_ = false;
  // The run began one more number than it wrote, whose square overflowed.
  bool triedNumberPastBound_ = false;
  bool opensFirstFile_ = true;
  // With N = 0 the second file, opened before the first number, may have
  // the first one's name ("1", not "01", typed as From), and replace it.
  bool secondFileReplacesFirst_ = false;
};

}  // namespace morvane
