// The program folder: where the running executable lives, and so where every
// output file goes.
#pragma once

#include <string>

namespace morvane {

// The folder of the running executable, without a trailing separator. The
// root folder stays "/", the only way to write it that still names it.
std::string ProgramFolder();

// dirPath without its trailing separators, "/" for the root.
std::string WithoutTrailingSeparator(std::string dirPath);

}  // namespace morvane
