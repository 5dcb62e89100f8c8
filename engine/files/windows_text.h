// Text between the program and Windows: the program's texts are UTF-8,
// Windows' wide calls take UTF-16, for files and windows alike. Only the
// Windows build has this file.
#pragma once

#include <string>
#include <string_view>

namespace morvane::windows {

// Text from the engine (UTF-8) in UTF-16 for the system's wide calls: the
// window's controls and message boxes. Bytes that are not UTF-8 become
// U+FFFD.
std::wstring Utf16(std::string_view text);

// UTF-16 from the system in UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8(std::wstring_view text);

}  // namespace morvane::windows
