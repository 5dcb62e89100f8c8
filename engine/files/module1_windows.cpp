#include <windows.h>

#include "engine/files/module1.h"
#include "engine/files/windows_paths.h"

namespace morvane::Module1 {

bool FileExists(const std::string& path) noexcept {
  std::wstring wide;
  if (windows::WidePath(path, wide) != 0) return false;
  // No access at all, so that the open needs no right to the file, and every
  // share mode, so that no handle another program holds, whatever it shares,
  // makes the file look missing; backup semantics let a folder be opened,
  // and a link (a reparse point) is opened itself, not followed.
  const HANDLE handle =
      ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(handle);
  return true;
}

}  // namespace morvane::Module1
