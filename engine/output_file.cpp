#include "engine/output_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "number/failure.h"

namespace morvane {

namespace {

// The folder part of a file's path, as the messages name it.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

OutputFile::OutputFile(FileSystem& files, std::size_t bufferBytes)
    : files_(files), reserve_(files), buffer_(new char[bufferBytes + kMaxReservedBytes]), capacity_(bufferBytes) {}

OutputFile::~OutputFile() { CloseQuietly(); }

void OutputFile::Open(std::string path) {
  path_ = std::move(path);
  used_ = 0;
  fileBytes_ = 0;
  reserve_.Watch(FolderOf(path_));
  if (!reserve_.Allows(0)) throw Failure(kDiskFullError, reserve_.RefusalText());
  if (files_.Exists(path_)) {
    if (const int error = files_.Unlink(path_)) Fail("Cannot delete", error);
  }
  FileHandle file = kNoFile;
  if (const int error = files_.OpenForAppend(path_, file)) Fail("Cannot create", error);
  file_ = file;
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
  } else {
    PassOn(bytes.data(), bytes.size());
  }
}

void OutputFile::CommitBeyondCapacity(std::size_t size) {
  // As Write: what is buffered goes first, then the new bytes are buffered
  // when they fit the capacity, else passed on at once.
  const char* const bytes = buffer_.get() + used_;
  Flush();
  if (size <= capacity_) {
    std::memmove(buffer_.get(), bytes, size);
    used_ = size;
  } else {
    PassOn(bytes, size);
  }
}

void OutputFile::Flush() {
  if (used_ == 0) return;
  const std::size_t size = used_;
  // What the system did not take is not offered again: the file now ends
  // at a whole record, and a later close must not put records after a gap.
  used_ = 0;
  PassOn(buffer_.get(), size);
}

void OutputFile::PassOn(const char* data, std::size_t size) {
  if (!reserve_.Allows(size)) throw Failure(kDiskFullError, reserve_.RefusalText());
  if (const WriteError failed = WriteAll(data, size)) FailWriting(failed);
}

void OutputFile::Close() {
  if (!is_open()) return;
  try {
    Flush();
  } catch (const Failure&) {
    files_.Close(file_);
    file_ = kNoFile;
    throw;
  }
  const int error = files_.Close(file_);
  file_ = kNoFile;
  if (error) Fail("Cannot close", error);
}

void OutputFile::CloseQuietly() noexcept {
  if (!is_open()) return;
  if (used_ > 0 && reserve_.Allows(used_)) WriteAll(buffer_.get(), used_);
  used_ = 0;
  files_.Close(file_);
  file_ = kNoFile;
}

OutputFile::WriteError OutputFile::WriteAll(const char* data, std::size_t size) noexcept {
  const std::lock_guard handingOver(handOver_);
  std::size_t taken = 0;
  while (taken < size) {
    std::size_t written = 0;
    int error = files_.Write(file_, data + taken, size - taken, written);
    // A system that takes nothing and reports nothing would loop for ever.
    if (!error && written == 0) error = EIO;
    if (error) return CutBack(data, taken, error);
    taken += written;
  }
  fileBytes_ += size;
  return {};
}

OutputFile::WriteError OutputFile::CutBack(const char* data, std::size_t taken, int error) noexcept {
  // The bytes handed over start at a record, so where they began is the end
  // of a whole record too when the system took no line end of theirs.
  const std::size_t lineEnd = std::string_view(data, taken).rfind('\n');
  const std::size_t whole = lineEnd == std::string_view::npos ? 0 : lineEnd + 1;
  WriteError failed{error, 0};
  if (whole < taken) failed.cutBackError = files_.Truncate(file_, fileBytes_ + whole);
  fileBytes_ += failed.cutBackError ? taken : whole;
  return failed;
}

void OutputFile::Fail(const char* action, int error) const {
  throw Failure(kFileAccessError, std::string(action) + " " + path_ + ": " + files_.ErrorText(error));
}

void OutputFile::FailWriting(WriteError failed) const {
  std::string description = "Cannot write " + path_ + ": " + files_.ErrorText(failed.error);
  if (failed.cutBackError) {
    description += "; cannot cut it back to its last whole record: " + files_.ErrorText(failed.cutBackError);
  }
  throw Failure(kFileAccessError, description);
}

}  // namespace morvane
