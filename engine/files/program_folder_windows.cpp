#include <windows.h>

#include "engine/files/native_file_system.h"
#include "engine/files/paths.h"
#include "engine/files/program_folder.h"
#include "engine/files/windows_text.h"
#include "number/failure.h"

namespace morvane {

std::string ProgramFolder() {
  // The path may be longer than MAX_PATH; a path cut short to the room given
  // fills it, so the room grows until the path fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      throw Failure(kFileAccessError, "Cannot find the program's folder: " +
                                          SystemFileSystem().ErrorText(static_cast<int>(::GetLastError())));
    }
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return FolderOfPath(windows::Utf8(path));
}

}  // namespace morvane
