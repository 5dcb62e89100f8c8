// The parts of the engine tests' support that Windows does its own way:
// temporary folders from the Windows API, and the system's reasons.
#include <windows.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

#include "engine/files/native_file_system.h"
#include "tests/engine/engine_test_support.h"
#include "tests/windows/utf8_paths.h"

namespace morvane::enginetest {

using windowstest::PathOf;
using windowstest::Utf8Of;

TempFolder::TempFolder() {
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path folder = base / ("morvane-engine-" + std::to_string(random()));
    if (std::filesystem::create_directory(folder)) {
      path_ = Utf8Of(folder);
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder in " + Utf8Of(base));
}

// A Windows program cannot mount a file system: mounted() stays false.
TempFolder::TempFolder(std::string_view, std::string_view) : TempFolder() {}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(PathOf(path_), ignored);
}

std::string ReasonFor(Refusal refusal) {
  switch (refusal) {
    case Refusal::kNameTaken:
      return SystemFileSystem().ErrorText(ERROR_FILE_EXISTS);
    case Refusal::kNoSuchFolder:
      return SystemFileSystem().ErrorText(ERROR_PATH_NOT_FOUND);
    case Refusal::kNotAFolder:
      return SystemFileSystem().ErrorText(ERROR_DIRECTORY);
  }
  return {};
}

}  // namespace morvane::enginetest
