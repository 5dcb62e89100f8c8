#include "engine/file_system.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "engine/module1.h"

namespace morvane {

bool PosixFileSystem::Exists(const std::string& path) noexcept { return Module1::FileExists(path); }

int PosixFileSystem::Unlink(const std::string& path) noexcept {
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int PosixFileSystem::OpenForAppend(const std::string& path, int& fd) noexcept {
  // O_NOFOLLOW: the name was just cleared, so a link there now was put there
  // behind our back, and following it would write outside the folder.
  int opened;
  do {
    opened = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0666);
  } while (opened < 0 && errno == EINTR);
  if (opened < 0) return errno;
  fd = opened;
  return 0;
}

int PosixFileSystem::Write(int fd, const char* data, std::size_t size, std::size_t& written) noexcept {
  written = 0;
  ssize_t result;
  do {
    result = ::write(fd, data, size);
  } while (result < 0 && errno == EINTR);
  if (result < 0) return errno;
  written = static_cast<std::size_t>(result);
  return 0;
}

int PosixFileSystem::Close(int fd) noexcept {
  // Not retried on EINTR: on Linux the descriptor is gone either way, and a
  // second close could release one that another part of the program opened.
  return ::close(fd) == 0 ? 0 : errno;
}

PosixFileSystem& SystemFileSystem() noexcept {
  static PosixFileSystem files;
  return files;
}

}  // namespace morvane
