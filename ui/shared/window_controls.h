// WindowControls: what the window's behaviour needs from a toolkit's controls.
//
// Each window, Qt's on Linux and Win32's on Windows, creates the controls of
// Form1's table and implements this by forwarding to them, in UTF-8; all that
// the window does beyond drawing lives once, in WindowBehaviour.
#pragma once

#include <string>
#include <string_view>

#include "engine/run_view.h"

namespace morvane {

class WindowControls {
 public:
  virtual ~WindowControls() = default;

  // txFrom, txTo and Combo1's field, as typed.
  virtual std::string FromText() const = 0;
  virtual std::string ToText() const = 0;
  virtual std::string LinesPerFileText() const = 0;
  virtual void SetFromText(std::string_view text) = 0;
  virtual void SetToText(std::string_view text) = 0;

  // txCt and its tooltip.
  virtual void SetStatusText(std::string_view text) = 0;
  virtual void SetStatusToolTip(std::string_view text) = 0;

  // Command1.
  virtual std::string ButtonCaption() const = 0;
  virtual void SetButtonCaption(std::string_view caption) = 0;
  virtual void DisableButton() = 0;

  // ProgressBar1 at share (0 to 1) and Label2 beside it.
  virtual void ShowProgress(double share, std::string_view text) = 0;
  // Label3: the plan of the run about to start.
  virtual void ShowPlan(std::string_view text) = 0;

  // Modal message boxes titled "Morvane". Texts break lines at "\r\n".
  virtual void ShowMessage(std::string_view text, MessageIcon icon) = 0;
  // With a warning icon, OK and Cancel: true only when the user chose OK.
  virtual bool Confirm(std::string_view text) = 0;

  // One pass through the window's pending events: clicks, keys, repaints.
  virtual void HandlePendingEvents() = 0;
};

}  // namespace morvane
