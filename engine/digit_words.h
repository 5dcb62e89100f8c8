// DigitWords: a whole number >= 0 of up to 32 decimal digits, kept one digit
// per byte in four 64-bit words, and changed by adding or subtracting digits
// eight at a time.
//
// The digits are left-aligned: the first is in the highest byte of the first
// word, and the bytes after the last digit are zero. So the words, turned to
// text one by one, are the number's text followed by zeros, ready to be
// stored where the number starts in a record; what follows the number in the
// record is stored after it, over the zeros. Adding two numbers digit by
// digit needs their last digits in the same byte: a number that is added to
// another is placed to end where that one ends (Place).
//
// In each word a carry or a borrow crosses the bytes as the word's own carry
// would, so that eight digits cost a few instructions and no loop.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace morvane {

struct DigitWords {
  static constexpr int kMaxDigits = 32;
  static constexpr int kWords = kMaxDigits / 8;
  static constexpr std::uint64_t kEachByte = 0x0101'0101'0101'0101ULL;

  // digits ('0' to '9', at most kMaxDigits) placed so that the last ends up
  // in position end - 1, counting the first word's highest byte as 0.
  static DigitWords Place(std::string_view digits, int end) noexcept {
    DigitWords placed;
    int position = end - static_cast<int>(digits.size());
    for (const char digit : digits) {
      placed.words[position / 8] |= static_cast<std::uint64_t>(digit - '0') << ShiftOf(position);
      ++position;
    }
    return placed;
  }

  // The bit shift of the byte at a position within its word.
  static constexpr int ShiftOf(int position) noexcept { return 8 * (7 - position % 8); }

  std::array<std::uint64_t, kWords> words{};
};

namespace digit_words {

// Added to each byte of a sum so that a digit sum of ten or more carries out
// of its byte: 0xF6 + 10 = 0x100.
inline constexpr std::uint64_t kCarryAtTen = 0xF6 * DigitWords::kEachByte;

// a + b + carry, eight digits each; carry becomes the carry out of the word.
inline std::uint64_t AddEight(std::uint64_t a, std::uint64_t b, unsigned& carry) noexcept {
  // At most 18 per byte: no byte carries yet.
  const std::uint64_t plain = a + b;
  const std::uint64_t sum = plain + kCarryAtTen + carry;
  carry = sum < plain ? 1 : 0;
  // A byte that carried holds its digit; one that did not holds digit + 0xF6.
  const std::uint64_t uncarried = (sum >> 7) & DigitWords::kEachByte;
  return sum - uncarried * 0xF6;
}

// a - b - borrow, eight digits each; borrow becomes the borrow out of the word.
inline std::uint64_t SubtractEight(std::uint64_t a, std::uint64_t b, unsigned& borrow) noexcept {
  const std::uint64_t difference = a - b - borrow;
  borrow = a < b + borrow ? 1 : 0;
  // A byte that borrowed holds its digit + 0xF6 (10 less 0x100).
  const std::uint64_t borrowed = (difference >> 7) & DigitWords::kEachByte;
  return difference - borrowed * 0xF6;
}

// words += addend over the first kCount words; returns the carry out of the
// first, which means the sum has more digits than the words hold.
template <int kCount>
inline unsigned Add(std::array<std::uint64_t, DigitWords::kWords>& words,
                    const std::array<std::uint64_t, DigitWords::kWords>& addend) noexcept {
  unsigned carry = 0;
  for (int word = kCount - 1; word >= 0; --word) words[word] = AddEight(words[word], addend[word], carry);
  return carry;
}

// words -= subtrahend over the first kCount words, which must not go below
// zero.
template <int kCount>
inline void Subtract(std::array<std::uint64_t, DigitWords::kWords>& words,
                     const std::array<std::uint64_t, DigitWords::kWords>& subtrahend) noexcept {
  unsigned borrow = 0;
  for (int word = kCount - 1; word >= 0; --word) words[word] = SubtractEight(words[word], subtrahend[word], borrow);
}

// words += small (digits in the last of the first kCount words); returns the
// carry out of the first word. The carry seldom goes past the last word, so
// it is followed only as far as it goes.
template <int kCount>
inline unsigned Increase(std::array<std::uint64_t, DigitWords::kWords>& words, std::uint64_t small) noexcept {
  unsigned carry = 0;
  words[kCount - 1] = AddEight(words[kCount - 1], small, carry);
  for (int word = kCount - 2; word >= 0 && carry != 0; --word) words[word] = AddEight(words[word], 0, carry);
  return carry;
}

// words -= small, as Increase; the number must not go below zero.
template <int kCount>
inline void Decrease(std::array<std::uint64_t, DigitWords::kWords>& words, std::uint64_t small) noexcept {
  unsigned borrow = 0;
  words[kCount - 1] = SubtractEight(words[kCount - 1], small, borrow);
  for (int word = kCount - 2; word >= 0 && borrow != 0; --word) words[word] = SubtractEight(words[word], 0, borrow);
}

inline std::uint64_t ByteSwap(std::uint64_t value) noexcept {
#if defined(__GNUC__)
  return __builtin_bswap64(value);
#else
  value = ((value & 0x00FF'00FF'00FF'00FFULL) << 8) | ((value >> 8) & 0x00FF'00FF'00FF'00FFULL);
  value = ((value & 0x0000'FFFF'0000'FFFFULL) << 16) | ((value >> 16) & 0x0000'FFFF'0000'FFFFULL);
  return (value << 32) | (value >> 32);
#endif
}

// The eight digits of a word as text at out, the highest byte first.
inline void StoreText(char* out, std::uint64_t digits) noexcept {
  std::uint64_t text = digits + '0' * DigitWords::kEachByte;
  if constexpr (std::endian::native == std::endian::little) text = ByteSwap(text);
  std::memcpy(out, &text, sizeof text);
}

}  // namespace digit_words
}  // namespace morvane
