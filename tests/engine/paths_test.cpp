// File names joined to the program folder, and the program folder taken from
// the program's path, with the system's separator: one between folder and
// name, never doubled at a root, and a root kept whole.
#include "engine/files/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace morvane {
namespace {

struct PathCase {
  std::string_view folder;
  std::string_view name;
  std::string_view path;
};

TEST(Paths, JoinAndSplitWithTheSystemsSeparatorAndKeepARootWhole) {
#ifdef _WIN32
  const PathCase joined[] = {
      {"C:\\", "Morvane-1-10.txt", "C:\\Morvane-1-10.txt"},
      {"C:\\Programs\\Morvane", "Morvane-1-10.txt", "C:\\Programs\\Morvane\\Morvane-1-10.txt"},
      {"C:/Programs/", "x.txt", "C:/Programs/x.txt"},
      {"\\\\server\\share", "x.txt", "\\\\server\\share\\x.txt"},
  };
  const PathCase split[] = {
      {"C:\\", "morvane.exe", "C:\\morvane.exe"},
      {"C:\\Programs\\Morvane", "morvane.exe", "C:\\Programs\\Morvane\\morvane.exe"},
      {"C:/", "morvane.exe", "C:/morvane.exe"},
      {"\\\\?\\C:\\", "morvane.exe", "\\\\?\\C:\\morvane.exe"},
      {".", "morvane.exe", "morvane.exe"},
  };
#else
  const PathCase joined[] = {
      {"/", "Morvane-1-10.txt", "/Morvane-1-10.txt"},
      {"/home/ann/Morvane", "Morvane-1-10.txt", "/home/ann/Morvane/Morvane-1-10.txt"},
      {"/home/ann/", "x.txt", "/home/ann/x.txt"},
  };
  const PathCase split[] = {
      {"/", "morvane", "/morvane"},
      {"/home/ann/Morvane", "morvane", "/home/ann/Morvane/morvane"},
      {".", "morvane", "morvane"},
      // "\" is a character of a POSIX name like any other.
      {".", "C:\\morvane", "C:\\morvane"},
  };
#endif
  for (const PathCase& c : joined) EXPECT_EQ(PathInFolder(c.folder, c.name), c.path) << c.folder;
  for (const PathCase& c : split) EXPECT_EQ(FolderOfPath(c.path), c.folder) << c.path;
}

}  // namespace
}  // namespace morvane
