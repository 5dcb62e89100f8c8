// What the window tests share: a fresh program folder, a window under test,
// an answerer for the modal message boxes, and the records a run must write.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/expected_records.h"
#include "ui/qt/form1.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace morvane::ui_test {

// One message box as the user saw it.
struct SeenMessage {
  QString title;
  QString text;
  QMessageBox::Icon icon;
};

// Answers every modal message box as it appears, from a timer: with the next
// queued button, or OK once the queue is empty. Remembers what it saw.
class MessageBoxAnswerer : public QObject {
 public:
  MessageBoxAnswerer();
  void Queue(QMessageBox::StandardButton answer) { answers_.push_back(answer); }
  const std::vector<SeenMessage>& seen() const { return seen_; }
  std::vector<QString> texts() const;

 private:
  void AnswerOpenBox();

  QTimer timer_;
  std::deque<QMessageBox::StandardButton> answers_;
  std::vector<SeenMessage> seen_;
};

// A window writing into a fresh folder, its controls, and the message boxes.
class WindowTest : public testing::Test {
 protected:
  WindowTest();
  ~WindowTest() override;

  // Presses Start (or Stop); returns when the run it starts has ended.
  void Press();
  // Runs `action` once, at the first pass through the event loop at which
  // `ready` holds: in a run, between two numbers. Should it not hold within
  // tens of seconds, the test fails saying what the window showed, and the
  // run is stopped so that the test ends.
  void When(std::function<bool()> ready, std::function<void()> action);
  // When a run is going on: it has written its first record and handles
  // events between numbers (not those of a message box, the warning's among
  // them).
  void WhenRunning(std::function<void()> action);
  // Types the three inputs.
  void Enter(const QString& from, const QString& to, const QString& lines);

  std::string FileText(const std::string& name) const;
  std::vector<std::string> FileNames() const;

  QTemporaryDir dir_;
  std::string folder_;
  std::unique_ptr<Form1> form_;
  MessageBoxAnswerer answerer_;

  QPushButton* Command1 = nullptr;
  QLineEdit* txFrom = nullptr;
  QLineEdit* txTo = nullptr;
  QComboBox* Combo1 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* txCt = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
};

// The records of a run from `from` to `to`, as the file holds them.
inline std::string Records(std::int64_t from, std::int64_t to) { return testsupport::ExpectedRecords(from, to); }

// The number of whole records at the start of text, and whether the text is
// exactly those records of a run from `from`.
bool IsRunFrom(std::uint64_t from, const std::string& text, std::uint64_t* records);

}  // namespace morvane::ui_test
