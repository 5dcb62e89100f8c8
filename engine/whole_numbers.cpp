#include "engine/whole_numbers.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "engine/record.h"
#include "number/failure.h"
#include "number/number_text.h"

namespace morvane {

namespace {

std::uint64_t Magnitude(std::int64_t value) noexcept {
  return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

// A whole Decimal below 2^63 in magnitude as an integer.
std::int64_t WholeValue(const Decimal& whole) {
  const auto magnitude = static_cast<std::int64_t>(whole.coefficient_low());
  return whole.negative() ? -magnitude : magnitude;
}

int WordsOf(int digits) noexcept { return (digits + 7) / 8; }

}  // namespace

bool WholeNumbers::Suits(const Decimal& start) {
  return start == Floor(start) && start < Decimal(kBound) && start > Decimal(-kBound);
}

WholeNumbers::WholeNumbers(const Decimal& start, const Decimal& end) : n_(WholeValue(Floor(start))), first_(n_) {
  if (end < start) {
    last_ = n_ - 1;
  } else if (end >= Decimal(kBound)) {
    // The bound ends the run before end could.
    last_ = kBound;
  } else {
    last_ = WholeValue(Floor(end));
  }
  // The one division of the run.
  sinceProgress_ = static_cast<std::int32_t>(((n_ % kProgressEvery) + kProgressEvery) % kProgressEvery);
}

std::uint32_t WholeNumbers::Emit(std::uint32_t most, OutputFile& file, RunView& view) {
  if (n_ == kBound) ThrowAtBound();
  const std::int32_t untilProgress = sinceProgress_ == 0 ? 1 : kProgressEvery - sinceProgress_ + 1;
  const auto count = static_cast<std::uint32_t>(
      std::min<std::int64_t>({most, last_ - n_ + 1, kBound - n_, untilProgress}));
  std::uint32_t done = 0;
  while (done < count) {
    if (n_ == first_) [[unlikely]] {
      WriteFirstRecord(file);
      ++n_;
      ++done;
      continue;
    }
    std::uint64_t batch = count - done;
    if (setUpNext_ || n_ == 0 || n_ == 1) [[unlikely]] {
      SetUp(n_);
      // 0 is written alone: its sign is a blank where the numbers before it
      // had a minus, and after it the numbers grow.
      if (n_ == 0) batch = 1;
    }
    // Below zero, up to -1.
    if (n_ < 0) batch = std::min(batch, Magnitude(n_));
    // As many as fit before the buffer is full; one that does not fit goes
    // as Commit passes on any record that does not.
    const std::size_t fit = file.BytesBeforeFull() / static_cast<std::size_t>(recordLength_);
    batch = std::min<std::uint64_t>(batch, std::max<std::size_t>(fit, 1));
    char* const out = file.Reserve();
    const std::uint64_t written = (this->*writeRecords_)(batch, out);
    file.Commit(out + written * recordLength_);
    n_ += static_cast<std::int64_t>(written);
    done += static_cast<std::uint32_t>(written);
  }
  sinceProgress_ += static_cast<std::int32_t>(done);
  if (sinceProgress_ >= kProgressEvery) sinceProgress_ -= kProgressEvery;
  if (static_cast<std::int32_t>(done) == untilProgress) ShowProgress(n_ - 1, view);
  return done;
}

template <int kNumberWords, int kSquareWords, int kDifferenceWords, bool kUp>
std::uint64_t WholeNumbers::WriteRecords(std::uint64_t count, char* out) noexcept {
  using namespace digit_words;
  // Copies, kept in registers: every store into the buffer might change the
  // members for all the compiler knows, which would then be read again from
  // memory after each one.
  auto number = number_.words;
  auto square = square_.words;
  auto difference = difference_.words;
  auto addend = addend_.words;
  const int numberLength = numberLength_;
  const int squareAt = numberLength + 5;
  const int secondSeparatorAt = squareAt + squareLength_;
  const int differenceAt = secondSeparatorAt + 4;
  const int lineEndAt = differenceAt + differenceLength_;
  const int recordLength = recordLength_;
  const char numberSign = numberSign_;
  const char secondSeparator[4] = {' ', ',', ' ', differenceSign_};
  // 1 in the number's last digit, 2 in the difference's, in both places.
  const std::uint64_t one = std::uint64_t{1} << DigitWords::ShiftOf(numberLength - 1);
  const std::uint64_t two = std::uint64_t{2} << DigitWords::ShiftOf(differenceLength_ - 1);
  const std::uint64_t twoUnderSquare = std::uint64_t{2} << DigitWords::ShiftOf(squareLength_ - 1);

  std::uint64_t written = 0;
  bool reshaped = false;
  while (written < count) {
    // Each store's zeros past the number's end are overwritten by the next.
    out[0] = numberSign;
    for (int word = 0; word < kNumberWords; ++word) StoreText(out + 1 + 8 * word, number[word]);
    std::memcpy(out + 1 + numberLength, " ,  ", 4);
    for (int word = 0; word < kSquareWords; ++word) StoreText(out + squareAt + 8 * word, square[word]);
    std::memcpy(out + secondSeparatorAt, secondSeparator, 4);
    for (int word = 0; word < kDifferenceWords; ++word) StoreText(out + differenceAt + 8 * word, difference[word]);
    std::memcpy(out + lineEndAt, "\r\n", 2);
    out += recordLength;
    ++written;

    if constexpr (kUp) {
      unsigned grown = Increase<kNumberWords>(number, one) | Increase<kDifferenceWords>(difference, two);
      Increase<kSquareWords>(addend, twoUnderSquare);
      grown |= Add<kSquareWords>(square, addend);
      if (grown != 0) [[unlikely]] {
        reshaped = true;
        break;
      }
    } else {
      Decrease<kNumberWords>(number, one);
      Decrease<kDifferenceWords>(difference, two);
      Decrease<kSquareWords>(addend, twoUnderSquare);
      Subtract<kSquareWords>(square, addend);
      // A first digit of 0: the number has lost one.
      constexpr int kFirstDigit = 56;
      if (number[0] >> kFirstDigit == 0 || difference[0] >> kFirstDigit == 0 || square[0] >> kFirstDigit == 0)
          [[unlikely]] {
        reshaped = true;
        break;
      }
    }
  }
  number_.words = number;
  square_.words = square;
  difference_.words = difference;
  addend_.words = addend;
  setUpNext_ = reshaped;
  return written;
}

template <std::size_t... kIndex>
constexpr auto WholeNumbers::RecordWriters(std::index_sequence<kIndex...>) {
  // Indexed by the words of the number (1, 2), of the square (1 to 4) and of
  // the difference (1, 2), and the direction.
  return std::array<RecordWriter, sizeof...(kIndex)>{
      &WholeNumbers::WriteRecords<kIndex / 16 + 1, kIndex / 4 % 4 + 1, kIndex / 2 % 2 + 1, kIndex % 2 == 1>...};
}

void WholeNumbers::SetUp(std::int64_t n) {
  const std::uint64_t magnitude = Magnitude(n);
  const Decimal whole(magnitude);
  const std::string number = PlainNumber(whole);
  const std::string square = PlainNumber(whole * whole);
  // |2n - 1|: 2n - 1 above zero, 2|n| + 1 from zero down.
  const std::string difference = PlainNumber(Decimal(n > 0 ? 2 * magnitude - 1 : 2 * magnitude + 1));
  numberLength_ = static_cast<int>(number.size());
  squareLength_ = static_cast<int>(square.size());
  differenceLength_ = static_cast<int>(difference.size());
  recordLength_ = numberLength_ + squareLength_ + differenceLength_ + 11;
  number_ = DigitWords::Place(number, numberLength_);
  square_ = DigitWords::Place(square, squareLength_);
  difference_ = DigitWords::Place(difference, differenceLength_);
  addend_ = DigitWords::Place(difference, squareLength_);
  numberSign_ = n < 0 ? '-' : ' ';
  differenceSign_ = n > 0 ? ' ' : '-';

  static constexpr auto kWriters = RecordWriters(std::make_index_sequence<32>());
  const int index =
      (((WordsOf(numberLength_) - 1) * 4 + WordsOf(squareLength_) - 1) * 2 + WordsOf(differenceLength_) - 1) * 2 +
      (n > 0 ? 1 : 0);
  writeRecords_ = kWriters[static_cast<std::size_t>(index)];
  setUpNext_ = false;
}

void WholeNumbers::WriteFirstRecord(OutputFile& file) const {
  const Decimal number(n_);
  const Decimal square = number * number;
  file.Commit(FormatRecordTo(number, square, square, file.Reserve()));
}

void WholeNumbers::ShowProgress(std::int64_t n, RunView& view) const {
  const Decimal number(n);
  const Decimal square = number * number;
  const Decimal previousSquare = n == first_ ? Decimal() : (number - 1) * (number - 1);
  view.SetStatusText(ProgressLine(number, previousSquare, square, square - previousSquare));
}

void WholeNumbers::ThrowAtBound() { throw Overflow(); }

}  // namespace morvane
