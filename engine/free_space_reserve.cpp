#include "engine/free_space_reserve.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace morvane {

bool FreeSpaceReserve::Check(std::size_t bytes) noexcept {
  FileSystem::Space space;
  if (files_.SpaceOf(folder_, space) != 0 || space.size == 0) {
    // A file system that does not tell its space: only the system's own
    // errors can stop the run there. Asked again later all the same.
    uncheckedBytes_ = kMostBytesBetweenChecks;
    return true;
  }
  available_ = space.available;
  kept_ = std::min(kMostKept, space.size / kPartsOfSizeKept);
  if (available_ < kept_ || available_ - kept_ < bytes) {
    uncheckedBytes_ = 0;
    return false;
  }
  uncheckedBytes_ = std::min((available_ - kept_ - bytes) / 2, kMostBytesBetweenChecks);
  return true;
}

std::string FreeSpaceReserve::RefusalText() const {
  return "Stopped before the disk is full: only " + SizeText(available_) + " left in " + folder_ +
         " (the program keeps " + SizeText(kept_) + " free).";
}

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

}  // namespace morvane
