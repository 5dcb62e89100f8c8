#include "engine/run_forecast.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "engine/file_names.h"
#include "engine/record.h"
#include "engine/run_inputs.h"
#include "engine/whole_values.h"
#include "number/failure.h"
#include "number/number_text.h"

namespace morvane {

namespace {

__extension__ using Int128 = __int128;
__extension__ using Uint128 = unsigned __int128;

// The most decimal places a run's squares keep exactly: 2k <= 28.
constexpr int kMostExactPlaces = 14;
// The most records one file can hold when N never ends it: the run's line
// counter is a signed 32-bit number.
constexpr std::uint64_t kMostRecordsInOneFile = std::uint64_t{1} << 31;
constexpr std::uint64_t kNoEnd = std::numeric_limits<std::uint64_t>::max();

Int128 FloorDivide(Int128 dividend, Int128 divisor) {
  Int128 quotient = dividend / divisor;
  if (dividend % divisor != 0 && dividend < 0) --quotient;
  return quotient;
}

Int128 CeilDivide(Int128 dividend, Int128 divisor) { return -FloorDivide(-dividend, divisor); }

Uint128 PowerOfTen(int exponent) {
  Uint128 power = 1;
  for (int i = 0; i < exponent; ++i) power *= 10;
  return power;
}

// The smallest r with r * r >= value, for value below 2^100.
Uint128 CeilSquareRoot(Uint128 value) {
  auto root = static_cast<Uint128>(std::sqrt(static_cast<long double>(value)));
  while (root * root > value) --root;
  while (root * root < value) ++root;
  return root;
}

// A value as a whole number of its smallest decimal places: value * 10^places
// with places as few as hold it (trailing zeros do not count).
struct Scaled {
  Int128 units;
  int places;
};

Scaled ScaledOf(const Decimal& value) {
  Uint128 coefficient = (static_cast<Uint128>(value.coefficient_high()) << 64) | value.coefficient_low();
  int places = value.scale();
  while (places > 0 && coefficient % 10 == 0) {
    coefficient /= 10;
    --places;
  }
  const auto units = static_cast<Int128>(coefficient);
  return {value.negative() ? -units : units, places};
}

// The length of a fraction's text: its point and places, or nothing.
std::size_t FractionLength(int places) { return places > 0 ? static_cast<std::size_t>(places) + 1 : 0; }

}  // namespace

// Follows the run from its first number to its end, piece by piece.
class RunForecast::Builder {
 public:
  Builder(RunForecast& forecast, const Decimal& end) : forecast_(forecast), end_(end) {}

  void Build() {
    const Decimal& start = forecast_.start_;
    if (start >= Decimal(kBound) || start <= Decimal(-kBound)) {
      // The first square overflows.
      End(0, true);
      return;
    }
    const std::int64_t startFloor = WholeValue(Floor(start));
    // The numbers start + i below the bound, and those up to end.
    const auto belowBound = static_cast<std::uint64_t>(kBound - startFloor);
    std::uint64_t upToEnd = kNoEnd;
    if (end_ < Decimal(2 * kBound)) {
      const Decimal endFloor = Floor(end_);
      const bool endsLater = end_ - endFloor >= start - Floor(start);
      upToEnd = static_cast<std::uint64_t>(WholeValue(endFloor) - startFloor) + (endsLater ? 1 : 0);
    }
    last_ = std::min(upToEnd, belowBound);
    pastBound_ = upToEnd > belowBound;

    const Scaled from = ScaledOf(start);
    std::uint64_t exactFirst = last_;
    std::uint64_t exactEnd = last_;
    if (from.places <= kMostExactPlaces) {
      // Where |start + i| * 10^k < 2^48. After the first record, and after
      // the first whose previous square was rounded.
      const Int128 unit = static_cast<Int128>(PowerOfTen(from.places));
      const Int128 firstExact = std::max<Int128>(0, FloorDivide(-kBound - from.units, unit) + 1);
      const Int128 endExact = std::min<Int128>(CeilDivide(kBound - from.units, unit), static_cast<Int128>(last_));
      if (firstExact < endExact) {
        exactFirst = static_cast<std::uint64_t>(firstExact) + 1;
        exactEnd = static_cast<std::uint64_t>(endExact);
      }
    }
    Position at{0, start, Decimal()};
    if (exactFirst < exactEnd) {
      if (!Follow(at, exactFirst, false)) return;
      AddExactPieces(from, exactFirst, exactEnd);
      at = PositionAt(exactEnd);
    }
    Follow(at, last_, true);
  }

