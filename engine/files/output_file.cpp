#include "engine/files/output_file.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/files/paths.h"
#include "number/failure.h"

namespace morvane {

namespace {

// The file's own reasons for failing, where no system call failed. They are
// not the system's error numbers, whose meaning depends on the system.
constexpr char kNoFileOpen[] = "No file is open";
constexpr char kNothingTaken[] = "The system took none of the bytes and reported no error";
constexpr char kDeleted[] = "The file was deleted while it was being written";

// How much of bytes, which hold whole records, ends at a record's end
// within room bytes.
std::size_t WholeRecordsWithin(std::string_view bytes, std::uint64_t room) {
  if (bytes.size() <= room) return bytes.size();
  const std::size_t lineEnd = bytes.substr(0, static_cast<std::size_t>(room)).rfind('\n');
  return lineEnd == std::string_view::npos ? 0 : lineEnd + 1;
}

}  // namespace

OutputFile::OutputFile(FileSystem& files, std::size_t bufferBytes)
    : files_(files), reserve_(files), buffer_(new char[bufferBytes + kMaxReservedBytes]), capacity_(bufferBytes) {}

OutputFile::~OutputFile() { CloseQuietly(); }

void OutputFile::Open(std::string path) {
  path_ = std::move(path);
  used_ = 0;
  fileBytes_ = 0;
  // Asked at every file: the user's other programs may have filled the disk
  // or freed it since the last.
  reserve_.Watch(FolderOfPath(path_));
  if (!ReserveGrants(0, true, grantedBytes_)) throw Failure(kDiskFullError, reserve_.RefusalText(0));
  if (files_.Exists(path_)) {
    if (const int error = files_.Unlink(path_)) Fail("Cannot delete", files_.ErrorText(error));
  }
  FileHandle file = kNoFile;
  if (const int error = files_.CreateNew(path_, file)) Fail("Cannot create", files_.ErrorText(error));
  file_ = file;
  ++unflushedFiles_;
  UpdateLimit();
}

void OutputFile::Write(std::string_view bytes) {
  if (!is_open()) FailNotOpen();
  if (bytes.empty()) return;
  if (bytes.size() <= limit_ - used_) {
    std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
    return;
  }
  Take(bytes.data(), bytes.size());
}

void OutputFile::Take(const char* data, std::size_t size) {
  if (size > grantedBytes_ - fileBytes_ - used_) Grant(data, size);
  if (size <= capacity_ - used_) {
    std::memmove(buffer_.get() + used_, data, size);
    used_ += size;
  } else {
    // What is buffered goes first, then the new bytes are buffered when they
    // fit the capacity, else passed on at once.
    Flush();
    if (size <= capacity_) {
      std::memmove(buffer_.get(), data, size);
      used_ = size;
    } else {
      HandOver(data, size);
    }
  }
  UpdateLimit();
}

bool OutputFile::ReserveGrants(std::uint64_t bytes, bool newFile, std::uint64_t& granted) {
  using Answer = FreeSpaceReserve::Answer;
  const Answer answer = reserve_.Grants(bytes, {used_, unflushedBytes_, unflushedFiles_}, newFile, granted);
  if (answer != Answer::kFlushFirst) return answer == Answer::kGranted;
  // Every record formatted so far is handed over first, so that a program
  // that ends during the wait keeps them.
  Flush();
  diskWait_([this] {
    if (is_open()) {
      if (const int error = files_.FlushFile(file_)) Fail("Cannot write", files_.ErrorText(error));
    }
    PutClosedFilesOnDisk();
  });
  unflushedBytes_ = 0;
  unflushedFiles_ = is_open() ? 1 : 0;
  return reserve_.Grants(bytes, {used_, 0, unflushedFiles_}, newFile, granted) == Answer::kGranted;
}

void OutputFile::Grant(const char* data, std::size_t size) {
  std::uint64_t granted = 0;
  if (ReserveGrants(size, false, granted)) {
    grantedBytes_ = fileBytes_ + used_ + granted;
    return;
  }
  // The buffered records fit, unless other programs took the space since
  // the last grant.
  std::uint64_t room = reserve_.headroom();
  std::uint64_t written = 0;
  const std::size_t buffered = used_;
  used_ = 0;
  for (const std::string_view bytes : {std::string_view(buffer_.get(), buffered), std::string_view(data, size)}) {
    const std::size_t whole = WholeRecordsWithin(bytes, room);
    HandOver(bytes.data(), whole);
    written += whole;
    if (whole < bytes.size()) break;
    room -= whole;
  }
  throw Failure(kDiskFullError, reserve_.RefusalText(written));
}

void OutputFile::Flush() {
  if (used_ == 0) return;
  const std::size_t size = used_;
  // What the system did not take is not offered again: the file now ends
  // at a whole record, and a later close must not put records after a gap.
  used_ = 0;
  HandOver(buffer_.get(), size);
}

void OutputFile::HandOver(const char* data, std::size_t size) {
  const WriteError failed = WriteAll(data, size);
  UpdateLimit();
  if (failed) FailWriting(failed);
}

void OutputFile::UpdateLimit() noexcept {
  limit_ = static_cast<std::size_t>(std::min<std::uint64_t>(capacity_, grantedBytes_ - fileBytes_));
}

void OutputFile::Close() { CloseWith(&FileSystem::StartWriteBack); }

void OutputFile::CloseOnDisk() { CloseWith(&FileSystem::FlushFile); }

void OutputFile::CloseWith(int (FileSystem::*toDisk)(FileHandle) noexcept) {
  if (!is_open()) return;
  try {
    Flush();
  } catch (const Failure&) {
    Release();
    throw;
  }
  // A write to the disk that fails is told as any other: the file holds only
  // whole records, but which of them reached the disk nobody can say.
  const int diskError = (files_.*toDisk)(file_);
  // A file deleted behind the run's back, by another program, holds records
  // no one will find: never reported as saved.
  bool named = true;
  const int nameError = files_.HasName(file_, named);
  const int closeError = Release();
  if (!named) Fail("Cannot write", kDeleted);
  if (diskError) Fail("Cannot write", files_.ErrorText(diskError));
  if (const int error = nameError ? nameError : closeError) Fail("Cannot close", files_.ErrorText(error));
}

void OutputFile::PutClosedFilesOnDisk() {
  const std::string folder = FolderOfPath(path_);
  if (const int error = files_.FlushClosedFiles(folder)) {
    throw Failure(kFileAccessError, "Cannot write the files in " + folder + ": " + files_.ErrorText(error));
  }
  if (const int error = files_.FlushFolder(folder)) {
    throw Failure(kFileAccessError, "Cannot write the folder " + folder + ": " + files_.ErrorText(error));
  }
}

void OutputFile::CloseQuietly() noexcept {
  if (!is_open()) return;
  if (used_ > 0) WriteAll(buffer_.get(), used_);
  used_ = 0;
  Release();
}

int OutputFile::Release() noexcept {
  const int error = files_.Close(file_);
  file_ = kNoFile;
  limit_ = 0;
  return error;
}

OutputFile::WriteError OutputFile::WriteAll(const char* data, std::size_t size) noexcept {
  const std::lock_guard handingOver(handOver_);
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
  unflushedBytes_ += size;
  return {};
}

OutputFile::WriteError OutputFile::CutBack(const char* data, std::size_t taken, WriteError failed) noexcept {
  // The bytes handed over start at a record, so where they began is the end
  // of a whole record too when the system took no line end of theirs.
  const std::size_t lineEnd = std::string_view(data, taken).rfind('\n');
  const std::size_t whole = lineEnd == std::string_view::npos ? 0 : lineEnd + 1;
  if (whole < taken) failed.cutBackError = files_.Truncate(file_, fileBytes_ + whole);
  const std::size_t kept = failed.cutBackError ? taken : whole;
  fileBytes_ += kept;
  unflushedBytes_ += kept;
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
