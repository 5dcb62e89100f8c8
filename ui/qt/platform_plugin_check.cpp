#include "ui/qt/platform_plugin_check.h"

#include <dlfcn.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSettings>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

#include "number/failure.h"

namespace morvane {

namespace {

// Through these the user sends Qt to another platform or to other plugins:
// it may then never load the one checked here.
bool EnvironmentChoosesPlatform() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && *platform && !std::string_view(platform).starts_with("xcb")) return true;
  return std::getenv("QT_QPA_PLATFORM_PLUGIN_PATH") || std::getenv("QT_PLUGIN_PATH");
}

// As Qt finds it: a qt6.conf or qt.conf beside the program names the
// folder, relative to its Prefix, which is relative to the program's
// folder (Qt's defaults: "." and "plugins"); without either, the folder
// Qt was built with.
QString PluginsFolder(const QString& programFolder) {
  for (const QString& name : {QStringLiteral("qt6.conf"), QStringLiteral("qt.conf")}) {
    const QString path = programFolder + QLatin1Char('/') + name;
    if (!QFileInfo::exists(path)) continue;
    const QSettings conf(path, QSettings::IniFormat);
    const QDir prefix(QDir(programFolder).absoluteFilePath(conf.value("Paths/Prefix", ".").toString()));
    return QDir::cleanPath(prefix.absoluteFilePath(conf.value("Paths/Plugins", "plugins").toString()));
  }
  return QLibraryInfo::path(QLibraryInfo::PluginsPath);
}

// The libraries of the folder's table (a line "soname package" for each
// library that its files take from the system) that the system's loader
// cannot find, with the command that installs their packages; empty
// without a table. The loader names only the first library it misses, and
// the user would otherwise install them one start at a time.
std::string MissingLibrariesAdvice(const std::string& programFolder) {
  std::ifstream table(programFolder + "/" MORVANE_SYSTEM_LIBRARIES_FILE);
  std::string line;
  std::string libraries;
  std::string packages;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string library;
    std::string package;
    if (line.starts_with('#') || !(fields >> library >> package)) continue;
    // Those already loaded, Qt's own among them, cost nothing here.
    if (::dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL)) continue;
    // Not a library whose own dependency is missing: that one has a line too.
    if (!std::string_view(::dlerror()).starts_with(library + ": cannot open shared object file")) continue;
    libraries += (libraries.empty() ? "" : ", ") + library;
    packages += " " + package;
  }
  if (libraries.empty()) return {};
  return "\nThe system lacks " + libraries + "; on Debian and Ubuntu: sudo apt-get install" + packages;
}

}  // namespace

void CheckPlatformPlugin(const std::string& programFolder) {
  if (EnvironmentChoosesPlatform()) return;
  const QString plugin =
      PluginsFolder(QFile::decodeName(programFolder.c_str())) + QStringLiteral("/platforms/libqxcb.so");
  // Without the file Qt says itself that it found no plugin.
  if (!QFileInfo::exists(plugin)) return;
  const QByteArray path = QFile::encodeName(plugin);
  // Left loaded: Qt loads the same file right after and finds it there.
  // Every symbol is bound now, so that a library too old to have one is
  // told here too, not as a crash once the window is up.
  if (::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL)) return;
  const std::string loaderMessage = ::dlerror();
  throw Failure(kLibraryLoadError, "Cannot load Qt's X11 platform plugin " + path.toStdString() + ": " +
                                       loaderMessage + MissingLibrariesAdvice(programFolder));
}

}  // namespace morvane
