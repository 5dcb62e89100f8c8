// WholeNumbers: the numbers of a run from a whole From, each record made from
// the one before without multiplying, dividing or formatting.
//
// For consecutive whole numbers (n + 1)^2 = n^2 + (2n + 1), and the
// difference to the previous square is 2n - 1. So n, its square and the
// difference are kept as their own text (DigitText) and moved on by small
// additions; the record is copied out as it stands. Below zero the same
// holds of the magnitudes, which shrink: |n| loses 1, |2n - 1| loses 2 and
// the square loses the new |2n - 1|. The first record of a run (difference
// equal to the square) and the step from 0 to 1 are set up afresh from the
// number itself, as is the text of the progress line, which appears at
// every 10,000th number, counted rather than divided.
//
// It is one of the two kinds of numbers Generator's loop walks (the other
// computes every record with Decimal) and writes byte for byte what that one
// would, up to the bound: at 2^48 the square does not fit a Decimal, and
// Emit throws Overflow there, as the multiplication would.
#pragma once

#include <cstdint>

#include "engine/digit_text.h"
#include "engine/output_file.h"
#include "engine/run_view.h"
#include "number/decimal.h"

namespace morvane {

class WholeNumbers {
 public:
  // The first number whose square does not fit a Decimal.
  static constexpr std::int64_t kBound = std::int64_t{1} << 48;

  // True when a run from start can go this way: start is whole and below the
  // bound in magnitude (a run from further out ends at its first number).
  static bool Suits(const Decimal& start);

  // The numbers from start (Suits) while they are at most end.
  WholeNumbers(const Decimal& start, const Decimal& end);

  bool InRange() const noexcept { return n_ <= last_; }
  // The number the next record is for.
  Decimal Current() const { return Decimal(n_); }

  // Writes the record for the current number into file and, at a multiple of
  // 10,000, the progress line into view's status. Throws Overflow at the
  // bound, before writing anything.
  void Emit(OutputFile& file, RunView& view) {
    if (n_ == kBound) ThrowAtBound();
    char* out = file.Reserve();
    *out = n_ < 0 ? '-' : ' ';
    // The number's trailer is " ,  ", the square's blank included.
    out = number_.CopyTo(out + 1);
    out = square_.CopyTo(out);
    *out = differenceSign_;
    file.Commit(difference_.CopyTo(out + 1));
    if (sinceProgress_ == 0) ShowProgress(view);
    // The texts are moved on to the next number here rather than in Advance:
    // reading them back for the copy right after they were written would
    // wait for the writes to reach the cache; the window's calls between two
    // numbers leave them that time.
    StepTexts(n_ + 1);
  }

  // On to the next number.
  void Advance() noexcept {
    ++n_;
    if (++sinceProgress_ == kProgressEvery) sinceProgress_ = 0;
  }

 private:
  static constexpr std::int32_t kProgressEvery = 10000;

  // The texts made those of next, the number after the one they hold.
  void StepTexts(std::int64_t next) {
    if (firstRecord_ || next == 1) [[unlikely]] {
      SetUp(next);
    } else if (next > 1) {
      number_.Increase(1);
      difference_.Increase(2);
      square_.Add(difference_);
    } else {
      number_.Decrease(1);
      difference_.Decrease(2);
      square_.Subtract(difference_);
    }
  }

  // |n|, its square and |2n - 1| written afresh.
  void SetUp(std::int64_t n);
  void ShowProgress(RunView& view) const;
  [[noreturn]] static void ThrowAtBound();

  std::int64_t n_;
  std::int64_t last_;
  // n_ modulo 10,000, from 0 to 9,999 also below zero.
  std::int32_t sinceProgress_;
  bool firstRecord_ = true;
  char differenceSign_ = ' ';
  // |n|, n^2 and the difference, with the separators that follow each in a
  // record. The difference is |2n - 1|, or the square in the first record.
  DigitText number_{" ,  "};
  DigitText square_{" , "};
  DigitText difference_{"\r\n"};
};

}  // namespace morvane
