#include "ui/qt/ending_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

namespace morvane {

namespace {

using Clock = std::chrono::steady_clock;

// What the destructor writes to stop the thread; every signal's note is a
// signal number, above it.
constexpr char kStopNote = 0;

// The pipe's write end as the handler reads it: a lock-free atomic is one of
// the two kinds of object a handler may read.
std::atomic<int> noteEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

void NoteSignal(int signalNumber) {
  const int savedErrno = errno;
  const char note = static_cast<char>(signalNumber);
  // Non-blocking: should the pipe be full, notes are waiting already.
  const ssize_t ignored = ::write(noteEnd.load(), &note, 1);
  static_cast<void>(ignored);
  errno = savedErrno;
}

// The next note in the pipe, or -1 once the deadline, if any, has passed.
int NextNote(int readEnd, std::optional<Clock::time_point> deadline) {
  for (;;) {
    int timeout = -1;
    if (deadline) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
      if (left.count() <= 0) return -1;
      timeout = static_cast<int>(left.count());
    }
    pollfd pending{readEnd, POLLIN, 0};
    // Also an interrupted call or the time up: the loop looks again.
    if (::poll(&pending, 1, timeout) <= 0) continue;
    char note = 0;
    if (::read(readEnd, &note, 1) == 1) return static_cast<unsigned char>(note);
  }
}

// From whichever thread: the signal's default action ends the process.
[[noreturn]] void EndBy(int signalNumber) {
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigemptyset(&byDefault.sa_mask);
  ::sigaction(signalNumber, &byDefault, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signalNumber);
  ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  ::raise(signalNumber);
  // Not reached while the signal's default action ends the process; the
  // shells' number for it all the same.
  std::_Exit(128 + signalNumber);
}

}  // namespace

EndingSignals::EndingSignals(std::function<void()> closeOutput, std::function<void()> stopWriting,
                             std::chrono::milliseconds grace, QObject* parent)
    : QObject(parent), closeOutput_(std::move(closeOutput)), stopWriting_(std::move(stopWriting)), grace_(grace) {
  if (::pipe2(pipe_, O_CLOEXEC) != 0) {
    std::perror("morvane: cannot watch for signals");
    pipe_[0] = pipe_[1] = -1;
    return;
  }
  // The handler must never wait; the thread waits at its own end.
  ::fcntl(pipe_[1], F_SETFL, O_NONBLOCK);
  noteEnd = pipe_[1];
  watcher_ = std::thread(&EndingSignals::watch, this);

  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  // A system call the signal interrupts goes on as if nothing happened.
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < kSignalCount; ++i) {
    ::sigaction(kSignals[i], nullptr, &previous_[i]);
    caught_[i] = previous_[i].sa_handler != SIG_IGN;
    if (caught_[i]) ::sigaction(kSignals[i], &action, nullptr);
  }
}

EndingSignals::~EndingSignals() {
  if (pipe_[0] < 0) return;
  for (int i = 0; i < kSignalCount; ++i) {
    if (caught_[i]) ::sigaction(kSignals[i], &previous_[i], nullptr);
  }
  // The thread reads every note before this one, so room comes.
  pollfd room{pipe_[1], POLLOUT, 0};
  while (::write(pipe_[1], &kStopNote, 1) != 1) ::poll(&room, 1, -1);
  watcher_.join();
  noteEnd = -1;
  ::close(pipe_[0]);
  ::close(pipe_[1]);
  // The call the thread asked for goes with this object; this is the
  // window's thread, which answers now.
  if (unanswered_) end(unanswered_);
}

void EndingSignals::watch() {
  const int signalNumber = NextNote(pipe_[0], std::nullopt);
  if (signalNumber == kStopNote) return;
  QMetaObject::invokeMethod(this, [this, signalNumber] { end(signalNumber); }, Qt::QueuedConnection);
  // The first signal decides; the notes of later ones are dropped.
  const Clock::time_point answerBy = Clock::now() + grace_;
  for (int note; (note = NextNote(pipe_[0], answerBy)) >= 0;) {
    if (note == kStopNote) {
      unanswered_ = signalNumber;
      return;
    }
  }
  stopWriting_();
  EndBy(signalNumber);
}

void EndingSignals::end(int signalNumber) {
  closeOutput_();
  std::fflush(nullptr);
  EndBy(signalNumber);
}

}  // namespace morvane
