#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <memory>

#include "engine/files/native_file_system.h"
#include "engine/files/module1.h"
#include "engine/files/windows_paths.h"
#include "engine/files/windows_text.h"
#include "engine/files/write_back_windows.h"

namespace morvane {

namespace {

HANDLE Handle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

int LastError() { return static_cast<int>(::GetLastError()); }

// WriteFile counts in a DWORD; a larger hand-over is taken in part.
constexpr std::size_t kMostBytesPerWrite = std::size_t{1} << 30;

// One for the process: the files of every run go to the same thread.
WriteBack& BackgroundWriteBack() {
  static WriteBack writeBack;
  return writeBack;
}

}  // namespace

bool NativeFileSystem::Exists(const std::string& path) noexcept { return Module1::FileExists(path); }

int NativeFileSystem::Unlink(const std::string& path) noexcept {
  std::wstring wide;
  if (const unsigned long error = windows::WidePath(path, wide)) return static_cast<int>(error);
  // Removes a file or a link; a folder makes it fail with ERROR_ACCESS_DENIED.
  if (::DeleteFileW(wide.c_str())) return 0;
  if (::GetLastError() != ERROR_SHARING_VIOLATION) return LastError();
  // One of our own files still being flushed, from an earlier run or this
  // one's earlier file of the same name, is held open until it is on its
  // disk.
  BackgroundWriteBack().WaitUntilIdle();
  return ::DeleteFileW(wide.c_str()) ? 0 : LastError();
}

int NativeFileSystem::CreateNew(const std::string& path, FileHandle& file) noexcept {
  std::wstring wide;
  if (const unsigned long error = windows::WidePath(path, wide)) return static_cast<int>(error);
  // CREATE_NEW: the name was just cleared, so whatever has it now was put
  // there behind our back, and is kept rather than overwritten. Others may
  // read the file during the run, but not write, rename or delete it. The
  // file is new and only ever written at its end, so every write appends.
  const HANDLE handle =
      ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  file = reinterpret_cast<FileHandle>(handle);
  return 0;
}

int NativeFileSystem::Write(FileHandle file, const char* data, std::size_t size, std::size_t& written) noexcept {
  DWORD taken = 0;
  const BOOL ok =
      ::WriteFile(Handle(file), data, static_cast<DWORD>(std::min(size, kMostBytesPerWrite)), &taken, nullptr);
  written = taken;
  // A failing call that still took bytes counts as a short write, so that
  // the file's length stays what its writer counted; the next call fails
  // again and says why.
  return ok || taken > 0 ? 0 : LastError();
}

int NativeFileSystem::Truncate(FileHandle file, std::uint64_t length) noexcept {
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(length);
  if (!::SetFilePointerEx(Handle(file), end, nullptr, FILE_BEGIN) || !::SetEndOfFile(Handle(file))) {
    return LastError();
  }
  return 0;
}

int NativeFileSystem::Close(FileHandle file) noexcept { return ::CloseHandle(Handle(file)) ? 0 : LastError(); }

int NativeFileSystem::StartWriteBack(FileHandle file) noexcept {
  return static_cast<int>(BackgroundWriteBack().Start(Handle(file)));
}

int NativeFileSystem::FlushFile(FileHandle file) noexcept {
  return ::FlushFileBuffers(Handle(file)) ? 0 : LastError();
}

int NativeFileSystem::FlushClosedFiles(const std::string&) noexcept {
  return static_cast<int>(BackgroundWriteBack().Finish());
}

int NativeFileSystem::FlushFolder(const std::string&) noexcept { return 0; }

int NativeFileSystem::HasName(FileHandle file, bool& named) noexcept {
  // Nobody may delete the file while the run holds it (no FILE_SHARE_DELETE),
  // so this only says no when the system itself let it go.
  FILE_STANDARD_INFO standard;
  if (!::GetFileInformationByHandleEx(Handle(file), FileStandardInfo, &standard, sizeof standard)) return LastError();
  named = !standard.DeletePending && standard.NumberOfLinks > 0;
  return 0;
}

int NativeFileSystem::LockFolder(const std::string& folder, FileHandle& lock, bool& heldElsewhere) noexcept {
  heldElsewhere = false;
  if (folder.empty()) return ERROR_PATH_NOT_FOUND;
  std::wstring wide;
  if (const unsigned long error = windows::WidePath(folder, wide)) return static_cast<int>(error);
  // The folder itself is the lock, not a name for it, so that two copies
  // that reach it by different paths still meet, a drive letter made in
  // between included: held open for adding files, and shared with anyone
  // who does not, such as a file manager listing it. Another such open, the
  // next copy's, is refused with a sharing violation, by whichever user or
  // session, and the system closes the handle when the holder ends however
  // it ends.
  const HANDLE opened = ::CreateFileW(wide.c_str(), FILE_ADD_FILE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    const int error = LastError();
    if (error == ERROR_SHARING_VIOLATION) {
      heldElsewhere = true;
      return error;
    }
    // The last name missing is a folder the system cannot find, as when one
    // above it is missing.
    return error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error;
  }
  BY_HANDLE_FILE_INFORMATION information;
  int error = ::GetFileInformationByHandle(opened, &information) ? 0 : LastError();
  if (!error && !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) error = ERROR_DIRECTORY;
  if (error) {
    ::CloseHandle(opened);
    return error;
  }
  lock = reinterpret_cast<FileHandle>(opened);
  return 0;
}

void NativeFileSystem::UnlockFolder(FileHandle lock) noexcept { ::CloseHandle(Handle(lock)); }

int NativeFileSystem::SpaceOf(const std::string& path, Space& space) noexcept {
  std::wstring wide;
  if (const unsigned long error = windows::WidePath(path, wide)) return static_cast<int>(error);
  // A share's name needs its closing separator; any folder may have one.
  if (!wide.ends_with(L'\\')) wide += L'\\';
  // What the caller may use, as quotas allow, and the disk's whole size.
  ULARGE_INTEGER available;
  ULARGE_INTEGER size;
  if (!::GetDiskFreeSpaceExW(wide.c_str(), &available, &size, nullptr)) return LastError();
  space.available = available.QuadPart;
  space.size = size.QuadPart;
  // The cluster, the unit a file's length is taken in; unknown (0) where the
  // volume does not say, which only makes the reserve's count exact to a byte.
  space.block = 0;
  wchar_t root[MAX_PATH + 1];
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD clusters = 0;
  if (::GetVolumePathNameW(wide.c_str(), root, static_cast<DWORD>(std::size(root))) &&
      ::GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
    space.block = std::uint64_t{sectorsPerCluster} * bytesPerSector;
  }
  return 0;
}

std::string NativeFileSystem::ErrorText(int error) const {
  wchar_t* text = nullptr;
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0) return "Unknown error " + std::to_string(error);
  const std::unique_ptr<wchar_t, decltype(&::LocalFree)> owned(text, &::LocalFree);
  // The system's texts end in a line end, which the messages do not want.
  std::wstring_view description(text, length);
  while (!description.empty() && std::wcschr(L" \r\n", description.back())) description.remove_suffix(1);
  return windows::Utf8(description);
}

NativeFileSystem& SystemFileSystem() noexcept {
  static NativeFileSystem files;
  return files;
}

}  // namespace morvane
