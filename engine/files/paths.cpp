#include "engine/files/paths.h"

#include "engine/files/path_rules.h"

namespace morvane {

using path_rules::kForbiddenInName;
using path_rules::kLastForbiddenControl;
using path_rules::kSeparators;

std::string PathInFolder(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || kSeparators.find(path.back()) == std::string_view::npos) path += path_rules::kSeparator;
  path += name;
  return path;
}

std::string FolderOfPath(std::string_view path) {
  const std::size_t separator = path.find_last_of(kSeparators);
  if (separator == std::string_view::npos) return ".";
  std::string folder(path.substr(0, separator));
  // "/" alone, or a drive's root ("C:\"): "C:" would name the drive's
  // current folder instead.
  if (folder.empty() || folder.back() == ':') folder += path[separator];
  return folder;
}

std::size_t FirstForbiddenInName(std::string_view text) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if ((c >= 0 && c <= kLastForbiddenControl) || kForbiddenInName.find(c) != std::string_view::npos) return at;
  }
  return std::string_view::npos;
}

}  // namespace morvane
