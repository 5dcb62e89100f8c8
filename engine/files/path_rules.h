// The system's rules for paths, which paths.cpp applies: the separators it
// takes, the one it writes, and what a file's name may not hold. POSIX in
// path_rules_posix.cpp, Windows in path_rules_windows.cpp.
#pragma once

#include <string_view>

namespace morvane::path_rules {

// What the program writes between a folder and a name.
extern const char kSeparator;
// Every character the system reads as one.
extern const std::string_view kSeparators;
// The characters that cannot stand in a name, besides the control
// characters from NUL up to kLastForbiddenControl.
extern const std::string_view kForbiddenInName;
extern const char kLastForbiddenControl;

}  // namespace morvane::path_rules