 private:
  // Formats records from `at` as the run computes them, until index `until`,
  // or with toTheEnd until the run ends, which `until` then estimates. Past
  // the budget the rest up to `until` is estimated. False when the run
  // ended.
  bool Follow(Position& at, std::uint64_t until, bool toTheEnd) {
    while (toTheEnd || at.index < until) {
      if (budget_ == 0) {
        if (at.index < until) Estimate(at, until - at.index);
        if (toTheEnd) {
          End(std::max(at.index, until), pastBound_);
          return false;
        }
        at = PositionAt(until);
        return true;
      }
      --budget_;
      std::size_t length = 0;
      const Next next = FormatRecord(at, length);
      if (next != Next::kWritten) {
        End(at.index, next == Next::kOverflow);
        return false;
      }
      AddPiece(1, length, false);
    }
    return true;
  }

  enum class Next { kWritten, kPastEnd, kOverflow };

  // The record at `at`, as the run writes it, and the position after it; or
  // why the run writes none there.
  Next FormatRecord(Position& at, std::size_t& length) const {
    if (!(at.n <= end_)) return Next::kPastEnd;
    Decimal square;
    try {
      square = at.n * at.n;
    } catch (const Overflow&) {
      return Next::kOverflow;
    }
    char text[kMaxRecordLength];
    length = static_cast<std::size_t>(FormatRecordTo(at.n, square, square - at.previousSquare, text) - text);
    at.previousSquare = square;
    at.n += 1;
    ++at.index;
    return Next::kWritten;
  }

  // Where the run stands at index, as far as exact arithmetic can tell: its
  // number and the square before it.
  Position PositionAt(std::uint64_t index) const {
    const Decimal n = forecast_.NumberAt(index);
    const Decimal previous = n - 1;
    return {index, n, previous * previous};
  }

