// The per-number work of a run, on Decimal and on a baseline in the same
// binary: unsigned __int128 arithmetic with a plain formatter that divides by
// ten for every digit.
//
// One iteration is one number n: sq = n * n, diff = sq - previous square,
// the progress test (q = n / 10000, q - Floor(q) compared with 0), the
// comparison n <= end, three texts (n, sq, diff) and the step n + 1. Each
// benchmark runs from n = 1 and from n = 2^47, where squares have 29 digits.
// The Operation benchmarks time each of those operations alone, so that a
// change to one of them shows by itself.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "number/decimal.h"
#include "number/number_text.h"

namespace {

using morvane::Decimal;

__extension__ using Uint128 = unsigned __int128;

Decimal WholeDecimal(std::uint64_t value) { return Decimal::FromParts(false, 0, value, 0); }

void DecimalPerNumber(benchmark::State& state) {
  const auto start = static_cast<std::uint64_t>(state.range(0));
  const Decimal one(1);
  const Decimal zero(0);
  const Decimal ten_thousand(10000);
  const Decimal end = WholeDecimal(1ULL << 48);
  Decimal n = WholeDecimal(start);
  Decimal previous_square = (n - one) * (n - one);
  char texts[3][morvane::kMaxNumberTextLength];
  for (auto _ : state) {
    const Decimal square = n * n;
    const Decimal difference = square - previous_square;
    const Decimal quotient = n / ten_thousand;
    const bool progress = quotient - Floor(quotient) == zero;
    const bool in_range = n <= end;
    char* n_end = morvane::FormatNumberTo(n, texts[0]);
    char* square_end = morvane::FormatNumberTo(square, texts[1]);
    char* difference_end = morvane::FormatNumberTo(difference, texts[2]);
    benchmark::DoNotOptimize(progress);
    benchmark::DoNotOptimize(in_range);
    benchmark::DoNotOptimize(n_end);
    benchmark::DoNotOptimize(square_end);
    benchmark::DoNotOptimize(difference_end);
    benchmark::ClobberMemory();
    previous_square = square;
    n += one;
  }
  state.SetItemsProcessed(state.iterations());
}

// The plain formatter: one 128-bit division by ten per digit.
char* FormatDigitByDigit(Uint128 value, char* out) {
  char digits[40];
  char* first = digits + sizeof digits;
  do {
    *--first = static_cast<char>('0' + static_cast<int>(value % 10));
    value /= 10;
  } while (value != 0);
  *out++ = ' ';
  const auto length = static_cast<std::size_t>(digits + sizeof digits - first);
  std::memcpy(out, first, length);
  return out + length;
}

void BaselinePerNumber(benchmark::State& state) {
  const auto start = static_cast<std::uint64_t>(state.range(0));
  const Uint128 end = static_cast<Uint128>(1) << 48;
  Uint128 n = start;
  Uint128 previous_square = (n - 1) * (n - 1);
  char texts[3][morvane::kMaxNumberTextLength];
  for (auto _ : state) {
    benchmark::DoNotOptimize(n);
    const Uint128 square = n * n;
    const Uint128 difference = square - previous_square;
    const bool progress = n % 10000 == 0;
    const bool in_range = n <= end;
    char* n_end = FormatDigitByDigit(n, texts[0]);
    char* square_end = FormatDigitByDigit(square, texts[1]);
    char* difference_end = FormatDigitByDigit(difference, texts[2]);
    benchmark::DoNotOptimize(progress);
    benchmark::DoNotOptimize(in_range);
    benchmark::DoNotOptimize(n_end);
    benchmark::DoNotOptimize(square_end);
    benchmark::DoNotOptimize(difference_end);
    benchmark::ClobberMemory();
    previous_square = square;
    n += 1;
  }
  state.SetItemsProcessed(state.iterations());
}

// One operation per iteration on values that move on with n, whose step is
// timed with it.
template <class Operation>
void DecimalOperation(benchmark::State& state, Operation operation) {
  Decimal n = WholeDecimal(static_cast<std::uint64_t>(state.range(0)));
  const Decimal one(1);
  for (auto _ : state) {
    auto result = operation(n);
    benchmark::DoNotOptimize(result);
    n += one;
  }
  state.SetItemsProcessed(state.iterations());
}

const Decimal kTenThousand(10000);
const Decimal kEnd = WholeDecimal(1ULL << 48);

BENCHMARK_CAPTURE(DecimalOperation, Multiply, [](const Decimal& n) { return n * n; })->Arg(1)->Arg(1LL << 47);
BENCHMARK_CAPTURE(DecimalOperation, Subtract, [](const Decimal& n) { return kEnd - n; })->Arg(1)->Arg(1LL << 47);
BENCHMARK_CAPTURE(DecimalOperation, DivideByTenThousand, [](const Decimal& n) { return n / kTenThousand; })
    ->Arg(1)
    ->Arg(1LL << 47);
BENCHMARK_CAPTURE(DecimalOperation, FloorOfQuotient, [](const Decimal& n) { return Floor(n / kTenThousand); })
    ->Arg(1)
    ->Arg(1LL << 47);
BENCHMARK_CAPTURE(DecimalOperation, FractionOfQuotient,
                  [](const Decimal& n) {
                    const Decimal quotient = n / kTenThousand;
                    return quotient - Floor(quotient);
                  })
    ->Arg(1)
    ->Arg(1LL << 47);
BENCHMARK_CAPTURE(DecimalOperation, Compare, [](const Decimal& n) { return n <= kEnd; })->Arg(1)->Arg(1LL << 47);
BENCHMARK_CAPTURE(DecimalOperation, FormatSquare,
                  [](const Decimal& n) {
                    char text[morvane::kMaxNumberTextLength];
                    const Decimal square = n * n;
                    return morvane::FormatNumberTo(square, text) - text;
                  })
    ->Arg(1)
    ->Arg(1LL << 47);

BENCHMARK(DecimalPerNumber)->Arg(1)->Arg(1LL << 47);
BENCHMARK(BaselinePerNumber)->Arg(1)->Arg(1LL << 47);

}  // namespace
