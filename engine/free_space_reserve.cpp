#include "engine/free_space_reserve.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace morvane {

bool FreeSpaceReserve::Grants(std::uint64_t bytes, std::uint64_t pending, std::uint64_t& granted) noexcept {
  FileSystem::Space space;
  if (files_.SpaceOf(folder_, space) != 0 || space.size == 0) {
    // A file system that does not tell its space: only the system's own
    // errors can stop the run there. Asked again later all the same.
    granted = bytes + kMostBytesBetweenChecks;
    return true;
  }
  available_ = space.available;
  kept_ = KeptOn(space);
  block_ = space.block;
  if (available_ < kept_) return false;
  const std::uint64_t room = headroom();
  if (room < pending || room - pending < bytes) return false;
  granted = bytes + std::min((room - pending - bytes) / 2, kMostBytesBetweenChecks);
  return true;
}

std::string FreeSpaceReserve::RefusalText(std::uint64_t written) const {
  // Asked afresh: the disk takes a file's last block whole, so only the
  // system knows what the written bytes took. Should it not tell, the
  // count since the last check, less a whole block, never claims too much.
  FileSystem::Space space;
  std::uint64_t left = available_ - std::min(available_, written + block_);
  if (files_.SpaceOf(folder_, space) == 0 && space.size != 0) left = space.available;
  return "Stopped before the disk is full: only " + SizeText(left) + " left in " + folder_ + " (the program keeps " +
         SizeText(kept_) + " free).";
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
