#include "engine/files/native_file_system.h"

#include <fcntl.h>
#include <linux/btrfs.h>
#include <linux/btrfs_tree.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "engine/files/module1.h"

namespace morvane {

namespace {

// The folder itself, opened with access | O_DIRECTORY; -1 with errno set.
int OpenFolder(const std::string& folder, int access) {
  int opened;
  do {
    opened = ::open(folder.c_str(), access | O_DIRECTORY | O_CLOEXEC);
  } while (opened < 0 && errno == EINTR);
  return opened;
}

// Runs flush on the folder opened for reading; 0 or the error number. A
// folder the user may write to but not list cannot be opened for it: then
// sync() waits for every file system instead, which tells no errors.
int OnFolder(const std::string& folder, int (*flush)(int)) noexcept {
  const int opened = OpenFolder(folder, O_RDONLY);
  if (opened < 0 && errno == EACCES) {
    ::sync();
    return 0;
  }
  if (opened < 0) return errno;
  const int error = flush(opened) == 0 ? 0 : errno;
  ::close(opened);
  return error;
}

using FileSystemType = decltype(statfs::f_type);
constexpr FileSystemType kBtrfs = 0x9123683E;

// The file systems whose free space counts a write's room as soon as they
// take the write, delayed allocation included. Measured here: ext4, xfs and
// tmpfs told the same free space written or flushed; btrfs told hundreds of
// MiB more before a flush than after, on a disk of 512 MiB.
bool CountsWritesAsTaken(FileSystemType type) {
  constexpr FileSystemType kExt = 0xEF53;
  constexpr FileSystemType kXfs = 0x58465342;
  constexpr FileSystemType kTmpfs = 0x01021994;
  return type == kExt || type == kXfs || type == kTmpfs;
}

// btrfs cuts the chunks for its metadata (where small files' bytes live
// too) from the part of the disk that statfs counts as free for data, one
// chunk at a time in as many copies as the metadata keeps (two by
// default): statfs's free space drops by up to 128 MiB at once on a disk of
// 512 MiB, between two asks. Measured here: runs of ten-line files ended
// 5 MiB into a reserve of 25 MiB that way. Once its metadata is a quarter
// used, well before btrfs adds to it (at four fifths of its chunks used or
// reserved), the next chunk counts as spoken for: the size btrfs cuts (a tenth
// of the disk, at most 256 MiB, 1 GiB above 50 GiB, in steps of 16 MiB)
// times its copies, or what is left unallocated, if less. Asked as btrfs's
// own tools ask (BTRFS_IOC_SPACE_INFO); left alone where the metadata
// shares its chunks with the data, or the folder cannot be asked.
void AddBtrfsMetadataToCome(const std::string& folder, FileSystem::Space& space) {
  const int opened = OpenFolder(folder, O_RDONLY);
  if (opened < 0) return;
  // Data, metadata and the system's own chunks, in a few profiles each.
  constexpr std::size_t kMostKinds = 16;
  alignas(btrfs_ioctl_space_args) unsigned char room[sizeof(btrfs_ioctl_space_args) +
                                                     kMostKinds * sizeof(btrfs_ioctl_space_info)] = {};
  auto* const kinds = reinterpret_cast<btrfs_ioctl_space_args*>(room);
  kinds->space_slots = kMostKinds;
  const bool asked = ::ioctl(opened, BTRFS_IOC_SPACE_INFO, kinds) == 0;
  ::close(opened);
  if (!asked) return;
  std::uint64_t dataFree = 0;
  std::uint64_t metadataTotal = 0;
  std::uint64_t metadataUsed = 0;
  std::uint64_t copies = 1;
  for (std::uint64_t i = 0; i < std::min<std::uint64_t>(kinds->total_spaces, kMostKinds); ++i) {
    const btrfs_ioctl_space_info& kind = kinds->spaces[i];
    const bool data = kind.flags & BTRFS_BLOCK_GROUP_DATA;
    const bool metadata = kind.flags & BTRFS_BLOCK_GROUP_METADATA;
    if (data && metadata) return;
    if (data) dataFree += kind.total_bytes - std::min(kind.total_bytes, kind.used_bytes);
    if (!metadata) continue;
    metadataTotal += kind.total_bytes;
    metadataUsed += kind.used_bytes;
    if (kind.flags & BTRFS_BLOCK_GROUP_RAID1C4) copies = std::max<std::uint64_t>(copies, 4);
    if (kind.flags & BTRFS_BLOCK_GROUP_RAID1C3) copies = std::max<std::uint64_t>(copies, 3);
    if (kind.flags & (BTRFS_BLOCK_GROUP_DUP | BTRFS_BLOCK_GROUP_RAID1 | BTRFS_BLOCK_GROUP_RAID10)) {
      copies = std::max<std::uint64_t>(copies, 2);
    }
  }
  if (metadataUsed * 4 < metadataTotal) return;
  constexpr std::uint64_t kStep = std::uint64_t{16} << 20;
  const std::uint64_t most = space.size > (std::uint64_t{50} << 30) ? std::uint64_t{1} << 30 : std::uint64_t{256} << 20;
  const std::uint64_t chunk = (std::min(most, space.size / 10) + kStep - 1) / kStep * kStep;
  const std::uint64_t unallocated = space.available - std::min(space.available, dataFree);
  space.spokenFor = std::min(copies * chunk, unallocated);
}

}  // namespace

bool NativeFileSystem::Exists(const std::string& path) noexcept { return Module1::FileExists(path); }

int NativeFileSystem::Unlink(const std::string& path) noexcept {
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int NativeFileSystem::CreateNew(const std::string& path, FileHandle& file) noexcept {
  // O_EXCL: the name was just cleared, so whatever has it now was put there
  // behind our back, by another program; appending to its file, or following
  // its link out of the folder, is not ours to do. With O_EXCL a link is
  // never followed.
  int opened;
  do {
    opened = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
  } while (opened < 0 && errno == EINTR);
  if (opened < 0) return errno;
  file = opened;
  return 0;
}

int NativeFileSystem::Write(FileHandle file, const char* data, std::size_t size, std::size_t& written) noexcept {
  written = 0;
  ssize_t result;
  do {
    result = ::write(static_cast<int>(file), data, size);
  } while (result < 0 && errno == EINTR);
  if (result < 0) return errno;
  written = static_cast<std::size_t>(result);
  return 0;
}

int NativeFileSystem::Truncate(FileHandle file, std::uint64_t length) noexcept {
  int result;
  do {
    result = ::ftruncate(static_cast<int>(file), static_cast<off_t>(length));
  } while (result < 0 && errno == EINTR);
  return result == 0 ? 0 : errno;
}

int NativeFileSystem::Close(FileHandle file) noexcept {
  // Not retried on EINTR: on Linux the descriptor is gone either way, and a
  // second close could release one that another part of the program opened.
  return ::close(static_cast<int>(file)) == 0 ? 0 : errno;
}

int NativeFileSystem::StartWriteBack(FileHandle file) noexcept {
  // SYNC_FILE_RANGE_WRITE alone starts the write of the dirty pages and
  // returns; it promises nothing about the disk, which FlushClosedFiles does.
  return ::sync_file_range(static_cast<int>(file), 0, 0, SYNC_FILE_RANGE_WRITE) == 0 ? 0 : errno;
}

int NativeFileSystem::FlushFile(FileHandle file) noexcept {
  int result;
  do {
    result = ::fdatasync(static_cast<int>(file));
  } while (result < 0 && errno == EINTR);
  return result == 0 ? 0 : errno;
}

int NativeFileSystem::FlushClosedFiles(const std::string& folder) noexcept {
  // syncfs, not a list of the run's files to reopen and fdatasync one by
  // one: a run may write millions of files, and each fdatasync costs a
  // journal commit and a flush of the disk's cache. Measured here (ext4 on a
  // virtual disk, 1.4 GB, each file's write-back started at its close), the
  // run's writing and flushing took 0.9-2.1 s with one syncfs at the end,
  // 1.5-3.7 s with each file flushed a few files after its close, and in
  // files of 70 KB 5.5-7.5 s against 13-34 s. What syncfs also waits for,
  // other programs' unwritten files on the same disk, is rarely much. It
  // reports a write that failed on that file system and that no program has
  // been told of yet.
  return OnFolder(folder, ::syncfs);
}

int NativeFileSystem::FlushFolder(const std::string& folder) noexcept {
  return OnFolder(folder, [](int opened) {
    int result;
    do {
      result = ::fsync(opened);
    } while (result < 0 && errno == EINTR);
    // A file system that cannot flush a folder by itself (EINVAL) has had
    // it written with the rest by FlushClosedFiles.
    return result < 0 && errno == EINVAL ? 0 : result;
  });
}

int NativeFileSystem::HasName(FileHandle file, bool& named) noexcept {
  struct stat status {};
  if (::fstat(static_cast<int>(file), &status) != 0) return errno;
  named = status.st_nlink > 0;
  return 0;
}

int NativeFileSystem::LockFolder(const std::string& folder, FileHandle& lock, bool& heldElsewhere) noexcept {
  heldElsewhere = false;
  // Read-only and O_DIRECTORY: a folder needs no extra file to be locked,
  // and anything else at the name fails here.
  int opened = OpenFolder(folder, O_RDONLY);
  if (opened < 0 && errno == EACCES) {
    // A folder the user may write to but not list: still checked as a
    // folder, but it cannot be locked.
    opened = OpenFolder(folder, O_PATH);
    if (opened < 0) return errno;
    lock = opened;
    return 0;
  }
  if (opened < 0) return errno;
  // flock belongs to this open, so that a second open conflicts with it in
  // this process too. Other failures (a network file system that locks no
  // folders) leave the run unlocked rather than refused.
  int result;
  do {
    result = ::flock(opened, LOCK_EX | LOCK_NB);
  } while (result < 0 && errno == EINTR);
  if (result != 0 && errno == EWOULDBLOCK) {
    ::close(opened);
    heldElsewhere = true;
    return EWOULDBLOCK;
  }
  lock = opened;
  return 0;
}

void NativeFileSystem::UnlockFolder(FileHandle lock) noexcept { ::close(static_cast<int>(lock)); }

int NativeFileSystem::SpaceOf(const std::string& path, Space& space) noexcept {
  struct statfs status {};
  if (::statfs(path.c_str(), &status) != 0) return errno;
  // f_bavail, not f_bfree: the blocks kept for root are no use to the user
  // (Linux keeps no files for root: f_ffree is what statvfs's f_favail
  // tells).
  const std::uint64_t block = status.f_frsize ? status.f_frsize : status.f_bsize;
  space = Space{};
  space.available = static_cast<std::uint64_t>(status.f_bavail) * block;
  space.size = static_cast<std::uint64_t>(status.f_blocks) * block;
  space.block = block;
  space.filesAvailable = status.f_ffree;
  space.files = status.f_files;
  space.lagsBehindWrites = !CountsWritesAsTaken(status.f_type);
  if (status.f_type == kBtrfs) AddBtrfsMetadataToCome(path, space);
  return 0;
}

std::string NativeFileSystem::ErrorText(int error) const { return FileSystem::ErrorText(error); }

NativeFileSystem& SystemFileSystem() noexcept {
  static NativeFileSystem files;
  return files;
}

}  // namespace morvane
