// FreeSpaceReserve: a run never fills the disk that holds its files.
//
// It keeps min(1 GiB, 5 % of the file system's size) free for the user's
// other programs, and where the file system counts its files apart (the
// inodes of ext4), room for min(65,536, 5 % of them) more files. The output
// file asks it before bytes enter its buffer and before it creates a file,
// and takes no more than it granted before asking again; a refusal ends the
// run with RefusalText(), e.g. "Stopped before the disk is full: only 812
// MiB left in /home/ann/Morvane (the program keeps 1 GiB free)."
//
// Where the free space the system tells leaves out what it has been handed
// but not yet written to the disk (Space::lagsBehindWrites, as on btrfs),
// the bytes handed over since the files were last put on the disk count as
// taken. When that leaves too little, the reserve asks for the files to be
// put on the disk first (kFlushFirst), after which the system's figure is
// exact again.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "engine/files/file_system.h"

namespace morvane {

class FreeSpaceReserve {
 public:
  static constexpr std::uint64_t kMostKept = std::uint64_t{1} << 30;
  static constexpr std::uint64_t kPartsOfSizeKept = 20;
  // As many files as 1 GiB holds at ext4's default of one inode for every
  // 16 KiB: a reserve of files for other programs like the one of bytes.
  static constexpr std::uint64_t kMostFilesKept = kMostKept / (16 << 10);
  // Other programs may fill the disk too: however large the headroom, the
  // space is asked again after this many bytes of ours.
  static constexpr std::uint64_t kMostBytesBetweenChecks = std::uint64_t{16} << 20;

  enum class Answer { kGranted, kRefused, kFlushFirst };

  // What the output file has that the system may not count yet: the bytes in
  // its buffer, granted earlier and not yet handed over, and the bytes handed
  // over and the files created since the run's files were last put on the
  // disk, each of which takes its last block whole.
  struct Unseen {
    std::uint64_t buffered = 0;
    std::uint64_t unflushed = 0;
    std::uint64_t unflushedFiles = 0;
  };

  explicit FreeSpaceReserve(FileSystem& files) : files_(files) {}

  // What is kept free on a file system of this size.
  static std::uint64_t KeptOn(const FileSystem::Space& space) noexcept {
    return std::min(kMostKept, space.size / kPartsOfSizeKept);
  }
  static std::uint64_t FilesKeptOn(const FileSystem::Space& space) noexcept {
    return std::min(kMostFilesKept, space.files / kPartsOfSizeKept);
  }
  // What files can still have there: the free bytes less what the file
  // system has spoken for.
  static std::uint64_t UsableOn(const FileSystem::Space& space) noexcept {
    return space.available - std::min(space.available, space.spokenFor);
  }
  // How many bytes the system could take there without eating into the
  // reserve. Less one block: the file's last block is taken whole however
  // little of it is written.
  static std::uint64_t HeadroomOn(const FileSystem::Space& space) noexcept {
    return Headroom(UsableOn(space), KeptOn(space), space.block);
  }
  // How many more files could be created there without eating into the
  // reserve of files; as many as anyone wants where files are not counted.
  static std::uint64_t FileHeadroomOn(const FileSystem::Space& space) noexcept {
    if (space.files == 0) return ~std::uint64_t{0};
    const std::uint64_t kept = FilesKeptOn(space);
    return space.filesAvailable > kept ? space.filesAvailable - kept : 0;
  }

  // Keeps the reserve on the file system that holds folder.
  void Watch(std::string folder) { folder_ = std::move(folder); }

  // Asks the system for the free space: whether `bytes` more, after what is
  // unseen, still leave the reserve free, and with newFile whether one more
  // file does. If so, sets granted to how many bytes after the buffered ones
  // may be taken before asking again: `bytes`, and half the headroom they
  // leave, at most kMostBytesBetweenChecks. Half, because other programs may
  // write as fast as the run does: asked rarely while far from the reserve,
  // and ever more often close to it.
  Answer Grants(std::uint64_t bytes, Unseen unseen, bool newFile, std::uint64_t& granted) noexcept;

  // After a refusal: HeadroomOn the space the system told, buffered bytes
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
  // As the system told them at the last check, what the system does not see
  // yet taken off.
  std::uint64_t available_ = 0;
  std::uint64_t kept_ = 0;
  std::uint64_t block_ = 0;
  // The refusal was for a file, not for bytes.
  bool refusedFile_ = false;
  std::uint64_t filesAvailable_ = 0;
  std::uint64_t filesKept_ = 0;
};

}  // namespace morvane
