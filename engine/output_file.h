// OutputFile: one file of the series, written through a buffer of its own.
//
// Opening replaces whatever file has the name with a new empty one. Records
// are appended to the buffer, which goes to the system whenever it is full
// and when the file is closed. Every system call is checked: a failing one
// throws a Failure whose description names the file and gives the system's
// reason, e.g. "Cannot write /data/Morvane-1-10.txt: No space left on device".
#pragma once

#include <cerrno>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "engine/file_system.h"

namespace morvane {

class OutputFile {
 public:
  static constexpr std::size_t kDefaultBufferBytes = 64 * 1024;
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
  // program is ending: passes on what it can and ignores what goes wrong.
  void CloseQuietly() noexcept;

  bool is_open() const noexcept { return fd_ >= 0; }
  const std::string& path() const noexcept { return path_; }

 private:
  // Hands bytes to the system until all are taken; returns 0 or the errno.
  int WriteAll(const char* data, std::size_t size) noexcept;
  // Passes the buffer on; throws as Write does.
  void Flush();
  // Commit for bytes that do not fit what is left of the capacity.
  void CommitBeyondCapacity(std::size_t size);
  [[noreturn]] void Fail(const char* action, int error) const;

  FileSystem& files_;
  // capacity_ bytes of buffer, then kMaxReservedBytes of room for Reserve.
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_;
  std::size_t used_ = 0;
  int fd_ = -1;
  std::string path_;
};

}  // namespace morvane
