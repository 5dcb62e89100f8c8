#include "tests/engine/engine_test_support.h"

#ifndef _WIN32
#include <stdlib.h>
#include <sys/mount.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace morvane::enginetest {

WholeRunArithmetic ArithmeticUnderTest() {
  const char* chosen = std::getenv("MORVANE_TEST_ARITHMETIC");
  return chosen && std::string_view(chosen) == "decimal" ? WholeRunArithmetic::kDecimal
                                                          : WholeRunArithmetic::kIncremental;
}

// Windows: TempFolder's making and removal and ReasonFor are in
// engine_test_support_windows.cpp.
#ifndef _WIN32
TempFolder::TempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/morvane-engine-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::TempFolder(std::string_view fileSystem, std::string_view size) : TempFolder() {
  if (fileSystem == "tmpfs") {
    const std::string options = "size=" + std::string(size);
    mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    return;
  }
  image_ = path_ + ".img";
  const std::string quiet = " >/dev/null 2>&1";
  mounted_ = std::system(("truncate -s " + std::string(size) + " '" + image_ + "'" + quiet).c_str()) == 0 &&
             std::system(("mkfs." + std::string(fileSystem) + " -q '" + image_ + "'" + quiet).c_str()) == 0 &&
             std::system(("mount -o loop '" + image_ + "' '" + path_ + "'" + quiet).c_str()) == 0;
}

TempFolder::~TempFolder() {
  if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  if (!image_.empty()) std::filesystem::remove(image_, ignored);
}
#endif

std::vector<std::string> TempFolder::Names() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

#ifndef _WIN32
std::string ReasonFor(Refusal refusal) {
  switch (refusal) {
    case Refusal::kNameTaken:
      return "File exists";
    case Refusal::kNoSuchFolder:
      return "No such file or directory";
    case Refusal::kNotAFolder:
      return "Not a directory";
  }
  return {};
}
#endif

int FailingFileSystem::Next(Operation operation) {
  operations_.push_back(operation);
  const int index = static_cast<int>(operations_.size());
  const bool fails = failAt_ > 0 && (index == failAt_ || (persistent_ && index > failAt_));
  return fails ? error_ : 0;
}

int FailingFileSystem::Unlink(const std::string& path) noexcept {
  if (const int error = Next(Operation::kUnlink)) return error;
  return real_.Unlink(path);
}

int FailingFileSystem::CreateNew(const std::string& path, FileHandle& file) noexcept {
  if (const int error = Next(Operation::kOpen)) return error;
  const int error = real_.CreateNew(path, file);
  if (!error) {
    ++openFiles_;
    ++filesCreated_;
  }
  return error;
}

int FailingFileSystem::Write(FileHandle file, const char* data, std::size_t size, std::size_t& written) noexcept {
  written = 0;
  writeSizes_.push_back(size);
  if (const int error = Next(Operation::kWrite)) {
    if (takenBeforeFailing_ == 0 || size < 2) return error;
    const std::size_t part = std::min(takenBeforeFailing_, size - 1);
    takenBeforeFailing_ = 0;
    ++failAt_;
    size = part;
  }
  const int error = real_.Write(file, data, size, written);
  bytesWritten_ += written;
  return error;
}

int FailingFileSystem::Truncate(FileHandle file, std::uint64_t length) noexcept {
  if (const int error = Next(Operation::kTruncate)) return error;
  return real_.Truncate(file, length);
}

int FailingFileSystem::Close(FileHandle file) noexcept {
  const int error = Next(Operation::kClose);
  --openFiles_;
  const int realError = real_.Close(file);
  return error ? error : realError;
}

int FailingFileSystem::StartWriteBack(FileHandle file) noexcept {
  if (const int error = Next(Operation::kWriteBack)) return error;
  return real_.StartWriteBack(file);
}

int FailingFileSystem::FlushFile(FileHandle file) noexcept {
  if (const int error = Next(Operation::kFlushFile)) return error;
  return real_.FlushFile(file);
}

int FailingFileSystem::FlushClosedFiles(const std::string& folder) noexcept {
  if (const int error = Next(Operation::kFlushClosed)) return error;
  bytesFlushed_ = bytesWritten_;
  return real_.FlushClosedFiles(folder);
}

int FailingFileSystem::FlushFolder(const std::string& folder) noexcept {
  if (const int error = Next(Operation::kFlushFolder)) return error;
  return real_.FlushFolder(folder);
}

int FailingFileSystem::SpaceOf(const std::string& path, Space& result) noexcept {
  if (!space) return real_.SpaceOf(path, result);
  result = *space;
  result.available -= std::min(result.available, result.lagsBehindWrites ? bytesFlushed_ : bytesWritten_);
  result.filesAvailable -= std::min(result.filesAvailable, filesCreated_);
  return 0;
}

}  // namespace morvane::enginetest
