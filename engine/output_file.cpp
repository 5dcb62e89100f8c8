#include "engine/output_file.h"

#include <cstring>
#include <utility>

#include "number/failure.h"

namespace morvane {

namespace {

// The file's own reasons for failing, where no system call failed. They are
// not the system's error numbers, whose meaning depends on the system.
constexpr char kNoFileOpen[] = "No file is open";
constexpr char kNothingTaken[] = "The system took none of the bytes and reported no error";

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
    if (const int error = files_.Unlink(path_)) Fail("Cannot delete", files_.ErrorText(error));
  }
  FileHandle file = kNoFile;
  if (const int error = files_.CreateNew(path_, file)) Fail("Cannot create", files_.ErrorText(error));
  file_ = file;
}

void OutputFile::Write(std::string_view bytes) {
  if (!is_open()) FailNotOpen();
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
  if (error) Fail("Cannot close", files_.ErrorText(error));
}

void OutputFile::CloseQuietly() noexcept {
  if (!is_open()) return;
  if (used_ > 0 && reserve_.Allows(used_)) WriteAll(buffer_.get(), used_);
  used_ = 0;
  files_.Close(file_);
  file_ = kNoFile;
}

OutputFile::WriteError OutputFile::WriteAll(const char* data, std::size_t size) noexcept {
  std::size_t taken = 0;
  while (taken < size) {
    std::size_t written = 0;
    if (const int error = files_.Write(file_, data + taken, size - taken, written)) {
      return CutBack(data, taken, {error});
    }
    // A system that takes nothing and reports nothing would loop for ever.
    if (written == 0) return CutBack(data, taken, {0, kNothingTaken});
    taken += written;
  }
  fileBytes_ += size;
  return {};
}

OutputFile::WriteError OutputFile::CutBack(const char* data, std::size_t taken, WriteError failed) noexcept {
  // The bytes handed over start at a record, so where they began is the end
  // of a whole record too when the system took no line end of theirs.
  const std::size_t lineEnd = std::string_view(data, taken).rfind('\n');
  const std::size_t whole = lineEnd == std::string_view::npos ? 0 : lineEnd + 1;
  if (whole < taken) failed.cutBackError = files_.Truncate(file_, fileBytes_ + whole);
  fileBytes_ += failed.cutBackError ? taken : whole;
  return failed;
}

void OutputFile::Fail(const char* action, const std::string& reason) const {
  throw Failure(kFileAccessError, std::string(action) + " " + path_ + ": " + reason);
}

void OutputFile::FailNotOpen() const { Fail("Cannot write", kNoFileOpen); }

void OutputFile::FailWriting(WriteError failed) const {
  std::string reason = failed.reason ? failed.reason : files_.ErrorText(failed.error);
  if (failed.cutBackError) {
    reason += "; cannot cut it back to its last whole record: " + files_.ErrorText(failed.cutBackError);
  }
  Fail("Cannot write", reason);
}

}  // namespace morvane
