// FileSystem: the few system calls an output file is made of.
//
// The output file calls the system only through this interface, so that tests
// can make any one of its calls fail with a chosen reason. Every call reports
// failure as the system's own error number (errno on POSIX, GetLastError on
// Windows; 0 for success), which ErrorText turns into the system's own words,
// and never throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace morvane {

// An open file as the system names it: a descriptor on POSIX, a HANDLE's
// value on Windows.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Whether anything has this name (Module1::FileExists on the real system).
  virtual bool Exists(const std::string& path) noexcept = 0;

  // Removes a file or link; a folder of that name must fail (EISDIR), never
  // be removed.
  virtual int Unlink(const std::string& path) noexcept = 0;

  // Creates the file if it is missing and opens it write-only for appending;
  // sets file on success.
  virtual int OpenForAppend(const std::string& path, FileHandle& file) noexcept = 0;

  // Writes up to size bytes and sets written to how many the system took; a
  // short write with result 0 is allowed. An interrupted call is retried here.
  virtual int Write(FileHandle file, const char* data, std::size_t size, std::size_t& written) noexcept = 0;

  // Cuts the file back to its first length bytes.
  virtual int Truncate(FileHandle file, std::uint64_t length) noexcept = 0;

  // Releases file, also when it reports a failure (as POSIX close does).
  virtual int Close(FileHandle file) noexcept = 0;

  // The file system that holds path, in bytes: what an ordinary user may
  // still write there, and its whole size (0 when it does not tell).
  struct Space {
    std::uint64_t available = 0;
    std::uint64_t size = 0;
  };
  virtual int SpaceOf(const std::string& path, Space& space) noexcept = 0;

  // The system's description of one of its error numbers, e.g. "No space
  // left on device".
  virtual std::string ErrorText(int error) const;
};

#ifdef _WIN32
// The real file system through Win32's wide calls: paths are UTF-8 here and
// UTF-16 to the system, error numbers GetLastError's, their texts the
// system's own (FormatMessageW).
class WindowsFileSystem : public FileSystem {
 public:
  bool Exists(const std::string& path) noexcept override;
  int Unlink(const std::string& path) noexcept override;
  int OpenForAppend(const std::string& path, FileHandle& file) noexcept override;
  int Write(FileHandle file, const char* data, std::size_t size, std::size_t& written) noexcept override;
  int Truncate(FileHandle file, std::uint64_t length) noexcept override;
  int Close(FileHandle file) noexcept override;
  int SpaceOf(const std::string& path, Space& space) noexcept override;
  std::string ErrorText(int error) const override;
};
using NativeFileSystem = WindowsFileSystem;
#else
// The real file system through POSIX calls.
class PosixFileSystem : public FileSystem {
 public:
  bool Exists(const std::string& path) noexcept override;
  int Unlink(const std::string& path) noexcept override;
  int OpenForAppend(const std::string& path, FileHandle& file) noexcept override;
  int Write(FileHandle file, const char* data, std::size_t size, std::size_t& written) noexcept override;
  int Truncate(FileHandle file, std::uint64_t length) noexcept override;
  int Close(FileHandle file) noexcept override;
  int SpaceOf(const std::string& path, Space& space) noexcept override;
};

using NativeFileSystem = PosixFileSystem;
#endif

// The one file system of the system the program runs on; it has no state.
NativeFileSystem& SystemFileSystem() noexcept;

}  // namespace morvane
