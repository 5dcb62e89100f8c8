#include "engine/whole_numbers.h"

#include "engine/record.h"
#include "number/failure.h"
#include "number/number_text.h"

namespace morvane {

namespace {

std::uint64_t Magnitude(std::int64_t value) noexcept {
  return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

}  // namespace

bool WholeNumbers::Suits(const Decimal& start) {
  return start == Floor(start) && start < Decimal(kBound) && start > Decimal(-kBound);
}

WholeNumbers::WholeNumbers(const Decimal& start, const Decimal& end) {
  const Decimal first = Floor(start);
  const auto magnitude = static_cast<std::int64_t>(first.coefficient_low());
  n_ = first.negative() ? -magnitude : magnitude;
  if (end < start) {
    last_ = n_ - 1;
  } else if (end >= Decimal(kBound)) {
    // The bound ends the run before end could.
    last_ = kBound;
  } else {
    const Decimal whole = Floor(end);
    const auto low = static_cast<std::int64_t>(whole.coefficient_low());
    last_ = whole.negative() ? -low : low;
  }
  // The one division of the run.
  sinceProgress_ = static_cast<std::int32_t>(((n_ % kProgressEvery) + kProgressEvery) % kProgressEvery);
  SetUp(n_);
  // The first record's difference is its square: there is no previous one.
  firstRecord_ = true;
  difference_.Assign(square_.digits());
  differenceSign_ = ' ';
}

void WholeNumbers::SetUp(std::int64_t n) {
  // Emit stops the run at the bound, whose square has no Decimal.
  if (n >= kBound) return;
  const std::uint64_t magnitude = Magnitude(n);
  const Decimal whole(magnitude);
  number_.Assign(PlainNumber(whole));
  square_.Assign(PlainNumber(whole * whole));
  // |2n - 1|: 2n - 1 above zero, 2|n| + 1 from zero down.
  difference_.Assign(PlainNumber(Decimal(n > 0 ? 2 * magnitude - 1 : 2 * magnitude + 1)));
  differenceSign_ = n > 0 ? ' ' : '-';
  firstRecord_ = false;
}

void WholeNumbers::ShowProgress(RunView& view) const {
  const Decimal n(n_);
  const Decimal square = n * n;
  const Decimal previousSquare = firstRecord_ ? Decimal() : (n - 1) * (n - 1);
  view.SetStatusText(ProgressLine(n, previousSquare, square, square - previousSquare));
}

void WholeNumbers::ThrowAtBound() { throw Overflow(); }

}  // namespace morvane
