#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/files/paths.h"
#include "engine/files/program_folder.h"
#include "number/failure.h"

namespace morvane {

std::string ProgramFolder() {
  // Linux's link to the executable itself, so that a program started through
  // a link or from PATH still writes next to its own file. Its target is a
  // name of bytes: read through a Unicode string, one that is not valid
  // UTF-8 came out empty, and the files went into the root folder.
  std::string path(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length < 0) {
      throw Failure(kFileAccessError, std::string("Cannot find the program's folder: ") + std::strerror(errno));
    }
    // A name that fills the room may have been cut.
    if (static_cast<std::size_t>(length) < path.size()) {
      path.resize(static_cast<std::size_t>(length));
      break;
    }
    path.resize(path.size() * 2);
  }
  // The target is absolute and has no "." or ".." parts.
  return FolderOfPath(path);
}

}  // namespace morvane
