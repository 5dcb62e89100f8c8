// DigitText: a whole number >= 0 kept as its decimal text, changed in place.
//
// A run from a whole From writes consecutive numbers, whose squares and
// differences follow from the previous ones by an addition or a subtraction.
// Doing that on the text itself leaves nothing to format: the record is
// copied out as it stands. The digits are right-aligned in a field of zeros,
// eight at a time in a 64-bit word, one digit per byte, and a carry or a
// borrow crosses the bytes as the word's own carry would, so that eight
// digits cost a few instructions and no loop.
//
// After the digits the text holds a fixed trailer (the separator that follows
// the number in a record), so that a number and its separator go out as one
// copy of a fixed size.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace morvane {

class DigitText {
 public:
  // Room for a 29-digit square and a carry past it.
  static constexpr int kMaxDigits = 32;
  // CopyTo copies this many bytes, whatever the length: fixed-size copies
  // need no loop; the bytes past the number's end are overwritten after.
  static constexpr int kCopyBytes = kMaxDigits;

  // Zero, followed by trailer (at most 8 bytes).
  explicit DigitText(std::string_view trailer) noexcept : trailerLength_(static_cast<int>(trailer.size())) {
    std::memset(text_, '0', sizeof text_);
    std::memcpy(text_ + kMaxDigits, trailer.data(), trailer.size());
  }

  // The digits of value, without leading zeros. Not for the hot path.
  void Assign(std::string_view digits) noexcept {
    std::memset(text_, '0', kMaxDigits);
    first_ = kMaxDigits - static_cast<int>(digits.size());
    std::memcpy(text_ + first_, digits.data(), digits.size());
  }

  std::string_view digits() const noexcept {
    return {text_ + first_, static_cast<std::size_t>(kMaxDigits - first_)};
  }

  // Writes the digits and the trailer at out (room for kCopyBytes + 8 bytes
  // needed there) and returns the end of the trailer.
  char* CopyTo(char* out) const noexcept {
    std::memcpy(out, text_ + first_, kCopyBytes);
    return out + (kMaxDigits - first_) + trailerLength_;
  }

  // Adds a small value (below 10).
  void Increase(unsigned small) noexcept {
    unsigned carry = 0;
    int at = kMaxDigits - 8;
    Store(at, AddEight(Load(at), small, carry));
    for (at -= 8; carry != 0; at -= 8) Store(at, AddEight(Load(at), 0, carry));
    GrowIfCarried();
  }

  // Subtracts a small value (below 10), which must not exceed this one.
  void Decrease(unsigned small) noexcept {
    unsigned borrow = 0;
    int at = kMaxDigits - 8;
    Store(at, SubtractEight(Load(at), small, borrow));
    for (at -= 8; borrow != 0; at -= 8) Store(at, SubtractEight(Load(at), 0, borrow));
    ShrinkPastZeros();
  }

  // Adds other.
  void Add(const DigitText& other) noexcept {
    unsigned carry = 0;
    int at = kMaxDigits - 8;
    for (; at >= (other.first_ & ~7); at -= 8) Store(at, AddEight(Load(at), other.Load(at), carry));
    for (; carry != 0; at -= 8) Store(at, AddEight(Load(at), 0, carry));
    if (other.first_ < first_) first_ = other.first_;
    GrowIfCarried();
  }

  // Subtracts other, which must not exceed this value.
  void Subtract(const DigitText& other) noexcept {
    unsigned borrow = 0;
    int at = kMaxDigits - 8;
    for (; at >= (other.first_ & ~7); at -= 8) {
      Store(at, SubtractEight(Load(at), other.Load(at), borrow));
    }
    for (; borrow != 0; at -= 8) Store(at, SubtractEight(Load(at), 0, borrow));
    ShrinkPastZeros();
  }

 private:
  static constexpr std::uint64_t kEachByte = 0x0101'0101'0101'0101ULL;
  // Added to each byte of a sum so that a digit sum of ten or more carries
  // out of its byte: 0xF6 + 10 = 0x100.
  static constexpr std::uint64_t kCarryAtTen = 0xF6 * kEachByte;

  static std::uint64_t ByteSwap(std::uint64_t value) noexcept {
#if defined(__GNUC__)
    return __builtin_bswap64(value);
#else
    value = ((value & 0x00FF'00FF'00FF'00FFULL) << 8) | ((value >> 8) & 0x00FF'00FF'00FF'00FFULL);
    value = ((value & 0x0000'FFFF'0000'FFFFULL) << 16) | ((value >> 16) & 0x0000'FFFF'0000'FFFFULL);
    return (value << 32) | (value >> 32);
#endif
  }

  // Eight digits from text_[at], as digit values 0..9 with the last digit in
  // the lowest byte, so that carries run the way the word's own do.
  std::uint64_t Load(int at) const noexcept {
    std::uint64_t word;
    std::memcpy(&word, text_ + at, sizeof word);
    if constexpr (std::endian::native == std::endian::little) word = ByteSwap(word);
    return word - '0' * kEachByte;
  }
  void Store(int at, std::uint64_t digits) noexcept {
    std::uint64_t word = digits + '0' * kEachByte;
    if constexpr (std::endian::native == std::endian::little) word = ByteSwap(word);
    std::memcpy(text_ + at, &word, sizeof word);
  }

  // a + b + carry, eight digits each; carry becomes the carry out.
  static std::uint64_t AddEight(std::uint64_t a, std::uint64_t b, unsigned& carry) noexcept {
    // At most 18 per byte: no byte carries yet.
    const std::uint64_t plain = a + b;
    const std::uint64_t sum = plain + kCarryAtTen + carry;
    carry = sum < plain ? 1 : 0;
    // A byte that carried holds its digit; one that did not holds digit + 0xF6.
    const std::uint64_t uncarried = (sum >> 7) & kEachByte;
    return sum - uncarried * 0xF6;
  }

  // a - b - borrow, eight digits each; borrow becomes the borrow out.
  static std::uint64_t SubtractEight(std::uint64_t a, std::uint64_t b, unsigned& borrow) noexcept {
    const std::uint64_t difference = a - b - borrow;
    borrow = a < b + borrow ? 1 : 0;
    // A byte that borrowed holds its digit + 0xF6 (10 less 0x100).
    const std::uint64_t borrowed = (difference >> 7) & kEachByte;
    return difference - borrowed * 0xF6;
  }

  void GrowIfCarried() noexcept {
    if (text_[first_ - 1] != '0') --first_;
  }
  void ShrinkPastZeros() noexcept {
    while (first_ < kMaxDigits - 1 && text_[first_] == '0') ++first_;
  }

  // kMaxDigits digits, the trailer, and room for CopyTo's fixed-size read.
  char text_[kMaxDigits + 8 + kCopyBytes];
  int first_ = kMaxDigits - 1;
  int trailerLength_;
};

}  // namespace morvane
