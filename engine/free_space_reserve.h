// FreeSpaceReserve: a run never fills the disk that holds its files.
//
// It keeps min(1 GiB, 5 % of the file system's size) free for the user's
// other programs. Before the output file hands bytes to the system it asks
// Allows(bytes); a refusal ends the run with RefusalText(), e.g. "Stopped
// before the disk is full: only 812 MiB left in /home/ann/Morvane (the
// program keeps 1 GiB free)."
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "engine/file_system.h"

namespace morvane {

class FreeSpaceReserve {
 public:
  static constexpr std::uint64_t kMostKept = std::uint64_t{1} << 30;
  static constexpr std::uint64_t kPartsOfSizeKept = 20;
  // Other programs may fill the disk too: however large the headroom, the
  // space is asked again after this many bytes of ours.
  static constexpr std::uint64_t kMostBytesBetweenChecks = std::uint64_t{16} << 20;

  explicit FreeSpaceReserve(FileSystem& files) : files_(files) {}

  // Keeps the reserve on the file system that holds folder, asking its free
  // space afresh at the next Allows.
  void Watch(std::string folder) {
    folder_ = std::move(folder);
    uncheckedBytes_ = 0;
  }

  // Whether the system may take `bytes` more and still leave the reserve
  // free. Asks the system only when the bytes since it last asked could have
  // eaten half the headroom it saw then, so that a run asks rarely while it
  // is far from the reserve and before every buffer close to it.
  bool Allows(std::size_t bytes) noexcept {
    if (bytes < uncheckedBytes_) {
      uncheckedBytes_ -= bytes;
      return true;
    }
    return Check(bytes);
  }

  // Names the folder, what was left there at the refusal and what is kept.
  std::string RefusalText() const;

 private:
  bool Check(std::size_t bytes) noexcept;

  FileSystem& files_;
  std::string folder_;
  std::uint64_t uncheckedBytes_ = 0;
  // As the system told them at the last check.
  std::uint64_t available_ = 0;
  std::uint64_t kept_ = 0;
};

// A size for people: "0 bytes", "812 MiB", "1 GiB", "3.5 MiB"; rounded down,
// so that it never claims more than there is.
std::string SizeText(std::uint64_t bytes);

}  // namespace morvane
