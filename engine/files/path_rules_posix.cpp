#include "engine/files/path_rules.h"

namespace morvane::path_rules {

const char kSeparator = '/';
const std::string_view kSeparators = "/";
// A backslash too, which Linux would take: a file named with one could not
// be copied to Windows as it is.
const std::string_view kForbiddenInName = "/\\";
const char kLastForbiddenControl = 0;

}  // namespace morvane::path_rules
