#include "engine/files/write_back_windows.h"

#include <system_error>

namespace morvane {

WriteBack::~WriteBack() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

DWORD WriteBack::Start(HANDLE file) noexcept {
  HANDLE own = nullptr;
  const HANDLE process = ::GetCurrentProcess();
  if (!::DuplicateHandle(process, file, process, &own, 0, FALSE, DUPLICATE_SAME_ACCESS)) return ::GetLastError();
  std::unique_lock<std::mutex> lock(mutex_);
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread(&WriteBack::Work, this);
    } catch (const std::system_error&) {
      // No thread to be had: the file goes to its disk now, as it must.
      lock.unlock();
      return Flush(own);
    }
  }
  changed_.wait(lock, [this] { return waiting_.size() < kMostWaiting; });
  waiting_.push_back(own);
  lock.unlock();
  changed_.notify_all();
  return 0;
}

DWORD WriteBack::Finish() noexcept {
  WaitUntilIdle();
  const std::lock_guard<std::mutex> lock(mutex_);
  const DWORD error = firstError_;
  firstError_ = 0;
  return error;
}

void WriteBack::WaitUntilIdle() noexcept {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return waiting_.empty() && !flushing_; });
}

void WriteBack::Work() noexcept {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !waiting_.empty() || ending_; });
    if (waiting_.empty()) return;
    const HANDLE file = waiting_.front();
    waiting_.pop_front();
    flushing_ = true;
    lock.unlock();
    changed_.notify_all();
    const DWORD error = Flush(file);
    lock.lock();
    if (firstError_ == 0) firstError_ = error;
    flushing_ = false;
    changed_.notify_all();
  }
}

DWORD WriteBack::Flush(HANDLE file) noexcept {
  const DWORD error = ::FlushFileBuffers(file) ? 0 : ::GetLastError();
  ::CloseHandle(file);
  return error;
}

}  // namespace morvane
