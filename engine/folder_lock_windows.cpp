#include "engine/folder_lock_windows.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace morvane::windows {

namespace {

// 64-bit FNV-1a over the path's UTF-16 units: any two folders' paths differ
// in their hash but by a chance no run will meet.
std::uint64_t Hash(std::wstring_view text) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const wchar_t unit : text) {
    for (const unsigned byte : {unsigned(unit) & 0xffU, unsigned(unit) >> 8}) {
      hash = (hash ^ byte) * 1099511628211ULL;
    }
  }
  return hash;
}

// Windows' file names do not tell case apart.
std::wstring Uppercase(std::wstring_view text) {
  std::wstring upper(text);
  if (upper.empty()) return upper;
  const int length = static_cast<int>(upper.size());
  ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(), length, upper.data(), length, nullptr, nullptr,
                  0);
  return upper;
}

}  // namespace

std::wstring FolderLockName(const FolderIdentity& folder) {
  wchar_t name[80];
  const bool known = std::any_of(folder.file.begin(), folder.file.end(), [](unsigned char byte) { return byte != 0; });
  if (!known) {
    std::swprintf(name, std::size(name), L"Global\\Morvane-folder-path-%016llx",
                  static_cast<unsigned long long>(Hash(Uppercase(folder.path))));
    return name;
  }
  int length = std::swprintf(name, std::size(name), L"Global\\Morvane-folder-%016llx-",
                             static_cast<unsigned long long>(folder.volume));
  for (const unsigned char byte : folder.file) {
    length += std::swprintf(name + length, std::size(name) - static_cast<std::size_t>(length), L"%02x", byte);
  }
  return name;
}

}  // namespace morvane::windows
