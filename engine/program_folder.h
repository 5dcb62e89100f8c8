// The program folder: the folder that holds the running program, and so
// where every output file goes.
#pragma once

#include <string>

namespace morvane {

// The folder of the running executable, as the system names it: its bytes
// as they are (on Windows, its name in UTF-8), whatever their encoding, so
// that the files go into that folder and no other. Without a trailing
// separator; the root stays "/", the only way to write it that still names
// it. Throws a Failure saying why when the system does not tell.
std::string ProgramFolder();

}  // namespace morvane
