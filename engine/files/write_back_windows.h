// WriteBack: puts closed files on their disk in the background, on Windows.
//
// Windows has no call that starts a file's write to the disk without waiting
// for it (Linux has sync_file_range), and FlushFileBuffers at every file's
// close made the run wait for the disk file by file. Here a thread of its own
// flushes each file handed to it, through a handle of its own, while the run
// writes the next; the run's end waits only for what is left.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>

namespace morvane {

class WriteBack {
 public:
  // Files that may wait at once: the next one waits for room, so that a disk
  // slower than the run holds back the run, never memory.
  static constexpr std::size_t kMostWaiting = 4;

  WriteBack() = default;
  WriteBack(const WriteBack&) = delete;
  WriteBack& operator=(const WriteBack&) = delete;
  // Flushes what still waits, then ends the thread.
  ~WriteBack();

  // Puts the file on its disk in the background; the caller may close its
  // handle at once. 0, or the system's error when the file cannot be taken.
  DWORD Start(HANDLE file) noexcept;
  // Waits until every file started is on its disk; returns the first error
  // a flush met since the last call, or 0.
  DWORD Finish() noexcept;
  // Waits until every file started is on its disk, keeping any error for
  // Finish.
  void WaitUntilIdle() noexcept;

 private:
  void Work() noexcept;
  // Flushes and closes one handle of ours; the system's error or 0.
  static DWORD Flush(HANDLE file) noexcept;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<HANDLE> waiting_;
  bool flushing_ = false;
  bool ending_ = false;
  DWORD firstError_ = 0;
  std::thread thread_;
};

}  // namespace morvane