  // Records [first, end) of a run whose squares are exact, at whole
  // multiples of 10^-k: n = (units + i * 10^k) / 10^k.
  void AddExactPieces(const Scaled& from, std::uint64_t first, std::uint64_t end) {
    const Int128 unit = static_cast<Int128>(PowerOfTen(from.places));
    const Int128 units = from.units;
    // 2n - 1, in the same units.
    const Int128 differenceUnits = 2 * units - unit;
    std::vector<std::uint64_t> cuts = {first, end};
    // Where |alpha + beta * i| >= threshold begins above zero and ends below.
    const auto cutWhere = [&](Int128 alpha, Int128 beta, Int128 threshold) {
      for (const Int128 cut : {CeilDivide(threshold - alpha, beta), FloorDivide(-threshold - alpha, beta) + 1}) {
        if (cut > static_cast<Int128>(first) && cut < static_cast<Int128>(end)) {
          cuts.push_back(static_cast<std::uint64_t>(cut));
        }
      }
    };
    // |n| and |2n - 1| have d + 1 whole digits from 10^d on; n² from
    // 10^d on, where |n| * 10^k reaches the root of 10^(d + 2k). Only the
    // powers below 2^49 (numbers) and 2^96 (squares) can be reached.
    for (int d = 1; d <= 15; ++d) {
      const Int128 threshold = static_cast<Int128>(PowerOfTen(d)) * unit;
      cutWhere(units, unit, threshold);
      cutWhere(differenceUnits, 2 * unit, threshold);
    }
    for (int d = 1; d + 2 * from.places <= 28; ++d) {
      cutWhere(units, unit, static_cast<Int128>(CeilSquareRoot(PowerOfTen(d + 2 * from.places))));
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    // The fractions' lengths are the same all along: n has k places, n² 2k
    // and 2n - 1 those of 2 * start.
    const int differencePlaces = ScaledOf(forecast_.start_ + forecast_.start_).places;
    const std::size_t numberFraction = FractionLength(from.places);
    const std::size_t squareFraction = FractionLength(2 * from.places);
    const std::size_t differenceFraction = FractionLength(differencePlaces);
    const auto scale = static_cast<Uint128>(unit);
    for (std::size_t piece = 0; piece + 1 < cuts.size(); ++piece) {
      const Int128 n = units + static_cast<Int128>(cuts[piece]) * unit;
      const auto magnitude = Magnitude<Uint128>(n);
      const std::size_t length =
          RecordLength(1 + DigitsOf(magnitude / scale) + numberFraction,
                       1 + DigitsOf(magnitude * magnitude / (scale * scale)) + squareFraction,
                       1 + DigitsOf(Magnitude<Uint128>(2 * n - unit) / scale) + differenceFraction);
      AddPiece(cuts[piece + 1] - cuts[piece], length, false);
    }
  }

  // `count` records from `at` on whose squares Decimal rounds: cut where a
  // number's whole digits or a square's kept places change, and each piece
  // sampled in its middle.
  void Estimate(const Position& at, std::uint64_t count) {
    const long double first = ApproximateValue(at.n);
    std::vector<std::uint64_t> cuts = {0, count};
    const auto cutAt = [&](long double magnitude) {
      for (const long double cut : {std::ceil(magnitude - first), std::floor(-magnitude - first) + 1}) {
        if (cut > 0 && cut < static_cast<long double>(count)) cuts.push_back(static_cast<std::uint64_t>(cut));
      }
    };
    const long double coefficientLimit = std::ldexp(1.0L, 96);
    for (int d = 0; d <= 29; ++d) {
      const long double power = std::pow(10.0L, d);
      cutAt(power);
      cutAt(std::sqrt(power));
      cutAt((power + 1) / 2);
      cutAt((power - 1) / 2);
      // Where n² and n lose a decimal place to fit 96 bits.
      cutAt(std::sqrt(coefficientLimit / power));
      cutAt(coefficientLimit / power);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    for (std::size_t piece = 0; piece + 1 < cuts.size(); ++piece) {
      const std::uint64_t records = cuts[piece + 1] - cuts[piece];
      const std::uint64_t sampled = std::min(records, kSampledRecords);
      Position sample = PositionAt(at.index + cuts[piece] + (records - sampled) / 2);
      std::uint64_t sampleBytes = 0;
      std::uint64_t done = 0;
      for (std::size_t length = 0; done < sampled && FormatRecord(sample, length) == Next::kWritten; ++done) {
        sampleBytes += length;
      }
      // A sample lies below the bound and To; should it meet them all the
      // same, the record before it stands in.
      if (done == 0) {
        const Piece& before = forecast_.pieces_.back();
        sampleBytes = before.bytes;
        done = before.records;
      }
      const long double meanLength = static_cast<long double>(sampleBytes) / static_cast<long double>(done);
      AddPiece(records, static_cast<std::uint64_t>(std::llround(meanLength * static_cast<long double>(records))),
               true);
    }
  }

  void AddPiece(std::uint64_t records, std::uint64_t bytesOrLength, bool estimated) {
    std::vector<Piece>& pieces = forecast_.pieces_;
    if (estimated) {
      pieces.push_back({records, bytesOrLength, true});
      return;
    }
    const std::uint64_t bytes = records * bytesOrLength;
    if (!pieces.empty() && !pieces.back().estimated && pieces.back().bytes == pieces.back().records * bytesOrLength) {
      pieces.back().records += records;
      pieces.back().bytes += bytes;
    } else {
      pieces.push_back({records, bytes, false});
    }
  }

  void End(std::uint64_t records, bool pastBound) {
    forecast_.records_ = records;
    forecast_.endsAtBound_ = pastBound;
    forecast_.triedNumberPastBound_ = pastBound;
  }

  RunForecast& forecast_;
  const Decimal end_;
  std::uint64_t last_ = 0;
  bool pastBound_ = false;
  std::uint64_t budget_ = kMostFormattedRecords;
};

RunForecast RunForecast::Of(const RunInputs& inputs) {
  RunForecast forecast;
  Decimal end;
  try {
    forecast.start_ = ReadRangeValue(inputs.fromText);
    forecast.linesPerFile_ = ReadLinesPerFile(inputs.linesPerFileText);
    // The first file's name needs it.
    static_cast<void>(forecast.start_ + forecast.linesPerFile_ - 1);
  } catch (const Overflow&) {
    forecast.opensFirstFile_ = false;
    forecast.endsAtBound_ = true;
    return forecast;
  }
  try {
    end = ReadRangeValue(inputs.toText);
  } catch (const Overflow&) {
    forecast.endsAtBound_ = true;
    return forecast;
  }
  forecast.secondFileReplacesFirst_ =
      forecast.linesPerFile_ == 0 &&
      FirstFileName(inputs.fromText, forecast.start_, 0) == LaterFileName(forecast.start_, 0, end);
  if (forecast.start_ > end) return forecast;
  Builder(forecast, end).Build();

  if (forecast.linesPerFile_ <= 0 && forecast.records_ >= kMostRecordsInOneFile) {
    // Every record goes into one file, whose line counter overflows at its
    // 2^31st.
    forecast.records_ = kMostRecordsInOneFile;
    forecast.endsAtBound_ = true;
    forecast.triedNumberPastBound_ = false;
  }
  // Nothing beyond the records the run writes.
  std::uint64_t records = 0;
  std::size_t kept = 0;
  for (; kept < forecast.pieces_.size() && records < forecast.records_; ++kept) {
    Piece& piece = forecast.pieces_[kept];
    if (piece.records > forecast.records_ - records) {
      const std::uint64_t part = forecast.records_ - records;
      piece.bytes = static_cast<std::uint64_t>(static_cast<Uint128>(piece.bytes) * part / piece.records);
      piece.records = part;
    }
    records += piece.records;
  }
  forecast.pieces_.resize(kept);
  return forecast;
}

std::uint64_t RunForecast::files() const noexcept { return FilesFor(records_ + (triedNumberPastBound_ ? 1 : 0)); }

bool RunForecast::exact() const noexcept {
  return std::none_of(pieces_.begin(), pieces_.end(), [](const Piece& piece) { return piece.estimated; });
}

std::uint64_t RunForecast::BytesOf(std::uint64_t records) const noexcept {
  std::uint64_t bytes = 0;
  for (const Piece& piece : pieces_) {
    if (records >= piece.records) {
      bytes += piece.bytes;
      records -= piece.records;
    } else {
      return bytes + static_cast<std::uint64_t>(static_cast<Uint128>(piece.bytes) * records / piece.records);
    }
  }
  return bytes;
}

std::uint64_t RunForecast::FilesFor(std::uint64_t numbers) const noexcept {
  if (!opensFirstFile_) return 0;
  // A later file is opened just before its first number: with N = 0 before
  // the very first, which leaves the first file empty; never with N < 0.
  if (numbers == 0 || linesPerFile_ < 0) return 1;
  if (linesPerFile_ == 0) return secondFileReplacesFirst_ ? 1 : 2;
  return 1 + (numbers - 1) / static_cast<std::uint64_t>(linesPerFile_);
}

}  // namespace morvane
