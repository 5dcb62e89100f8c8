// EndingSignals: SIGTERM, SIGHUP and SIGINT end the program as closing the
// window does, never in the middle of a record, and soon, whatever the
// display does.
//
// A desktop logout or shutdown sends SIGTERM, closing the terminal that
// started the program SIGHUP, Ctrl+C there SIGINT. By default each ends the
// process at once, losing the records still in the output buffer and at times
// cutting one. Here the handler only notes the signal in a pipe. A thread of
// its own reads the note and asks the window's thread to close the file and
// end the process, which a run does between records and a message box's
// event loop at once. But the window's thread may be waiting for a display
// that is frozen or gone, just when a logout or a dropped ssh link sends
// these signals: should it not answer within a grace time, the thread ends
// the process itself, once the file is at its last whole record.
#pragma once

#include <signal.h>

#include <QObject>
#include <chrono>
#include <functional>
#include <thread>

namespace morvane {

class EndingSignals : public QObject {
 public:
  // Long enough for a run to reach its next pass through the window's
  // events, a few milliseconds away, even on a loaded machine; short enough
  // for a logout not to wait on the program.
  static constexpr std::chrono::milliseconds kGraceTime{2000};

  // Catches the three signals, except one the program was started with
  // ignored (nohup, a background job of a script): that stays ignored. When
  // one arrives, runs closeOutput on the window's thread (this object's), or,
  // should that thread not answer within grace, stopWriting on another; then
  // ends the process by the signal's default action, so that whoever
  // started the program sees it ended by that signal (a shell reports 128
  // plus its number). One at a time in a process.
  EndingSignals(std::function<void()> closeOutput, std::function<void()> stopWriting,
                std::chrono::milliseconds grace = kGraceTime, QObject* parent = nullptr);
  EndingSignals(const EndingSignals&) = delete;
  EndingSignals& operator=(const EndingSignals&) = delete;
  // Gives the signals back the actions they had. A signal already noted
  // still ends the program, here.
  ~EndingSignals() override;

 private:
  static constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
  static constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

  // The thread: waits for a note, and ends the process if the window's
  // thread does not.
  void watch();
  // On the window's thread.
  [[noreturn]] void end(int signalNumber);

  std::function<void()> closeOutput_;
  std::function<void()> stopWriting_;
  const std::chrono::milliseconds grace_;
  // The pipe's read end and write end.
  int pipe_[2] = {-1, -1};
  struct sigaction previous_[kSignalCount] = {};
  bool caught_[kSignalCount] = {};
  // The signal noted when the thread was told to stop, 0 if none; read once
  // the thread has been joined.
  int unanswered_ = 0;
  std::thread watcher_;
};

}  // namespace morvane
