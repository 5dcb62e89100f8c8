// Before the application object: loads Qt's X11 platform plugin from where
// Qt is about to, so that a library of the system that the plugin needs and
// the machine lacks is named, with the package that brings it. Qt itself
// says only that it "could not load the Qt platform plugin", and aborts.
#pragma once

#include <string>

namespace morvane {

// Returns once the plugin is loaded (Qt then finds it so), or when the
// environment chooses another platform or plugin folder, where Qt says
// itself what it could not load. Throws a Failure otherwise, holding the
// loader's own message and each library of the folder's table of system
// libraries that the system lacks, with its package.
void CheckPlatformPlugin(const std::string& programFolder);

}  // namespace morvane
