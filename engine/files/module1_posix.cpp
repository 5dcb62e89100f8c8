#include "engine/files/module1.h"

#include <sys/stat.h>

namespace morvane::Module1 {

bool FileExists(const std::string& path) noexcept {
  // lstat, not stat: a dangling link at the file's name would otherwise count
  // as absent, and creating the file would follow it out of the folder.
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

}  // namespace morvane::Module1
