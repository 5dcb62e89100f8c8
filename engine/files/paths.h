// Paths as the engine builds them: a file's name in the program folder, and
// the folder a file is in, with the system's own separator, so that the
// messages name files as the system's other programs do.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace morvane {

// name in folder; a folder that ends in a separator (a root: "/", "C:\")
// gets no second one.
std::string PathInFolder(std::string_view folder, std::string_view name);

// The folder that holds path, without a trailing separator except where it
// is a root; "." when path names no folder. Windows also takes "/" as a
// separator.
std::string FolderOfPath(std::string_view path);

// Where text first holds a character that cannot stand in a file's name
// and mean one file in its folder, npos where none does: "/", "\" and NUL;
// on Windows also what it forbids in a name, < > : " | ? * and the control
// characters, of which ":" would name a stream hidden inside another file.
std::size_t FirstForbiddenInName(std::string_view text);

}  // namespace morvane
