#include "engine/files/size_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <iterator>

namespace morvane {

std::string SizeText(std::uint64_t bytes) {
  static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  // In tenths of the largest unit that leaves a whole number of at least 1.
  std::size_t unit = 0;
  std::uint64_t scaled = bytes;
  while (scaled >= 1024 * 1024 && unit + 1 < std::size(kUnits)) {
    scaled /= 1024;
    ++unit;
  }
  const auto tenths = static_cast<unsigned long long>(scaled * 10 / 1024);
  char text[32];
  // A tenth matters below 10 units only.
  if (tenths < 100 && tenths % 10 != 0) {
    std::snprintf(text, sizeof text, "%llu.%llu %s", tenths / 10, tenths % 10, kUnits[unit]);
  } else {
    std::snprintf(text, sizeof text, "%llu %s", tenths / 10, kUnits[unit]);
  }
  return text;
}

std::string GroupedDigits(std::string_view number) {
  const std::size_t digitsBegin = number.starts_with('-') ? 1 : 0;
  const std::size_t digitsEnd = std::min(number.find('.'), number.size());
  std::string grouped(number.substr(0, digitsBegin));
  for (std::size_t at = digitsBegin; at < digitsEnd; ++at) {
    if (at > digitsBegin && (digitsEnd - at) % 3 == 0) grouped += ',';
    grouped += number[at];
  }
  return grouped.append(number.substr(digitsEnd));
}

std::string CountText(std::uint64_t count) { return GroupedDigits(std::to_string(count)); }

}  // namespace morvane
