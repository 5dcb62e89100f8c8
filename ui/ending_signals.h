// EndingSignals: SIGTERM, SIGHUP and SIGINT end the program as closing the
// window does, never in the middle of a record.
//
// A desktop logout or shutdown sends SIGTERM, closing the terminal that
// started the program SIGHUP, Ctrl+C there SIGINT. By default each ends the
// process at once, losing the records still in the output buffer and at times
// cutting one. Here the handler only notes the signal on a socket pair; the
// notifier on its other end acts on the window's thread, where a run gets to
// it between records, and a message box's event loop at once.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace morvane {

class EndingSignals : public QObject {
 public:
  // Catches the three signals, except one the program was started with
  // ignored (nohup, a background job of a script): that stays ignored. When
  // one arrives, runs beforeEnding (which closes the output file), then ends
  // the process by the signal's default action, so that whoever started the
  // program sees it ended by that signal (a shell reports 128 plus its
  // number). One at a time in a process.
  explicit EndingSignals(std::function<void()> beforeEnding, QObject* parent = nullptr);
  EndingSignals(const EndingSignals&) = delete;
  EndingSignals& operator=(const EndingSignals&) = delete;
  // Gives the signals back their default action.
  ~EndingSignals() override;

 private:
  void end();

  std::function<void()> beforeEnding_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace morvane
