// A second copy of the program, for the test of one run per folder across
// processes: runs from 1 to 3, ten lines a file, in the folder named on its
// command line, as the program runs in its own folder, and writes each
// message the run shows on a line of standard output.
//   second_copy.exe FOLDER
#include <cstdio>
#include <string>

#include "engine/files/native_file_system.h"
#include "engine/generator.h"
#include "engine/files/windows_text.h"
#include "tests/engine/engine_test_support.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: second_copy FOLDER\n", stderr);
    return 2;
  }
  morvane::enginetest::FakeRunView view;
  // Not = "3": of that GCC 12 at -O3 warns falsely (-Wrestrict).
  view.to = std::string("3");
  view.linesPerFile = std::string("10");
  morvane::Generator(view, morvane::windows::Utf8(argv[1]), morvane::SystemFileSystem()).PD();
  for (const auto& message : view.messages) std::printf("%s\n", message.text.c_str());
  return 0;
}
