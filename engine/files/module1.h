// Module1: the program's file-existence test.
//
// Opening a file of the series asks it first whether something already has
// the file's name, so that the old one can be deleted and the new one created
// empty.
#pragma once

#include <string>

namespace morvane::Module1 {

// True when the path names an existing directory entry of any kind: a file, a
// folder, or a symbolic link (the link itself, even one that points nowhere,
// so that it is deleted rather than followed). Any failure of the test itself
// gives false; it never throws.
bool FileExists(const std::string& path) noexcept;

}  // namespace morvane::Module1
