// FreeSpaceReserve: a run never fills the disk that holds its files.
//
// It keeps min(1 GiB, 5 % of the file system's size) free for the user's
// other programs. The output file asks it before bytes enter its buffer, and
// takes no more than it granted before asking again; a refusal ends the run
// with RefusalText(), e.g. "Stopped before the disk is full: only 812 MiB
// left in /home/ann/Morvane (the program keeps 1 GiB free)."
#pragma once

#include <algorithm>
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

  // What is kept free on a file system of this size.
  static std::uint64_t KeptOn(const FileSystem::Space& space) noexcept {
    return std::min(kMostKept, space.size / kPartsOfSizeKept);
  }
  // How many bytes the system could take there without eating into the
  // reserve. Less one block: the file's last block is taken whole however
  // little of it is written.
  static std::uint64_t HeadroomOn(const FileSystem::Space& space) noexcept {
    return Headroom(space.available, KeptOn(space), space.block);
  }

  // Keeps the reserve on the file system that holds folder.
  void Watch(std::string folder) { folder_ = std::move(folder); }

  // Asks the system for the free space: whether `bytes` more, after `pending`
  // bytes granted earlier and not yet handed to the system, still leave the
  // reserve free. If so, sets granted to how many bytes after the pending
  // ones may be taken before asking again: `bytes`, and half the headroom
  // they leave, at most kMostBytesBetweenChecks. Half, because other programs
  // may write as fast as the run does: asked rarely while far from the
  // reserve, and ever more often close to it.
  bool Grants(std::uint64_t bytes, std::uint64_t pending, std::uint64_t& granted) noexcept;

  // After a refusal: HeadroomOn the space the system told, pending bytes
  // included.
  std::uint64_t headroom() const noexcept { return Headroom(available_, kept_, block_); }

  // After a refusal and `written` more bytes handed to the system: names the
  // folder, what is left there and what is kept.
  std::string RefusalText(std::uint64_t written) const;

 private:
  static std::uint64_t Headroom(std::uint64_t available, std::uint64_t kept, std::uint64_t block) noexcept {
    return available > kept + block ? available - kept - block : 0;
  }

  FileSystem& files_;
  std::string folder_;
  // As the system told them at the last check.
  std::uint64_t available_ = 0;
  std::uint64_t kept_ = 0;
  std::uint64_t block_ = 0;
};

// A size for people: "0 bytes", "812 MiB", "1 GiB", "3.5 MiB"; rounded down,
// so that it never claims more than there is.
std::string SizeText(std::uint64_t bytes);

}  // namespace morvane
