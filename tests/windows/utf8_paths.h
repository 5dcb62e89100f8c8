// Paths in the tests for Windows: the engine names files in UTF-8, which
// std::filesystem on Windows takes only as char8_t text (a plain string
// would be read in the ANSI code page).
#pragma once

#include <filesystem>
#include <string>

namespace morvane::windowstest {

inline std::filesystem::path PathOf(const std::string& utf8) { return std::u8string(utf8.begin(), utf8.end()); }

inline std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace morvane::windowstest
