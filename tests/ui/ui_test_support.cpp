#include "tests/ui/ui_test_support.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace morvane::ui_test {

MessageBoxAnswerer::MessageBoxAnswerer() {
  timer_.setInterval(5);
  QObject::connect(&timer_, &QTimer::timeout, this, &MessageBoxAnswerer::AnswerOpenBox);
  timer_.start();
}

std::vector<QString> MessageBoxAnswerer::texts() const {
  std::vector<QString> result;
  for (const SeenMessage& message : seen_) result.push_back(message.text);
  return result;
}

void MessageBoxAnswerer::AnswerOpenBox() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (!box) return;
  seen_.push_back({box->windowTitle(), box->text(), box->icon()});
  QMessageBox::StandardButton answer = QMessageBox::Ok;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  QAbstractButton* button = box->button(answer);
  ASSERT_NE(button, nullptr) << "the box has no such button: " << box->text().toStdString();
  button->click();
}

WindowTest::WindowTest() {
  folder_ = dir_.path().toStdString();
  form_ = std::make_unique<Form1>(folder_);
  form_->show();
  Command1 = form_->findChild<QPushButton*>("Command1");
  txFrom = form_->findChild<QLineEdit*>("txFrom");
  txTo = form_->findChild<QLineEdit*>("txTo");
  Combo1 = form_->findChild<QComboBox*>("Combo1");
  Label1 = form_->findChild<QLabel*>("Label1");
  txCt = form_->findChild<QLineEdit*>("txCt");
  ProgressBar1 = form_->findChild<QProgressBar*>("ProgressBar1");
  Label2 = form_->findChild<QLabel*>("Label2");
  Label3 = form_->findChild<QLabel*>("Label3");
}

WindowTest::~WindowTest() {
  form_.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  // A message box or tooltip left behind would block or confuse the next test.
  EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty())
      << QApplication::topLevelWidgets().size() << " windows outlived their test";
}

void WindowTest::Press() { QTest::mouseClick(Command1, Qt::LeftButton); }

void WindowTest::When(std::function<bool()> ready, std::function<void()> action) {
  // Generous: a sanitizer build on a busy machine is many times slower.
  constexpr std::chrono::seconds kDeadline(30);
  const auto deadline = std::chrono::steady_clock::now() + kDeadline;
  auto* poll = new QTimer(form_.get());
  poll->setInterval(1);
  QObject::connect(poll, &QTimer::timeout, poll, [=, this] {
    // Stopped, not deleted: a deferred delete would wait for the run's end.
    if (ready()) {
      poll->stop();
      action();
    } else if (std::chrono::steady_clock::now() > deadline) {
      poll->stop();
      const std::string what = "not ready after " + std::to_string(kDeadline.count()) + " s; caption \"" +
                               Command1->text().toStdString() + "\", status \"" + txCt->text().toStdString() +
                               "\", files " + std::to_string(FileNames().size());
      ADD_FAILURE() << what;
      // Also for a child process whose failures its parent does not see.
      std::fprintf(stderr, "%s\n", what.c_str());
      QTest::keyClick(form_.get(), Qt::Key_Escape);
    }
  });
  poll->start();
}

void WindowTest::WhenRunning(std::function<void()> action) {
  When([this] { return Command1->text() == "Stop" && !QApplication::activeModalWidget(); }, std::move(action));
}

void WindowTest::Enter(const QString& from, const QString& to, const QString& lines) {
  txFrom->setText(from);
  txTo->setText(to);
  Combo1->setEditText(lines);
}

std::string WindowTest::FileText(const std::string& name) const {
  std::ifstream in(folder_ + "/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name << " is missing";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> WindowTest::FileNames() const {
  std::vector<std::string> names;
  for (const QString& name : QDir(dir_.path()).entryList(QDir::Files, QDir::Name)) {
    names.push_back(name.toStdString());
  }
  return names;
}

bool IsRunFrom(std::uint64_t from, const std::string& text, std::uint64_t* records) {
  const auto lines = static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
  *records = lines;
  return lines > 0 && text == Records(from, from + lines - 1);
}

}  // namespace morvane::ui_test
