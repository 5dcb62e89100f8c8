// Form1 on Linux: the program's only window, drawn with Qt Widgets.
//
// It creates the controls of Form1's table (form1_layout.h) and forwards the
// user's acts to WindowBehaviour, which owns the run and decides what each
// act does; the behaviour reaches the controls back through WindowControls.
#pragma once

#include <QWidget>
#include <string>
#include <string_view>

#include "ui/shared/window_behaviour.h"
#include "ui/shared/window_controls.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace morvane {

class Form1 : public QWidget, private WindowControls {
  Q_OBJECT

 public:
  // Writes its files into programFolder (no trailing separator).
  explicit Form1(std::string programFolder, QWidget* parent = nullptr);

  // For the ways the system ends the program (signals, a lost display).
  WindowBehaviour& behaviour() { return behaviour_; }

 protected:
  // Escape, wherever the focus is in this window; the desktop session's
  // quit, which ends the program as closing the window does.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Ends the program at once, also in the middle of a run.
  void closeEvent(QCloseEvent* event) override;

 private:
  void createControls();
  void placeControls();
  void setTabOrder();
  void fillLinesPerFileList();

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

  QPushButton* Command1 = nullptr;
  QLineEdit* txFrom = nullptr;
  QLineEdit* txTo = nullptr;
  QComboBox* Combo1 = nullptr;
  QFrame* Frame2 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* txCt = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;

  // Last: it may call the controls back from the moment it exists.
  WindowBehaviour behaviour_;
};

}  // namespace morvane
