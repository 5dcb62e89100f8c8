// Form1: the program's only window. It holds the three inputs, the Start/Stop
// button, the red warning and the status field, owns the generation run, and
// is the RunView through which the run reads and reports.
//
// The run works on this window's thread: a press of Start calls PD, which
// returns only when the run has ended, and the window's events (Stop, Escape,
// edits, closing) are handled inside it, between numbers.
#pragma once

#include <QWidget>
#include <string>
#include <string_view>

#include "engine/generator.h"
#include "engine/run_view.h"
#include "ui/event_pacer.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace morvane {

class Form1 : public QWidget, public RunView {
  Q_OBJECT

 public:
  // Writes its files into programFolder (no trailing separator).
  explicit Form1(std::string programFolder, QWidget* parent = nullptr);

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
  void ProcessEvents() override;
  void Repaint() override;
  std::uint32_t NumbersPerEventPass() const override;

  // Closes the output file, if one is open, with every record written so
  // far, for a program that is about to end, without waiting for the disk;
  // a run that gets control back after this ends with nothing more shown.
  void closeOutput() noexcept;
  // From another thread, for a program about to end while this window's
  // thread does not answer: lets the file reach no further than its last
  // whole record (OutputFile::StopHandingOver); the records still in the
  // buffer are lost.
  void stopWriting() noexcept;

 protected:
  // Escape, wherever the focus is in this window; the desktop session's
  // quit, which ends the program as closing the window does.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Ends the program at once, also in the middle of a run.
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void onCommand1Pressed();

 private:
  void createControls();
  void placeControls();
  void setTabOrder();
  void fillLinesPerFileList();

  // Shows the save-location warning; false when the user did not choose OK.
  bool confirmSaveLocation();
  void requestStop();
  // Closes the output file with every record written so far, then ends the
  // process without returning into the run that may be on the stack.
  [[noreturn]] void endProgram() noexcept;
  void reportRunIfAsked(EventPacer::Clock::duration runTime) const;
  void showWantedStatus();

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

  QPushButton* Command1 = nullptr;
  QLineEdit* txFrom = nullptr;
  QLineEdit* txTo = nullptr;
  QComboBox* Combo1 = nullptr;
  QFrame* Frame2 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* txCt = nullptr;
};

}  // namespace morvane
