#include "ui/shared/window_behaviour.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#include "engine/pacing.h"
#include "ui/shared/form1_layout.h"

namespace morvane {

WindowBehaviour::WindowBehaviour(WindowControls& controls, std::string programFolder)
    : controls_(controls),
      programFolder_(std::move(programFolder)),
      generator_(*this, programFolder_),
      pacer_(pacing::kEventInterval),
      statusPacer_(pacing::kStatusInterval) {}

void WindowBehaviour::ButtonPressed() {
  // The fields are read once for the run this press starts: the warning's
  // plan is the run's.
  std::optional<RunPlan> plan;
  if (!warned_) {
    warned_ = true;
    plan = generator_.PlanRun();
    if (!controls_.Confirm(WarningText(plan->Text()))) EndProgram();
  }
  // While a run is going on this press arrives from inside its event
  // processing, and the caption is "Stop".
  if (controls_.ButtonCaption() == kStopCaption) {
    RequestStop();
    return;
  }
  // A folder that another copy writes into leaves the window as it was, so
  // that Start runs once that copy has finished.
  if (!generator_.ClaimProgramFolder()) return;
  if (!plan) plan = generator_.PlanRun();
  controls_.SetButtonCaption(kStopCaption);
  pacer_.Restart();
  statusPacer_.Restart();
  messageTime_ = EventPacer::Clock::duration::zero();
  const EventPacer::Clock::time_point started = EventPacer::Clock::now();
  generator_.PD(*plan);
  ShowWantedStatus();
  ReportRunIfAsked(EventPacer::Clock::now() - started - messageTime_);
}

std::string WindowBehaviour::WarningText(std::string_view planText) const {
  return "All data files will be saved to " + programFolder_ +
         "\r\n\r\nIf this is not a good location, click Cancel and copy the program to a dedicated folder." +
         "\r\n\r\n" + std::string(planText);
}

void WindowBehaviour::EscapePressed() { RequestStop(); }

void WindowBehaviour::RequestStop() {
  generator_.RequestStop();
  controls_.DisableButton();
}

void WindowBehaviour::CloseOutput() noexcept { generator_.CloseOutput(); }

void WindowBehaviour::StopWriting() noexcept {
  // A hand-over of 256 KiB takes well under a millisecond; one that takes a
  // second is stuck, and the program ends all the same.
  generator_.StopWriting(std::chrono::seconds(1));
}

void WindowBehaviour::EndProgram() noexcept {
  CloseOutput();
  std::fflush(nullptr);
  // Not exit() and not the event loop's quit: the run may be on the stack
  // below the handler that ends the program, and returning into it, or
  // destroying the window under it, is what must not happen. The file is
  // closed and nothing else is held that the system does not release.
  std::_Exit(EXIT_SUCCESS);
}

void WindowBehaviour::ReportRunIfAsked(EventPacer::Clock::duration runTime) const {
  // For the window benchmark: how long the run worked, and how long a click
  // could have waited.
  if (!std::getenv("MORVANE_REPORT_RUN")) return;
  using Milliseconds = std::chrono::duration<double, std::milli>;
  std::fprintf(stderr, "morvane: run %.1f ms, longest gap between event passes %.3f ms\n",
               Milliseconds(runTime).count(), Milliseconds(pacer_.longestGap()).count());
  std::fflush(stderr);
}

// ---- RunView ----

std::string WindowBehaviour::FromText() const { return controls_.FromText(); }

std::string WindowBehaviour::ToText() const { return controls_.ToText(); }

std::string WindowBehaviour::LinesPerFileText() const { return controls_.LinesPerFileText(); }

void WindowBehaviour::SetFromText(std::string_view text) { controls_.SetFromText(text); }

void WindowBehaviour::SetToText(std::string_view text) { controls_.SetToText(text); }

void WindowBehaviour::SetStatusText(std::string_view text) {
  // Shown at a pass through the event loop once the status interval has
  // passed, or before a message box or at the run's end: the field is drawn
  // and read out only at a pass, and laying out its text for every progress
  // line, thousands of times a second, cost the run several percent of its
  // speed.
  wantedStatus_ = text;
  statusWanted_ = true;
}

void WindowBehaviour::ShowWantedStatus() {
  if (!statusWanted_) return;
  statusWanted_ = false;
  controls_.SetStatusText(wantedStatus_);
}

void WindowBehaviour::SetStatusToolTip(std::string_view text) { controls_.SetStatusToolTip(text); }

void WindowBehaviour::SetButtonCaption(std::string_view caption) { controls_.SetButtonCaption(caption); }

void WindowBehaviour::ShowMessage(std::string_view text, MessageIcon icon) {
  // The time the box takes to be built and shown and the user to answer is
  // not the run's.
  const EventPacer::Clock::time_point shown = EventPacer::Clock::now();
  ShowWantedStatus();
  controls_.ShowMessage(text, icon);
  messageTime_ += EventPacer::Clock::now() - shown;
}

void WindowBehaviour::ShowRunPlan(std::string_view text) {
  controls_.ShowPlan(text);
  controls_.ShowProgress(0.0, "");
}

void WindowBehaviour::ShowRunProgress(double share, std::string_view text) { controls_.ShowProgress(share, text); }

void WindowBehaviour::ProcessEvents() {
  if (!pacer_.Due()) return;
  if (statusPacer_.Due()) ShowWantedStatus();
  controls_.HandlePendingEvents();
}

// The window is as much alive while a run's last bytes go to the disk as
// during the run.
void WindowBehaviour::ProcessEventsWhileSaving() { ProcessEvents(); }

void WindowBehaviour::Repaint() {
  // Nothing to ask for: every control a run changes asks for its own
  // repaint, drawn at the next pass through the event loop. Drawing the whole
  // window at every pass as well showed nothing new and cost the run a few
  // percent of its speed.
}

std::uint32_t WindowBehaviour::NumbersPerEventPass() const { return pacing::kNumbersPerEventPass; }

}  // namespace morvane
