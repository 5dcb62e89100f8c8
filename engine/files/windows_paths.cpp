#include "engine/files/windows_paths.h"

#include <windows.h>

namespace morvane::windows {

namespace {

// Refuses bytes that are not UTF-8: a path must name exactly one file.
unsigned long StrictUtf16(const std::string& text, std::wstring& wide) {
  wide.clear();
  if (text.empty()) return 0;
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (length == 0) return ::GetLastError();
  wide.resize(static_cast<std::size_t>(length));
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length);
  return 0;
}

unsigned long FullPath(const std::wstring& path, std::wstring& full) {
  full.resize(MAX_PATH);
  for (;;) {
    // Returns the length without the NUL when it fits, else the room needed
    // with the NUL.
    const DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return ::GetLastError();
    if (length < full.size()) {
      full.resize(length);
      return 0;
    }
    full.resize(length);
  }
}

bool IsDrive(std::wstring_view path) {
  return path.size() >= 2 && path[1] == L':' &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

}  // namespace

unsigned long WidePath(const std::string& path, std::wstring& wide) {
  std::wstring given;
  if (const unsigned long error = StrictUtf16(path, given)) return error;
  std::wstring full;
  if (const unsigned long error = FullPath(given, full)) return error;

  constexpr std::wstring_view kLong = L"\\\\?\\";
  std::wstring_view rest = full;
  if (rest.starts_with(kLong) || rest.starts_with(L"\\\\.\\")) rest.remove_prefix(kLong.size());
  if (IsDrive(rest)) rest.remove_prefix(2);
  if (rest.find(L':') != std::wstring_view::npos) return ERROR_INVALID_NAME;

  if (full.starts_with(kLong) || full.starts_with(L"\\\\.\\")) {
    wide = std::move(full);
  } else if (full.starts_with(L"\\\\")) {
    wide = L"\\\\?\\UNC\\" + full.substr(2);
  } else {
    wide = std::wstring(kLong) + full;
  }
  return 0;
}

}  // namespace morvane::windows
