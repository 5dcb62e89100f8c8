// WholeNumbers: the numbers of a run from a whole From, each record made from
// the one before without multiplying, dividing or formatting.
//
// For consecutive whole numbers (n + 1)^2 = n^2 + (2n + 1), and the
// difference to the previous square is 2n - 1. So n, its square and the
// difference are kept as their digits (DigitWords) and moved on by small
// additions: n gains 1, the difference 2, and the square the new difference.
// Below zero the same holds of the magnitudes, which shrink: |n| loses 1,
// |2n - 1| loses 2 and the square the new |2n - 1|.
//
// The records are written in batches, as many at a time as the caller allows
// and the file's buffer holds. Within a batch the digits stay in registers
// and every record is stored straight into the buffer, one store per eight
// digits or separator, in a loop made for the number of words each of the
// three numbers takes. Where a number gains or loses a digit the batch ends,
// and the next number is set up afresh from Decimal arithmetic, as are the
// number after the run's first and 1, where the difference turns from
// 2|n| + 1 to 2n - 1. The first record (difference equal to the square) and
// the progress line, which appears at every kProgressInterval-th number
// (counted rather than divided), are formatted from Decimal values.
//
// It is one of the two kinds of numbers Generator's loop walks (the other
// computes every record with Decimal) and writes byte for byte what that one
// would, up to the bound: at 2^48 the square does not fit a Decimal, and
// Emit throws Overflow there, as the multiplication would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/digit_words.h"
#include "engine/files/output_file.h"
#include "number/decimal.h"

namespace morvane {

class WholeNumbers {
 public:
  // True when a run from start can go this way: start is whole and below the
  // bound in magnitude (a run from further out ends at its first number).
  static bool Suits(const Decimal& start);

  // The numbers from start (Suits) while they are at most end.
  WholeNumbers(const Decimal& start, const Decimal& end);

  bool InRange() const noexcept { return n_ <= last_; }
  // The number the next record is for.
  Decimal Current() const { return Decimal(n_); }

  // Writes the records for the current number and the ones after it into
  // file, at most `most` (at least 1) and never past the range's end or a
  // multiple of kProgressInterval, whose progress line it then sets in
  // progressLine.
  // Returns how many it wrote. Throws Overflow at the bound, before writing
  // anything.
  std::uint32_t Emit(std::uint32_t most, OutputFile& file, std::string& progressLine);

 private:
  // Writes count records of the current layout at out, each followed by the
  // step to the next number (up or down); returns how many it wrote, fewer
  // when a number's length changed.
  using RecordWriter = std::uint64_t (WholeNumbers::*)(std::uint64_t count, char* out) noexcept;
  template <int kNumberWords, int kSquareWords, int kDifferenceWords, bool kUp>
  std::uint64_t WriteRecords(std::uint64_t count, char* out) noexcept;
  // The writer for every layout, at its WriterIndex.
  static constexpr auto RecordWriters();

  // The digits and the layout of n's record (not the run's first) written
  // afresh.
  void SetUp(std::int64_t n);
  // The run's first record, whose difference is its square.
  void WriteFirstRecord(OutputFile& file) const;
  std::string ProgressLineOf(std::int64_t n) const;
  [[noreturn]] static void ThrowAtBound();

  std::int64_t n_;
  const std::int64_t first_;
  std::int64_t last_;
  // n_ modulo kProgressInterval, from 0 up also below zero.
  std::int32_t sinceProgress_;
  bool setUpNext_ = true;

  // |n|, n^2 and the difference (|2n - 1|, or the square in the first
  // record), and the difference again placed to end where the square ends,
  // as it is added to the square.
  DigitWords number_;
  DigitWords square_;
  DigitWords difference_;
  DigitWords addend_;
  int numberLength_ = 0;
  int squareLength_ = 0;
  int differenceLength_ = 0;
  int recordLength_ = 0;
  char numberSign_ = ' ';
  char differenceSign_ = ' ';
  RecordWriter writeRecords_ = nullptr;
};

}  // namespace morvane
