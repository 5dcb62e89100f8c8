#include "engine/whole_numbers.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>

#include "engine/record.h"
#include "engine/whole_values.h"
#include "number/failure.h"
#include "number/number_text.h"

namespace morvane {

namespace {

int WordsOf(int digits) noexcept { return (digits + 7) / 8; }

// The most digit words each number of a record takes below the bound: n and
// |2n - 1| have at most 15 digits there, the square 29.
constexpr int kMaxNumberWords = 2;
constexpr int kMaxSquareWords = DigitWords::kWords;
constexpr int kMaxDifferenceWords = 2;
static_assert(DigitsOf(std::uint64_t{kBound}) <= 8 * kMaxNumberWords &&
              DigitsOf(std::uint64_t{2 * kBound + 1}) <= 8 * kMaxDifferenceWords);

// Where the writer for numbers of these many words, going up or down, stands
// in the table of writers.
constexpr std::size_t WriterIndex(int numberWords, int squareWords, int differenceWords, bool up) noexcept {
  return static_cast<std::size_t>(
      (((numberWords - 1) * kMaxSquareWords + squareWords - 1) * kMaxDifferenceWords + differenceWords - 1) * 2 +
      (up ? 1 : 0));
}

// A record's separator and the sign of the number after it, stored at once.
using SeparatorAndSign = std::array<char, kRecordSeparator.size() + 1>;
constexpr SeparatorAndSign SeparatorThen(char sign) noexcept {
  SeparatorAndSign bytes{};
  std::copy(kRecordSeparator.begin(), kRecordSeparator.end(), bytes.begin());
  bytes.back() = sign;
  return bytes;
}

// Calls visit with each of kValues as a std::integral_constant.
template <typename Value, Value... kValues, typename Visit>
constexpr void ForEach(std::integer_sequence<Value, kValues...>, Visit visit) {
  (visit(std::integral_constant<Value, kValues>()), ...);
}

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
  sinceProgress_ = static_cast<std::int32_t>(((n_ % kProgressInterval) + kProgressInterval) % kProgressInterval);
}

std::uint32_t WholeNumbers::Emit(std::uint32_t most, OutputFile& file, std::string& progressLine) {
  if (n_ == kBound) ThrowAtBound();
  const std::int32_t untilProgress = sinceProgress_ == 0 ? 1 : kProgressInterval - sinceProgress_ + 1;
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
    // Coming from below, the step to 0 takes |n|'s one digit, which sets 0
    // up; 0, a multiple of the interval, then ends the call, and the next starts
    // at 1, where the difference turns from 2|n| + 1 to 2n - 1.
    if (setUpNext_ || n_ == 1) [[unlikely]] SetUp(n_);
    // As many as fit before the buffer is full; one that does not fit goes
    // as Commit passes on any record that does not. A record's stores of
    // whole words reach past its end, no further than the end of a record
    // whose numbers fill their words, which Reserve's room holds.
    static_assert(RecordLength(1 + 8 * kMaxNumberWords, 1 + 8 * kMaxSquareWords, 1 + 8 * kMaxDifferenceWords) <=
                  OutputFile::kMaxReservedBytes);
    const std::size_t fit = file.BytesBeforeFull() / static_cast<std::size_t>(recordLength_);
    const std::uint64_t batch = std::min<std::uint64_t>(count - done, std::max<std::size_t>(fit, 1));
    char* const out = file.Reserve();
    const std::uint64_t written = (this->*writeRecords_)(batch, out);
    file.Commit(out + written * recordLength_);
    n_ += static_cast<std::int64_t>(written);
    done += static_cast<std::uint32_t>(written);
  }
  sinceProgress_ += static_cast<std::int32_t>(done);
  if (sinceProgress_ >= kProgressInterval) sinceProgress_ -= kProgressInterval;
  if (static_cast<std::int32_t>(done) == untilProgress) progressLine = ProgressLineOf(n_ - 1);
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
  // Each number's text is its sign and its digits; the square's sign is a
  // blank.
  constexpr SeparatorAndSign kBeforeSquare = SeparatorThen(' ');
  const SeparatorAndSign beforeDifference = SeparatorThen(differenceSign_);
  const int numberLength = numberLength_;
  const int beforeSquareAt = 1 + numberLength;
  const int squareAt = beforeSquareAt + static_cast<int>(kBeforeSquare.size());
  const int beforeDifferenceAt = squareAt + squareLength_;
  const int differenceAt = beforeDifferenceAt + static_cast<int>(beforeDifference.size());
  const int lineEndAt = differenceAt + differenceLength_;
  const int recordLength = recordLength_;
  const char numberSign = numberSign_;
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
    std::memcpy(out + beforeSquareAt, kBeforeSquare.data(), kBeforeSquare.size());
    for (int word = 0; word < kSquareWords; ++word) StoreText(out + squareAt + 8 * word, square[word]);
    std::memcpy(out + beforeDifferenceAt, beforeDifference.data(), beforeDifference.size());
    for (int word = 0; word < kDifferenceWords; ++word) StoreText(out + differenceAt + 8 * word, difference[word]);
    std::memcpy(out + lineEndAt, kRecordEnd.data(), kRecordEnd.size());
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

constexpr auto WholeNumbers::RecordWriters() {
  std::array<RecordWriter, WriterIndex(kMaxNumberWords, kMaxSquareWords, kMaxDifferenceWords, true) + 1> writers{};
  ForEach(std::make_integer_sequence<int, kMaxNumberWords>(), [&](auto numberWords) {
    ForEach(std::make_integer_sequence<int, kMaxSquareWords>(), [&](auto squareWords) {
      ForEach(std::make_integer_sequence<int, kMaxDifferenceWords>(), [&](auto differenceWords) {
        constexpr int kNumber = decltype(numberWords)::value + 1;
        constexpr int kSquare = decltype(squareWords)::value + 1;
        constexpr int kDifference = decltype(differenceWords)::value + 1;
        writers[WriterIndex(kNumber, kSquare, kDifference, false)] =
            &WholeNumbers::WriteRecords<kNumber, kSquare, kDifference, false>;
        writers[WriterIndex(kNumber, kSquare, kDifference, true)] =
            &WholeNumbers::WriteRecords<kNumber, kSquare, kDifference, true>;
      });
    });
  });
  return writers;
}

void WholeNumbers::SetUp(std::int64_t n) {
  const auto magnitude = Magnitude<std::uint64_t>(n);
  const Decimal whole(magnitude);
  const std::string number = PlainNumber(whole);
  const std::string square = PlainNumber(whole * whole);
  // |2n - 1|: 2n - 1 above zero, 2|n| + 1 from zero down.
  const std::string difference = PlainNumber(Decimal(n > 0 ? 2 * magnitude - 1 : 2 * magnitude + 1));
  numberLength_ = static_cast<int>(number.size());
  squareLength_ = static_cast<int>(square.size());
  differenceLength_ = static_cast<int>(difference.size());
  recordLength_ = static_cast<int>(RecordLength(1 + numberLength_, 1 + squareLength_, 1 + differenceLength_));
  number_ = DigitWords::Place(number, numberLength_);
  square_ = DigitWords::Place(square, squareLength_);
  difference_ = DigitWords::Place(difference, differenceLength_);
  addend_ = DigitWords::Place(difference, squareLength_);
  numberSign_ = n < 0 ? '-' : ' ';
  differenceSign_ = n > 0 ? ' ' : '-';

  static constexpr auto kWriters = RecordWriters();
  writeRecords_ =
      kWriters[WriterIndex(WordsOf(numberLength_), WordsOf(squareLength_), WordsOf(differenceLength_), n > 0)];
  setUpNext_ = false;
}

void WholeNumbers::WriteFirstRecord(OutputFile& file) const {
  const Decimal number(n_);
  const Decimal square = number * number;
  file.Commit(FormatRecordTo(number, square, square, file.Reserve()));
}

std::string WholeNumbers::ProgressLineOf(std::int64_t n) const {
  const Decimal number(n);
  const Decimal square = number * number;
  const Decimal previousSquare = n == first_ ? Decimal() : (number - 1) * (number - 1);
  return ProgressLine(number, previousSquare, square, square - previousSquare);
}

void WholeNumbers::ThrowAtBound() { throw Overflow(); }

}  // namespace morvane
