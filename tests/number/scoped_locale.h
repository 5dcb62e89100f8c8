// A locale whose decimal point is a comma, for tests that the number text
// rules ignore the C library's locale.
#pragma once

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace morvane {

// Puts the C library into a German locale, whose decimal point is a comma,
// for the scope of a test, building the locale with localedef in a temporary
// folder when the system has none installed.
class CommaLocale {
 public:
  CommaLocale() : saved_(std::setlocale(LC_ALL, nullptr)) {
    if (std::setlocale(LC_ALL, kName) == nullptr) {
      folder_ =
          std::filesystem::temp_directory_path() / ("morvane-locale-" + std::to_string(::getpid()));
      std::filesystem::create_directories(folder_);
      const std::string command =
          "localedef -i de_DE -f UTF-8 '" + (folder_ / kName).string() + "' >/dev/null 2>&1";
      if (std::system(command.c_str()) == 0) {
        ::setenv("LOCPATH", folder_.c_str(), 1);
        std::setlocale(LC_ALL, kName);
      }
    }
    active_ = std::strcmp(std::localeconv()->decimal_point, ",") == 0;
  }
  ~CommaLocale() {
    std::setlocale(LC_ALL, saved_.c_str());
    if (!folder_.empty()) {
      ::unsetenv("LOCPATH");
      std::error_code ignored;
      std::filesystem::remove_all(folder_, ignored);
    }
  }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;

  bool active() const { return active_; }

 private:
  static constexpr const char* kName = "de_DE.UTF-8";
  std::string saved_;
  std::filesystem::path folder_;
  bool active_ = false;
};

}  // namespace morvane
