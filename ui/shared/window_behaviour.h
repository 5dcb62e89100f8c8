// WindowBehaviour: what Form1 does, whatever toolkit draws it.
//
// It owns the generation run and is the RunView the run reads and reports
// through, forwarding to the window's controls (WindowControls). It holds the
// rules both windows share: the save-location warning on the first press,
// the Start/Stop states, Escape and closing during a run, and how often the
// run's events and status line reach the screen. A window creates its
// controls, then forwards the user's acts here.
//
// Everything here runs on the window's thread but StopWriting: a press of
// Start returns only when the run has ended, and the window's events are
// handled inside it, between numbers and while it waits for the disk.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/generator.h"
#include "engine/run_view.h"
#include "ui/shared/event_pacer.h"
#include "ui/shared/window_controls.h"

namespace morvane {

class WindowBehaviour : public RunView {
 public:
  // Writes its files into programFolder (no trailing separator).
  WindowBehaviour(WindowControls& controls, std::string programFolder);

  // Command1 pressed: on the first press the save-location warning, then a
  // run, or during one a stop.
  void ButtonPressed();
  // Escape wherever the focus is in the window, its open list included, in
  // a run or not: Command1 is disabled and a run ends after its number.
  void EscapePressed();
  // The window closed or the desktop session ending: closes the output file
  // with every record written so far, then ends the process at once, without
  // returning into a run that may be on the stack.
  [[noreturn]] void EndProgram() noexcept;

  // Closes the output file, if one is open, with every record written so
  // far, for a program about to end, without waiting for the disk; a run
  // that gets control back after this ends with nothing more shown.
  void CloseOutput() noexcept;
  // From another thread, for a program about to end while the window's
  // thread does not answer: lets the file reach no further than its last
  // whole record (OutputFile::StopHandingOver); the records still in the
  // buffer are lost.
  void StopWriting() noexcept;

  // The first press's warning: where the files go, then the plan of the run
  // the press starts.
  std::string WarningText(std::string_view planText) const;

  // RunView
  std::string FromText() const override;
  std::string ToText() const override;
  std::string LinesPerFileText() const override;
  void SetFromText(std::string_view text) override;
  void SetToText(std::string_view text) override;
  void SetStatusText(std::string_view text) override;
  void SetStatusToolTip(std::string_view text) override;
  void SetButtonCaption(std::string_view caption) override;
  void ShowMessage(std::string_view text, MessageIcon icon) override;
  void ShowRunPlan(std::string_view text) override;
  void ShowRunProgress(double share, std::string_view text) override;
  void ProcessEvents() override;
  void ProcessEventsWhileSaving() override;
  void Repaint() override;
  std::uint32_t NumbersPerEventPass() const override;

 private:
  void RequestStop();
  void ShowWantedStatus();
  void ReportRunIfAsked(EventPacer::Clock::duration runTime) const;

  WindowControls& controls_;
  const std::string programFolder_;
  Generator generator_;
  bool warned_ = false;
  EventPacer pacer_;
  EventPacer statusPacer_;
  // The status text the run set last, not yet in the field.
  std::string wantedStatus_;
  bool statusWanted_ = false;
  // Spent in message boxes during the current run.
  EventPacer::Clock::duration messageTime_{};
};

}  // namespace morvane
