#include "engine/file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "engine/module1.h"

namespace morvane {

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

int PosixFileSystem::HasName(FileHandle file, bool& named) noexcept {
  struct stat status {};
  if (::fstat(static_cast<int>(file), &status) != 0) return errno;
  named = status.st_nlink > 0;
  return 0;
}

int PosixFileSystem::LockFolder(const std::string& folder, FileHandle& lock, bool& heldElsewhere) noexcept {
  heldElsewhere = false;
  const auto openFolder = [&folder](int access) {
    int opened;
    do {
      opened = ::open(folder.c_str(), access | O_DIRECTORY | O_CLOEXEC);
    } while (opened < 0 && errno == EINTR);
    return opened;
  };
  // Read-only and O_DIRECTORY: a folder needs no extra file to be locked,
  // and anything else at the name fails here.
  int opened = openFolder(O_RDONLY);
  if (opened < 0 && errno == EACCES) {
    // A folder the user may write to but not list: still checked as a
    // folder, but it cannot be locked.
    opened = openFolder(O_PATH);
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
