#include "engine/output_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "number/failure.h"

namespace morvane {

OutputFile::OutputFile(FileSystem& files, std::size_t bufferBytes)
    : files_(files), buffer_(new char[bufferBytes + kMaxReservedBytes]), capacity_(bufferBytes) {}

OutputFile::~OutputFile() { CloseQuietly(); }

void OutputFile::Open(std::string path) {
  path_ = std::move(path);
  used_ = 0;
  if (files_.Exists(path_)) {
    if (const int error = files_.Unlink(path_)) Fail("Cannot delete", error);
  }
  int fd = -1;
  if (const int error = files_.OpenForAppend(path_, fd)) Fail("Cannot create", error);
  fd_ = fd;
}

void OutputFile::Write(std::string_view bytes) {
  if (!is_open()) Fail("Cannot write", EBADF);
  if (bytes.empty()) return;
  if (bytes.size() <= capacity_ - used_) {
    std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
    return;
  }
  Flush();
  if (bytes.size() <= capacity_) {
    std::memcpy(buffer_.get(), bytes.data(), bytes.size());
    used_ = bytes.size();
  } else if (const int error = WriteAll(bytes.data(), bytes.size())) {
    Fail("Cannot write", error);
  }
}

void OutputFile::CommitBeyondCapacity(std::size_t size) {
  // As Write: what is buffered goes first, then the new bytes are buffered
  // when they fit the capacity, else passed on at once.
  const char* const bytes = buffer_.get() + used_;
  const std::size_t buffered = used_;
  used_ = 0;
  if (const int error = WriteAll(buffer_.get(), buffered)) Fail("Cannot write", error);
  if (size <= capacity_) {
    std::memmove(buffer_.get(), bytes, size);
    used_ = size;
  } else if (const int error = WriteAll(bytes, size)) {
    Fail("Cannot write", error);
  }
}

void OutputFile::Flush() {
  if (used_ == 0) return;
  const int error = WriteAll(buffer_.get(), used_);
  // What the system did not take stays unwritten; it is not offered again, so
  // a later close cannot put a record's tail after a gap.
  used_ = 0;
  if (error) Fail("Cannot write", error);
}

void OutputFile::Close() {
  if (!is_open()) return;
  int error = WriteAll(buffer_.get(), used_);
  used_ = 0;
  const char* action = "Cannot write";
  const int closeError = files_.Close(fd_);
  fd_ = -1;
  if (!error && closeError) {
    error = closeError;
    action = "Cannot close";
  }
  if (error) Fail(action, error);
}

void OutputFile::CloseQuietly() noexcept {
  if (!is_open()) return;
  WriteAll(buffer_.get(), used_);
  used_ = 0;
  files_.Close(fd_);
  fd_ = -1;
}

int OutputFile::WriteAll(const char* data, std::size_t size) noexcept {
  while (size > 0) {
    std::size_t written = 0;
    if (const int error = files_.Write(fd_, data, size, written)) return error;
    // A system that takes nothing and reports nothing would loop for ever.
    if (written == 0) return EIO;
    data += written;
    size -= written;
  }
  return 0;
}

void OutputFile::Fail(const char* action, int error) const {
  throw Failure(kFileAccessError, std::string(action) + " " + path_ + ": " + std::strerror(error));
}

}  // namespace morvane
