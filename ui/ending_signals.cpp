#include "ui/ending_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace morvane {

namespace {

constexpr int kEndingSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The handler's end and the notifier's end of the socket pair.
int noteEnd = -1;
int readEnd = -1;

void NoteSignal(int signalNumber) {
  const int savedErrno = errno;
  const char note = static_cast<char>(signalNumber);
  // Non-blocking: should the pair be full, a note is waiting already.
  const ssize_t ignored = ::write(noteEnd, &note, 1);
  static_cast<void>(ignored);
  errno = savedErrno;
}

void (*HandlerOf(int signalNumber))(int) {
  struct sigaction current {};
  ::sigaction(signalNumber, nullptr, &current);
  return current.sa_handler;
}

}  // namespace

EndingSignals::EndingSignals(std::function<void()> beforeEnding, QObject* parent)
    : QObject(parent), beforeEnding_(std::move(beforeEnding)) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0) {
    std::perror("morvane: cannot watch for signals");
    return;
  }
  noteEnd = ends[0];
  readEnd = ends[1];
  notifier_ = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &EndingSignals::end);

  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  // A system call the signal interrupts goes on as if nothing happened.
  action.sa_flags = SA_RESTART;
  for (const int signalNumber : kEndingSignals) {
    if (HandlerOf(signalNumber) != SIG_IGN) ::sigaction(signalNumber, &action, nullptr);
  }
}

EndingSignals::~EndingSignals() {
  if (!notifier_) return;
  for (const int signalNumber : kEndingSignals) {
    if (HandlerOf(signalNumber) == NoteSignal) ::signal(signalNumber, SIG_DFL);
  }
  ::close(noteEnd);
  ::close(readEnd);
  noteEnd = readEnd = -1;
}

void EndingSignals::end() {
  char note = 0;
  if (::read(readEnd, &note, 1) != 1) return;
  const int signalNumber = static_cast<unsigned char>(note);
  beforeEnding_();
  std::fflush(nullptr);
  ::signal(signalNumber, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signalNumber);
  ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
  ::raise(signalNumber);
  // Not reached while the signal's default action ends the process; the
  // shells' number for it all the same.
  std::_Exit(128 + signalNumber);
}

}  // namespace morvane
