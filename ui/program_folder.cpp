#include "ui/program_folder.h"

#include <QCoreApplication>

namespace morvane {

std::string ProgramFolder() {
  // Qt resolves /proc/self/exe, so a program started through a link or from
  // PATH still writes next to its own file.
  return WithoutTrailingSeparator(QCoreApplication::applicationDirPath().toStdString());
}

std::string WithoutTrailingSeparator(std::string dirPath) {
  while (dirPath.size() > 1 && dirPath.back() == '/') dirPath.pop_back();
  return dirPath;
}

}  // namespace morvane
