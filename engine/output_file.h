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
// programs (FreeSpaceReserve): the buffer that would is refused.
#pragma once

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/file_system.h"
#include "engine/free_space_reserve.h"

namespace morvane {

class OutputFile {
 public:
  // Every hand-over ends at a record, and so mostly inside a page, which
  // costs the system extra work on that page; at 256 KiB that is rare enough
  // to matter little, and the buffer still stays in the cache.
  static constexpr std::size_t kDefaultBufferBytes = 256 * 1024;
  // The most that may be written at Reserve's pointer.
  static constexpr std::size_t kMaxReservedBytes = 256;

  // The buffer is allocated here, once; a capacity of 0 sends every Write
  // straight to the system.
  explicit OutputFile(FileSystem& files, std::size_t bufferBytes = kDefaultBufferBytes);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Closes the file as CloseQuietly does.
  ~OutputFile();

  // Deletes an existing entry of that name (a folder makes this fail), then
  // creates the file empty, write-only for appending. Requires no open file.
  // Refuses before anything is deleted when the folder's disk is down to its
  // reserve.
  void Open(std::string path);

  // Appends bytes. Throws when the system refuses the buffer it had to pass on
  // to make room, or when no file is open.
  void Write(std::string_view bytes);

  // Write without a copy, for a record formatted in place: returns room for
  // up to kMaxReservedBytes at the end of the buffered bytes, which Commit then
  // takes exactly as Write would have taken them. Throws when no file is open.
  char* Reserve() {
    if (!is_open()) Fail("Cannot write", EBADF);
    return buffer_.get() + used_;
  }
  // What Reserve's pointer has room for before the buffer is full: as much
  // as that may be written there and committed at once, beyond
  // kMaxReservedBytes.
  std::size_t BytesBeforeFull() const noexcept { return capacity_ - used_; }
  // Takes the bytes from Reserve's pointer up to end.
  void Commit(const char* end) {
    const auto size = static_cast<std::size_t>(end - (buffer_.get() + used_));
    if (size <= capacity_ - used_) {
      used_ += size;
    } else {
      CommitBeyondCapacity(size);
    }
  }

  // Passes the buffer on and releases the file. The file is released even
  // when this throws; closing when none is open does nothing.
  void Close();

  // Close for the ways out on which a failure is already being reported or the
  // program is ending: passes on what it can, never into the reserve, and
  // ignores what goes wrong.
  void CloseQuietly() noexcept;

  bool is_open() const noexcept { return file_ != kNoFile; }
  const std::string& path() const noexcept { return path_; }

  // For a process that another thread is about to end: waits up to `wait`
  // for a hand-over to the system in progress, and lets none begin after it
  // (one waits until the process has ended), so that the file ends at its
  // last whole record. What is still in the buffer is lost. False when the
  // hand-over in progress did not end in time. The one call that is safe
  // from another thread; the process must end right after it.
  bool StopHandingOver(std::chrono::milliseconds wait) noexcept { return handOver_.try_lock_for(wait); }

 private:
  // Why the system did not take a hand-over, and why cutting the file back
  // to a whole record failed too, if it did (the system's error numbers).
  struct WriteError {
    int error = 0;
    int cutBackError = 0;
    explicit operator bool() const noexcept { return error != 0; }
  };

  // Hands bytes that start at a record to the system until all are taken.
  WriteError WriteAll(const char* data, std::size_t size) noexcept;
  // After the system took `taken` bytes of data and then failed with error.
  WriteError CutBack(const char* data, std::size_t taken, int error) noexcept;
  // WriteAll within the reserve; throws on a refusal or a failure.
  void PassOn(const char* data, std::size_t size);
  // Passes the buffer on; throws as Write does.
  void Flush();
  // Commit for bytes that do not fit what is left of the capacity.
  void CommitBeyondCapacity(std::size_t size);
  [[noreturn]] void Fail(const char* action, int error) const;
  [[noreturn]] void FailWriting(WriteError failed) const;

  FileSystem& files_;
  FreeSpaceReserve reserve_;
  // capacity_ bytes of buffer, then kMaxReservedBytes of room for Reserve.
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_;
  std::size_t used_ = 0;
  FileHandle file_ = kNoFile;
  std::string path_;
  // What the system has taken for this file: its length, as it was created
  // empty and only appended to.
  std::uint64_t fileBytes_ = 0;
  // Held around each hand-over and its cut-back; by StopHandingOver for good.
  std::timed_mutex handOver_;
};

}  // namespace morvane
