// The program folder: the folder that holds the running executable, where
// every output file goes. It is written in UTF-8 without a trailing
// separator, except where the separator is all that names a root ("/", and
// "C:\" on Windows, where "C:" would name the drive's current folder).
#pragma once

#include <string>

namespace morvane {

std::string ProgramFolder();

}  // namespace morvane
