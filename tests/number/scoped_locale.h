// Locales switched for the scope of a test, for tests that the number text
// rules ignore the C library's locale.
#pragma once

#include <locale.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace morvane {

// Puts the C library into the locale name for the scope of a test and back
// into the one it was in after; inactive when the system has no such locale.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name) : saved_(std::setlocale(LC_ALL, nullptr)) {
    active_ = std::setlocale(LC_ALL, name) != nullptr;
  }
  ~ScopedLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

  bool active() const { return active_; }

 private:
  std::string saved_;
  bool active_ = false;
};

#ifdef _WIN32
// A German locale, whose decimal point is a comma, for the scope of a test;
// Windows' C library knows it by this name.
class CommaLocale {
 public:
  CommaLocale() : locale_("German_Germany.1252") {
    active_ = locale_.active() && std::strcmp(std::localeconv()->decimal_point, ",") == 0;
  }

  bool active() const { return active_; }

 private:
  ScopedLocale locale_;
  bool active_ = false;
};
#else
// A German locale, whose decimal point is a comma, for the scope of a test,
// built with localedef in a temporary folder when the system has none
// installed.
class CommaLocale {
 public:
  CommaLocale() {
    if (!Installed()) Build();
    locale_.emplace(kName);
    active_ = locale_->active() && std::strcmp(std::localeconv()->decimal_point, ",") == 0;
  }
  ~CommaLocale() {
    // Back to the saved locale before the built one's files go.
    locale_.reset();
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

  static bool Installed() {
    const locale_t locale = ::newlocale(LC_ALL_MASK, kName, nullptr);
    if (locale != nullptr) ::freelocale(locale);
    return locale != nullptr;
  }

  void Build() {
    folder_ = std::filesystem::temp_directory_path() / ("morvane-locale-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    const std::string command = "localedef -i de_DE -f UTF-8 '" + (folder_ / kName).string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) ::setenv("LOCPATH", folder_.c_str(), 1);
  }

  std::filesystem::path folder_;
  std::optional<ScopedLocale> locale_;
  bool active_ = false;
};
#endif

}  // namespace morvane
