// Form1 on Windows: the program's only window, drawn with the system's
// standard controls.
//
// It creates the controls of Form1's table (form1_layout.h), places them for
// the screen it is on, and forwards the user's acts to WindowBehaviour, which
// owns the run and decides what each act does; the behaviour reaches the
// controls back through WindowControls, in UTF-8.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "ui/shared/window_behaviour.h"
#include "ui/shared/window_controls.h"

namespace morvane {

class Form1 : private WindowControls {
 public:
  // The controls' IDs, in the table's tab order: the dialog keys walk them
  // in the order they are created.
  enum ControlId : int {
    kCommand1 = 101,
    kTxFrom,
    kTxTo,
    kCombo1,
    kTxCt,
    kFrame2,
    kLabel1,
    kProgressBar1,
    kLabel2,
    kLabel3,
  };

  // Creates the window, hidden, with every control in place. Writes its
  // files into programFolder (no trailing separator).
  Form1(HINSTANCE instance, std::string programFolder);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;
  ~Form1() override;

  HWND window() const { return window_; }
  WindowBehaviour& behaviour() { return behaviour_; }

  // Shows the window with the button focused.
  void Show(int showCommand);
  // One message from the thread's queue, as a dialog handles it: Escape,
  // Tab, Space and Enter first, then the window it is for. Both the program's
  // message loop and a run's event passes go through here.
  void Dispatch(MSG& message);

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void CreateControls();
  void FillLinesPerFileList();
  void CreateToolTips();
  // Every size and font from the layout's twips, for the given dots per
  // inch: at creation and whenever the window moves to a screen of another.
  void PlaceControls(UINT dpi);
  void SetComboFieldHeight(int height);
  void ReplaceFonts(UINT dpi);

  void OnCommand(int id, int notification);
  LRESULT OnControlColour(HDC context, HWND control);
  void OnActivate(bool active);
  void OnDpiChanged(UINT dpi, const RECT& suggested);

  // WindowControls
  std::string FromText() const override;
  std::string ToText() const override;
  std::string LinesPerFileText() const override;
  void SetFromText(std::string_view text) override;
  void SetToText(std::string_view text) override;
  void SetStatusText(std::string_view text) override;
  void SetStatusToolTip(std::string_view text) override;
  std::string ButtonCaption() const override;
  void SetButtonCaption(std::string_view caption) override;
  void DisableButton() override;
  void ShowProgress(double share, std::string_view text) override;
  void ShowPlan(std::string_view text) override;
  void ShowMessage(std::string_view text, MessageIcon icon) override;
  bool Confirm(std::string_view text) override;
  void HandlePendingEvents() override;

  HINSTANCE instance_;
  HWND window_ = nullptr;
  HWND Command1 = nullptr;
  HWND txFrom = nullptr;
  HWND txTo = nullptr;
  HWND Combo1 = nullptr;
  HWND txCt = nullptr;
  HWND Frame2 = nullptr;
  HWND Label1 = nullptr;
  HWND ProgressBar1 = nullptr;
  HWND Label2 = nullptr;
  HWND Label3 = nullptr;
  HWND toolTips_ = nullptr;
  // The control to give the focus back to when the window is active again.
  HWND focused_ = nullptr;

  HFONT windowFont_ = nullptr;
  HFONT fieldFont_ = nullptr;
  HFONT warningFont_ = nullptr;
  HFONT statusFont_ = nullptr;

  // Last: it may call the controls back from the moment it exists.
  WindowBehaviour behaviour_;
};

}  // namespace morvane
