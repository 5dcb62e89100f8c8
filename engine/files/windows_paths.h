// Paths between the engine and Windows: the engine names files in UTF-8,
// Windows' wide calls take UTF-16, in a form of their own. Only the Windows
// build has this file.
#pragma once

#include <string>

namespace morvane::windows {

// The path as the wide calls take it: UTF-16, made absolute as the system
// makes a path absolute ("/" becomes "\", "." and ".." go), then given the
// "\\?\" form, which no 260-character limit applies to, so that a program in
// a deep folder still writes its files. Returns 0, or the system's error
// number: ERROR_NO_UNICODE_TRANSLATION for bytes that are not UTF-8, and
// ERROR_INVALID_NAME for a ':' past the drive, which would name a stream
// hidden inside a file rather than a file.
unsigned long WidePath(const std::string& path, std::wstring& wide);

}  // namespace morvane::windows
