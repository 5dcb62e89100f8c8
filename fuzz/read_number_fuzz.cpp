// Fuzzes ReadNumber and IsNumericText with arbitrary bytes: no crash, no
// undefined behaviour, no read outside the text, and agreement with
// std::from_chars, which reads the same decimal and hexadecimal forms by
// rules of its own.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>

#include "number/failure.h"
#include "number/number_text.h"

namespace {

using morvane::Failure;

// What ReadNumber gave: a value, or the Overflow failure.
struct Reading {
  bool overflow = false;
  double value = 0;

  bool operator==(const Reading& other) const {
    // Bit for bit, so that -0 and 0 differ.
    return overflow == other.overflow &&
           (overflow || std::memcmp(&value, &other.value, sizeof value) == 0);
  }
};

Reading Read(std::string_view text) {
  try {
    const double value = morvane::ReadNumber(text);
    if (!std::isfinite(value)) std::abort();
    return {false, value};
  } catch (const Failure& failure) {
    if (failure.number() != morvane::kOverflowError) std::abort();
    return {true, 0};
  }
}

void Check(bool condition) {
  if (!condition) std::abort();
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

std::string WithoutBlanks(std::string_view text) {
  std::string cleaned;
  for (const char c : text) {
    if (!IsBlank(c)) cleaned += c;
  }
  return cleaned;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

Reading FromChars(std::string_view text, std::chars_format format, const char** stop = nullptr) {
  double value = 0;
  const std::from_chars_result result =
      std::from_chars(text.data(), text.data() + text.size(), value, format);
  if (stop != nullptr) *stop = result.ptr;
  if (result.ec == std::errc::invalid_argument) return {false, 0.0};
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars does not tell overflow from underflow; strtod in the "C"
    // locale (the fuzzer never sets another) does.
    const std::string copy(text.substr(0, static_cast<std::size_t>(result.ptr - text.data())));
    const double bound = format == std::chars_format::hex
                             ? std::strtod(("0x" + copy).c_str(), nullptr)
                             : std::strtod(copy.c_str(), nullptr);
    if (std::isinf(bound)) return {true, 0};
    return {false, std::copysign(0.0, bound)};
  }
  return {false, value};
}

// The octal digits as hexadecimal ones, bit for bit.
std::string OctalAsHex(std::string_view octal) {
  std::string bits;
  for (const char c : octal) {
    const int digit = c - '0';
    for (int bit = 2; bit >= 0; --bit) bits += static_cast<char>('0' + ((digit >> bit) & 1));
  }
  bits.insert(0, (4 - bits.size() % 4) % 4, '0');
  std::string hex;
  for (std::size_t at = 0; at < bits.size(); at += 4) {
    hex += "0123456789abcdef"[std::stoi(bits.substr(at, 4), nullptr, 2)];
  }
  return hex;
}

// What the text must read as, from the blank-free text by other means.
Reading Expected(const std::string& cleaned) {
  std::string_view rest = cleaned;
  if (!rest.empty() && rest.front() == '&') {
    rest.remove_prefix(1);
    const char letter = rest.empty() ? '\0' : rest.front();
    rest.remove_prefix(rest.empty() ? 0 : 1);
    if (letter == 'h' || letter == 'H') {
      rest = rest.substr(0, rest.find_first_not_of("0123456789abcdefABCDEF"));
      return FromChars(rest, std::chars_format::hex);
    }
    if (letter == 'o' || letter == 'O') {
      const std::string hex = OctalAsHex(rest.substr(0, rest.find_first_not_of("01234567")));
      return FromChars(hex, std::chars_format::hex);
    }
    return {false, 0.0};
  }
  // from_chars takes no plus sign, and reads "inf" and "nan", which are no
  // numbers here.
  if (!rest.empty() && rest.front() == '+') {
    rest.remove_prefix(1);
    if (!rest.empty() && rest.front() == '-') return {false, 0.0};
  }
  const std::string_view unsigned_part = rest.substr(!rest.empty() && rest.front() == '-');
  if (!unsigned_part.empty() && std::strchr("iInN", unsigned_part.front()) != nullptr) {
    return {false, 0.0};
  }
  return FromChars(rest, std::chars_format::general);
}

// A text that IsNumericText accepts is read to its end by ReadNumber's own
// rules, or up to its first comma; from_chars must reach the same place.
void CheckNumericText(std::string_view text) {
  const std::string_view trimmed = Trimmed(text);
  Check(!trimmed.empty());
  Check(WithoutBlanks(trimmed) == trimmed);
  Check(Read(text) == Read(trimmed));
  const std::size_t comma = trimmed.find(',');
  if (comma != std::string_view::npos) {
    Check(Read(trimmed) == Read(trimmed.substr(0, comma)));
    Check(morvane::IsNumericText(trimmed.substr(0, comma)));
    return;
  }
  std::string_view number = trimmed;
  if (number.front() == '&') {
    Check(number.size() > 2);
    const bool hex = number[1] == 'h' || number[1] == 'H';
    Check(number.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "01234567", 2) ==
          std::string_view::npos);
    return;
  }
  if (number.front() == '+') number.remove_prefix(1);
  const char* stop = nullptr;
  (void)FromChars(number, std::chars_format::general, &stop);
  Check(stop == number.data() + number.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Reading reading = Read(text);
  Check(reading == Expected(WithoutBlanks(text)));
  // Nothing after the number changes what it reads as.
  Check(Read(std::string(text) + "#") == reading);
  if (morvane::IsNumericText(text)) CheckNumericText(text);
  return 0;
}
