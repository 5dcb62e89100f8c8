#include "engine/files/module1.h"

#include <sys/stat.h>

namespace morvane::Module1 {

bool FileExists(const std::string& path) noexcept {
  // lstat, not stat: a link counts by itself, pointing anywhere or nowhere,
  // so that it is deleted and replaced like a file.
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

}  // namespace morvane::Module1
