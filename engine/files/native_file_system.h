// NativeFileSystem: the file system of the system the program runs on,
// through POSIX calls (native_file_system_posix.cpp) or Win32's wide calls
// (native_file_system_windows.cpp), where paths are UTF-8 here and UTF-16 to
// the system and the error numbers GetLastError's. Every error number's text
// is the system's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/files/file_system.h"

namespace morvane {

class NativeFileSystem : public FileSystem {
 public:
  bool Exists(const std::string& path) noexcept override;
  int Unlink(const std::string& path) noexcept override;
  int CreateNew(const std::string& path, FileHandle& file) noexcept override;
  int Write(FileHandle file, const char* data, std::size_t size, std::size_t& written) noexcept override;
  int Truncate(FileHandle file, std::uint64_t length) noexcept override;
  int Close(FileHandle file) noexcept override;
  int StartWriteBack(FileHandle file) noexcept override;
  int FlushFile(FileHandle file) noexcept override;
  int FlushClosedFiles(const std::string& folder) noexcept override;
  int FlushFolder(const std::string& folder) noexcept override;
  int HasName(FileHandle file, bool& named) noexcept override;
  int LockFolder(const std::string& folder, FileHandle& lock, bool& heldElsewhere) noexcept override;
  void UnlockFolder(FileHandle lock) noexcept override;
  int SpaceOf(const std::string& path, Space& space) noexcept override;
  std::string ErrorText(int error) const override;
};

// The one file system of the system the program runs on; it has no state.
NativeFileSystem& SystemFileSystem() noexcept;

}  // namespace morvane
