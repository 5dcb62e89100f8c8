// The parts of the engine tests' support that Windows does its own way:
// temporary folders from the Windows API, the system's reasons, and the records a run ought to
// write from GCC's 128-bit integers, which hold every square below the
// program's bound, in place of GMP.
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

namespace {

__extension__ using Int128 = __int128;
__extension__ using Uint128 = unsigned __int128;

Int128 Parsed(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  Int128 value = 0;
  for (const char digit : text) value = value * 10 + (digit - '0');
  return negative ? -value : value;
}

// As FormatNumber writes a whole number: a blank before values >= 0.
std::string Formatted(Int128 value) {
  const bool negative = value < 0;
  Uint128 magnitude = negative ? -static_cast<Uint128>(value) : static_cast<Uint128>(value);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  digits.insert(digits.begin(), negative ? '-' : ' ');
  return digits;
}

}  // namespace

std::string ExpectedRecords(std::string_view first, std::string_view last) {
  std::string records;
  Int128 previousSquare = 0;
  const Int128 end = Parsed(last);
  for (Int128 n = Parsed(first); n <= end; ++n) {
    const Int128 square = n * n;
    records += Formatted(n) + " , " + Formatted(square) + " , " + Formatted(square - previousSquare) + "\r\n";
    previousSquare = square;
  }
  return records;
}

}  // namespace morvane::enginetest
