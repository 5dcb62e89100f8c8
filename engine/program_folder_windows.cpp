#include <windows.h>

#include <system_error>

#include "engine/program_folder.h"
#include "engine/windows_paths.h"

namespace morvane {

std::string ProgramFolder() {
  // The path may be longer than MAX_PATH; a path cut short to the room given
  // fills it, so the room grows until the path fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) throw std::system_error(static_cast<int>(::GetLastError()), std::system_category());
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
  if (folder.ends_with(L':')) folder += L'\\';
  return windows::Utf8(folder);
}

}  // namespace morvane
