// The digit-word arithmetic that moves a run's numbers on, held to integer
// arithmetic on the numbers the words spell. A carry or borrow lost between
// words shows only where a word is eight 9s, eight 0s, or equal to the word
// it meets, which random words almost never are: those words are taken on
// purpose, alone and in every mix across the words of a number.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/digit_words.h"

namespace morvane {
namespace {

using namespace digit_words;
using Words = std::array<std::uint64_t, DigitWords::kWords>;
__extension__ using Wide = unsigned __int128;

constexpr std::uint32_t kWordBase = 100'000'000;
constexpr std::uint32_t kNines = kWordBase - 1;

// The digit word of value (below 10^8), its first digit in the highest byte.
std::uint64_t WordOf(std::uint32_t value) {
  std::uint64_t word = 0;
  for (int byte = 0; byte < 8; ++byte, value /= 10) word |= std::uint64_t{value % 10} << (8 * byte);
  return word;
}

// The value a digit word spells; a byte that is no digit fails the test.
std::uint32_t ValueOf(std::uint64_t word) {
  std::uint32_t value = 0;
  for (int byte = 7; byte >= 0; --byte) {
    const auto digit = static_cast<std::uint32_t>((word >> (8 * byte)) & 0xFF);
    EXPECT_LE(digit, 9U) << "byte " << byte << " of word " << std::hex << word;
    value = value * 10 + digit;
  }
  return value;
}

// Two words that meet in an addition or a subtraction, as values.
struct WordPair {
  std::uint32_t a;
  std::uint32_t b;
};

// Pairs that carries and borrows meet in every way: all 0s and all 9s with
// each other, a word with itself (a borrow in makes eight 9s) and with what
// it adds up to eight 9s with (a carry in makes eight 0s), each of those two
// off by one, and any two words.
std::vector<WordPair> PairKinds(std::mt19937_64& random) {
  const auto any = [&] { return static_cast<std::uint32_t>(random() % kWordBase); };
  const std::uint32_t a = any();
  const std::uint32_t nonZero = a == 0 ? 1 : a;
  return {{0, 0}, {kNines, kNines}, {kNines, 0}, {0, kNines}, {a, a}, {a, kNines - a},
          {nonZero, nonZero - 1}, {kNines - nonZero + 1, nonZero}, {any(), any()}};
}

TEST(DigitWords, EightDigitsAddAndSubtractAsIntegers) {
  std::mt19937_64 random(16);
  for (int round = 0; round < 2000; ++round) {
    for (const auto [a, b] : PairKinds(random)) {
      for (const unsigned in : {0U, 1U}) {
        SCOPED_TRACE(std::to_string(a) + " and " + std::to_string(b) + ", " + std::to_string(in) + " in");
        unsigned carry = in;
        const std::uint64_t sum = std::uint64_t{a} + b + in;
        ASSERT_EQ(ValueOf(AddEight(WordOf(a), WordOf(b), carry)), sum % kWordBase);
        ASSERT_EQ(carry, sum / kWordBase);
        unsigned borrow = in;
        // A borrow out takes the 10^8 added here.
        const std::uint64_t difference = std::uint64_t{a} + kWordBase - b - in;
        ASSERT_EQ(ValueOf(SubtractEight(WordOf(a), WordOf(b), borrow)), difference % kWordBase);
        ASSERT_EQ(borrow, 1 - difference / kWordBase);
      }
    }
  }
}

// Two numbers of kCount words, each pair of words of one kind, in every mix
// of the kinds (with fresh random words each time), and the words after the
// first kCount set to a mark that must stay.
template <int kCount>
std::vector<std::pair<Words, Words>> NumberPairs(std::mt19937_64& random) {
  const std::size_t kinds = PairKinds(random).size();
  std::size_t mixes = 1;
  for (int word = 0; word < kCount; ++word) mixes *= kinds;
  std::vector<std::pair<Words, Words>> pairs;
  for (std::size_t mix = 0; mix < mixes; ++mix) {
    Words a;
    Words b;
    a.fill(WordOf(31415926));
    b.fill(WordOf(27182818));
    std::size_t kind = mix;
    for (int word = 0; word < kCount; ++word, kind /= kinds) {
      const WordPair pair = PairKinds(random)[kind % kinds];
      a[word] = WordOf(pair.a);
      b[word] = WordOf(pair.b);
    }
    pairs.emplace_back(a, b);
  }
  return pairs;
}

template <int kCount>
Wide NumberOf(const Words& words) {
  Wide value = 0;
  for (int word = 0; word < kCount; ++word) value = value * kWordBase + ValueOf(words[word]);
  return value;
}

template <int kCount>
Wide Limit() {
  Wide limit = 1;
  for (int word = 0; word < kCount; ++word) limit *= kWordBase;
  return limit;
}

// The words past the first kCount, which the arithmetic must leave alone.
template <int kCount>
std::vector<std::uint64_t> WordsAfter(const Words& words) {
  return {words.begin() + kCount, words.end()};
}

std::string Describe(const Words& a, const Words& b) {
  std::string text;
  // Appended piece by piece: GCC 12 warns falsely of overlapping copies in
  // " " + std::to_string(...).
  for (const std::uint64_t word : a) text.append(std::to_string(ValueOf(word))).append(" ");
  text += "and";
  for (const std::uint64_t word : b) text.append(" ").append(std::to_string(ValueOf(word)));
  return text;
}

// Add, Subtract, Increase and Decrease over kCount words against integer
// arithmetic, with the words past kCount left as they were.
template <int kCount>
void CheckNumbersOfWords() {
  SCOPED_TRACE(std::to_string(kCount) + " words");
  std::mt19937_64 random(16);
  for (const auto& [a, b] : NumberPairs<kCount>(random)) {
    SCOPED_TRACE(Describe(a, b));
    const Wide aValue = NumberOf<kCount>(a);
    const Wide bValue = NumberOf<kCount>(b);
    const Wide small = ValueOf(b[kCount - 1]);
    Words words = a;

    const unsigned carry = Add<kCount>(words, b);
    ASSERT_EQ(NumberOf<kCount>(words), (aValue + bValue) % Limit<kCount>());
    ASSERT_EQ(carry, aValue + bValue >= Limit<kCount>() ? 1U : 0U);
    ASSERT_EQ(WordsAfter<kCount>(words), WordsAfter<kCount>(a));

    // The larger less the smaller: the number never goes below zero.
    const Words& larger = aValue >= bValue ? a : b;
    words = larger;
    Subtract<kCount>(words, aValue >= bValue ? b : a);
    ASSERT_EQ(NumberOf<kCount>(words), aValue >= bValue ? aValue - bValue : bValue - aValue);
    ASSERT_EQ(WordsAfter<kCount>(words), WordsAfter<kCount>(larger));

    words = a;
    const unsigned increaseCarry = Increase<kCount>(words, b[kCount - 1]);
    ASSERT_EQ(NumberOf<kCount>(words), (aValue + small) % Limit<kCount>());
    ASSERT_EQ(increaseCarry, aValue + small >= Limit<kCount>() ? 1U : 0U);
    ASSERT_EQ(WordsAfter<kCount>(words), WordsAfter<kCount>(a));

    if (aValue >= small) {
      words = a;
      Decrease<kCount>(words, b[kCount - 1]);
      ASSERT_EQ(NumberOf<kCount>(words), aValue - small);
      ASSERT_EQ(WordsAfter<kCount>(words), WordsAfter<kCount>(a));
    }
  }
}

TEST(DigitWords, NumbersOfOneToFourWordsAddAndSubtractAsIntegers) {
  CheckNumbersOfWords<1>();
  CheckNumbersOfWords<2>();
  CheckNumbersOfWords<3>();
  CheckNumbersOfWords<4>();
}

}  // namespace
}  // namespace morvane
