#include "engine/files/path_rules.h"

namespace morvane::path_rules {

const char kSeparator = '\\';
// Windows takes "/" as a separator too.
const std::string_view kSeparators = "\\/";
// ":" would name a stream hidden inside another file.
const std::string_view kForbiddenInName = "/\\<>:\"|?*";
const char kLastForbiddenControl = 31;

}  // namespace morvane::path_rules
