// OutputFile: one file of the series, written through a buffer of its own.
//
// Opening replaces whatever file has the name with a new empty one. Records
// are appended to the buffer, which goes to the system whenever it is full
// and when the file is closed. Every system call is checked: a failing one
// throws a Failure whose description names the file and gives the system's
// reason, e.g. "Cannot write /data/Morvane-1-10.txt: No space left on device".
//
// Records are lines, each given whole to Write or Commit. The file never ends
// inside one: should the system take part of a buffer and then fail, the file
// is cut back to the last line end it took before the failure is reported.
// Nor does the file eat the free space its folder's disk keeps for other
// programs (FreeSpaceReserve): bytes enter the buffer only as far as the
// reserve granted them, so that whatever the run has shown of its records
// is written even when it stops there. At the refusal the whole records
// that still fit above the reserve are written, and no more.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "engine/files/file_system.h"
#include "engine/files/free_space_reserve.h"

namespace morvane {

class OutputFile {
 public:
  // Every hand-over ends at a record, and so mostly inside a page, which
  // costs the system extra work on that page; at 256 KiB that is rare enough
  // to matter little, and the buffer still stays in the cache.
  static constexpr std::size_t kDefaultBufferBytes = 256 * 1024;
  // The most that may be written at Reserve's pointer.
  static constexpr std::size_t kMaxReservedBytes = 256;

  // Runs work, a wait for the disk that may take seconds, and returns once it
  // is done, passing on what it throws: by default right here.
  using DiskWait = std::function<void(const std::function<void()>& work)>;

  // The buffer is allocated here, once; a capacity of 0 sends every Write
  // straight to the system.
  explicit OutputFile(FileSystem& files, std::size_t bufferBytes = kDefaultBufferBytes);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Closes the file as CloseQuietly does.
  ~OutputFile();

  // Deletes an existing entry of that name (a folder makes this fail), then
  // creates the file new and empty, write-only for appending: should another
  // program put something at the name in between, that is a failure ("File
  // exists"), never an append to its file. Requires no open file. Refuses
  // before anything is deleted when the folder's disk is down to its reserve.
  void Open(std::string path);

  // Appends bytes. Throws when the system refuses the buffer it had to pass on
  // to make room, when the reserve refuses the bytes, or when no file is
  // open.
  void Write(std::string_view bytes);

  // Write without a copy, for a record formatted in place: returns room for
  // up to kMaxReservedBytes at the end of the buffered bytes, which Commit then
  // takes exactly as Write would have taken them. Throws when no file is open.
  char* Reserve() {
    if (!is_open()) FailNotOpen();
    return buffer_.get() + used_;
  }
  // What Reserve's pointer has room for before the buffer is full or the
  // reserve must be asked again: as much as that may be written there and
  // committed at once, beyond kMaxReservedBytes.
  std::size_t BytesBeforeFull() const noexcept { return limit_ - used_; }
  // Takes the bytes from Reserve's pointer up to end; throws as Write does.
  void Commit(const char* end) {
    const auto size = static_cast<std::size_t>(end - (buffer_.get() + used_));
    if (size <= limit_ - used_) {
      used_ += size;
    } else {
      Take(buffer_.get() + used_, size);
    }
  }

  // Passes the buffered records on to the system, the file staying open;
  // throws as Write does.
  void Flush();

  // Passes the buffer on, has the system start writing the file to its disk
  // (FileSystem::StartWriteBack) and releases the file; a file deleted since
  // it was opened is a failure, and so is a write the system reports
  // failed. The file is released even when this throws; closing when none
  // is open does nothing.
  void Close();
  // Close for the run's last file: waits until the file is on its disk
  // (FileSystem::FlushFile) before releasing it.
  void CloseOnDisk();

  // Close for the ways out on which a failure is already being reported or the
  // program is ending: passes on what it can (the buffer holds only what the
  // reserve granted) and ignores what goes wrong.
  void CloseQuietly() noexcept;

  // Waits until the data of every file closed before in the open file's
  // folder is on its disk, then the folder's entries (FlushClosedFiles,
  // FlushFolder); throws the Failure that tells a write that failed.
  void PutClosedFilesOnDisk();

