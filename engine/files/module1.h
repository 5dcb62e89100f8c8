// Module1: the program's file-existence test.
//
// Opening a file of the series asks it first whether something already has
// the file's name, so that the old one can be deleted and the new one created
// empty.
#pragma once

#include <string>

namespace morvane::Module1 {

// True when anything has the path's name: a file, a folder, or a link by
// itself, whatever it points to or if it points nowhere. So a link at a
// file's name is deleted and replaced like any file, on both systems, and
// never written through: the file stays in the program folder. Any failure
// of the test itself gives false; it never throws.
bool FileExists(const std::string& path) noexcept;

}  // namespace morvane::Module1
