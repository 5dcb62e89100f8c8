#include "engine/file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "engine/module1.h"

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

}  // namespace

bool PosixFileSystem::Exists(const std::string& path) noexcept { return Module1::FileExists(path); }

int PosixFileSystem::Unlink(const std::string& path) noexcept {
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int PosixFileSystem::CreateNew(const std::string& path, FileHandle& file) noexcept {
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

int PosixFileSystem::Write(FileHandle file, const char* data, std::size_t size, std::size_t& written) noexcept {
  written = 0;
  ssize_t result;
  do {
    result = ::write(static_cast<int>(file), data, size);
  } while (result < 0 && errno == EINTR);
  if (result < 0) return errno;
  written = static_cast<std::size_t>(result);
  return 0;
}

int PosixFileSystem::Truncate(FileHandle file, std::uint64_t length) noexcept {
  int result;
  do {
    result = ::ftruncate(static_cast<int>(file), static_cast<off_t>(length));
  } while (result < 0 && errno == EINTR);
  return result == 0 ? 0 : errno;
}

int PosixFileSystem::Close(FileHandle file) noexcept {
  // Not retried on EINTR: on Linux the descriptor is gone either way, and a
  // second close could release one that another part of the program opened.
  return ::close(static_cast<int>(file)) == 0 ? 0 : errno;
}

int PosixFileSystem::StartWriteBack(FileHandle file) noexcept {
  // SYNC_FILE_RANGE_WRITE alone starts the write of the dirty pages and
  // returns; it promises nothing about the disk, which FlushClosedFiles does.
  return ::sync_file_range(static_cast<int>(file), 0, 0, SYNC_FILE_RANGE_WRITE) == 0 ? 0 : errno;
}

int PosixFileSystem::FlushFile(FileHandle file) noexcept {
  int result;
  do {
    result = ::fdatasync(static_cast<int>(file));
  } while (result < 0 && errno == EINTR);
  return result == 0 ? 0 : errno;
}

int PosixFileSystem::FlushClosedFiles(const std::string& folder) noexcept {
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

int PosixFileSystem::FlushFolder(const std::string& folder) noexcept {
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

int PosixFileSystem::HasName(FileHandle file, bool& named) noexcept {
  struct stat status {};
  if (::fstat(static_cast<int>(file), &status) != 0) return errno;
  named = status.st_nlink > 0;
  return 0;
}

int PosixFileSystem::LockFolder(const std::string& folder, FileHandle& lock, bool& heldElsewhere) noexcept {
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

void PosixFileSystem::UnlockFolder(FileHandle lock) noexcept { ::close(static_cast<int>(lock)); }

int PosixFileSystem::SpaceOf(const std::string& path, Space& space) noexcept {
  struct statvfs status {};
  if (::statvfs(path.c_str(), &status) != 0) return errno;
  // f_bavail, not f_bfree: the blocks kept for root are no use to the user.
  const std::uint64_t block = status.f_frsize ? status.f_frsize : status.f_bsize;
  space.available = static_cast<std::uint64_t>(status.f_bavail) * block;
  space.size = static_cast<std::uint64_t>(status.f_blocks) * block;
  space.block = block;
  return 0;
}

PosixFileSystem& SystemFileSystem() noexcept {
  static PosixFileSystem files;
  return files;
}

}  // namespace morvane