  // How the reserve's waits for the disk are run, where the file system
  // counts the run's bytes only once they are on the disk: with the window
  // answering meanwhile.
  void WaitForDiskWith(DiskWait wait) { diskWait_ = std::move(wait); }

  bool is_open() const noexcept { return file_ != kNoFile; }
  // The bytes of the file last opened, those still in the buffer included.
  std::uint64_t length() const noexcept { return fileBytes_ + used_; }

  // For a process that another thread is about to end: waits up to `wait`
  // for a hand-over to the system in progress, and lets none begin after it
  // (one waits until the process has ended), so that the file ends at its
  // last whole record. What is still in the buffer is lost. False when the
  // hand-over in progress did not end in time. The one call that is safe
  // from another thread; the process must end right after it.
  bool StopHandingOver(std::chrono::milliseconds wait) noexcept { return handOver_.try_lock_for(wait); }

 private:
  // Why a hand-over failed: the system's error number, or a reason of the
  // file's own where the system reported none; and why cutting the file back
  // to a whole record failed too, if it did.
  struct WriteError {
    int error = 0;
    const char* reason = nullptr;
    int cutBackError = 0;
    explicit operator bool() const noexcept { return error != 0 || reason != nullptr; }
  };

  // Hands bytes that start at a record to the system until all are taken.
  WriteError WriteAll(const char* data, std::size_t size) noexcept;
  // After the system took `taken` bytes of data and then failed.
  WriteError CutBack(const char* data, std::size_t taken, WriteError failed) noexcept;
  // WriteAll of granted bytes, with limit_ kept up; throws on a failure.
  void HandOver(const char* data, std::size_t size);
  // Write and Commit for bytes beyond limit_: asks the reserve when they go
  // beyond its grant, passes the buffer on when they do not fit it. data may
  // lie at the buffer's end, where Reserve put it.
  void Take(const char* data, std::size_t size);
  // Asks the reserve for size more bytes; at a refusal, writes the whole
  // records that still fit, the buffered ones first, and throws.
  void Grant(const char* data, std::size_t size);
  // Whether the reserve grants bytes, and a file with newFile; puts the
  // run's files on the disk first where it asks for that.
  bool ReserveGrants(std::uint64_t bytes, bool newFile, std::uint64_t& granted);
  void UpdateLimit() noexcept;
  // Close, with toDisk as the call that sends the file to its disk.
  void CloseWith(int (FileSystem::*toDisk)(FileHandle) noexcept);
  // Closes the file; returns the system's error number, or 0.
  int Release() noexcept;
  // "<action> <path>: <reason>".
  [[noreturn]] void Fail(const char* action, const std::string& reason) const;
  [[noreturn]] void FailNotOpen() const;
  [[noreturn]] void FailWriting(WriteError failed) const;

  FileSystem& files_;
  FreeSpaceReserve reserve_;
  // capacity_ bytes of buffer, then kMaxReservedBytes of room for Reserve.
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_;
  std::size_t used_ = 0;
  // How far used_ may grow before Take is needed: the capacity, or less
  // where the reserve's grant ends first.
  std::size_t limit_ = 0;
  FileHandle file_ = kNoFile;
  std::string path_;
  // What the system has taken for this file: its length, as it was created
  // empty and only appended to.
  std::uint64_t fileBytes_ = 0;
  // The length, buffered bytes counted, up to which the reserve granted the
  // file its bytes; fileBytes_ + used_ never passes it.
  std::uint64_t grantedBytes_ = 0;
  // Handed to the system, in this file and those before, and the files
  // created, since the run's files were last put on the disk for the
  // reserve; the open file counts among them, as its last block waits.
  std::uint64_t unflushedBytes_ = 0;
  std::uint64_t unflushedFiles_ = 0;
  DiskWait diskWait_ = [](const std::function<void()>& work) { work(); };
  // Held around each hand-over and its cut-back; by StopHandingOver for good.
  std::timed_mutex handOver_;
};

}  // namespace morvane
