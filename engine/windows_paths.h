// Paths between the engine and Windows: the engine names files in UTF-8,
// Windows' wide calls take UTF-16. Only the Windows build has this file.
#pragma once

#include <string>
#include <string_view>

namespace morvane::windows {

// The path as the wide calls take it: UTF-16, made absolute as the system
// makes a path absolute ("/" becomes "\", "." and ".." go), then given the
// "\\?\" form, which no 260-character limit applies to, so that a program in
// a deep folder still writes its files. Returns 0, or the system's error
// number: ERROR_NO_UNICODE_TRANSLATION for bytes that are not UTF-8, and
// ERROR_INVALID_NAME for a ':' past the drive, which would name a stream
// hidden inside a file rather than a file.
unsigned long WidePath(const std::string& path, std::wstring& wide);

// Text from the engine (UTF-8) in UTF-16 for the system's wide calls: the
// window's controls and message boxes. Bytes that are not UTF-8 become
// U+FFFD.
std::wstring Utf16(std::string_view text);

// UTF-16 from the system in UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8(std::wstring_view text);

}  // namespace morvane::windows
