// RunView: what a generation run needs from the window that starts it.
//
// The window implements it by forwarding to its controls; tests implement it
// with a fake that records what the run shows. Every call comes from the run's
// own thread, the window's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

enum class MessageIcon { kInformation, kCritical };

// The button's two captions, and what From and To hold when the window
// opens and again after a run met the program's bounds. The run sets them
// through the view; both windows start from them.
inline constexpr std::string_view kStartCaption = "Start";
inline constexpr std::string_view kStopCaption = "Stop";
inline constexpr std::string_view kFirstFromText = "1";
inline constexpr std::string_view kFirstToText = "1000000000000000";

class RunView {
 public:
  virtual ~RunView() = default;

  // The texts of the From field (txFrom), the To field (txTo) and the
  // lines-per-file list (Combo1), as typed.
  virtual std::string FromText() const = 0;
  virtual std::string ToText() const = 0;
  virtual std::string LinesPerFileText() const = 0;

  virtual void SetFromText(std::string_view text) = 0;
  virtual void SetToText(std::string_view text) = 0;

  // The status field (txCt) and its tooltip.
  virtual void SetStatusText(std::string_view text) = 0;
  virtual void SetStatusToolTip(std::string_view text) = 0;

  // The caption of the Start/Stop button (Command1).
  virtual void SetButtonCaption(std::string_view caption) = 0;

  // A modal message box with an OK button, titled with the application title.
  virtual void ShowMessage(std::string_view text, MessageIcon icon) = 0;

  // At the start of every run, before its first file: a paragraph on what it
  // will write and where it will stop (RunPlan), for the window to show
  // where it shows the run's progress. A window that shows neither keeps
  // these two as they are.
  virtual void ShowRunPlan(std::string_view text) { static_cast<void>(text); }
  // How far the run has come: share from 0 to 1 for a bar, and a line such
  // as "42 %, 1.2 GiB/s, about 2 min left" (RunProgress). At event passes,
  // right before ProcessEvents, at most every pacing::kProgressInterval,
  // and once more when the run has finished or was stopped.
  virtual void ShowRunProgress(double share, std::string_view text) {
    static_cast<void>(share);
    static_cast<void>(text);
  }

  // Lets the window handle pending events: the Stop button, Escape, edits,
  // closing. Called after every NumbersPerEventPass()-th number, right after
  // Repaint; the window may handle them less often still.
  virtual void ProcessEvents() = 0;

  // While the run waits for its files to reach the disk, which may take
  // seconds, every few milliseconds: at its end, and near a full disk whose
  // free space counts the run's bytes only once they are there (btrfs). The
  // window handles its events as at a pass. The Stop button and Escape then
  // end the run after its next number, or at its end as stopped rather than
  // finished, and closing the window ends the program without waiting for
  // the disk. A view that has no events to handle keeps this.
  virtual void ProcessEventsWhileSaving() {}

  // Asks for the window to be drawn again at its next pass.
  virtual void Repaint() = 0;

  // How many numbers the run writes from one Repaint and ProcessEvents to the
  // next. A window that handles its events only every few milliseconds
  // anyway spares the run the calls in between, each of which costs about as
  // much as a number; the run still looks at the stop request after every
  // number. Read once per run.
  virtual std::uint32_t NumbersPerEventPass() const { return 1; }
};

}  // namespace morvane
