// The program folder: the folder that holds the running executable, and so
// where every output file goes.
#pragma once

#include <string>

namespace morvane {

// The folder of the running executable, as the system names it: on POSIX its
// bytes as they are, whatever their encoding; on Windows its name in UTF-8.
// So the files go into that folder and no other. Without a trailing
// separator, except where the separator is all that names a root ("/", and
// "C:\" on Windows, where "C:" would name the drive's current folder).
// Throws a Failure saying why when the system does not tell.
std::string ProgramFolder();

}  // namespace morvane
