// Runs started from the window: the first-press warning, Start and Finished
// and Start again, Stop and Escape, the overflow reset, other failures, the
// status texts, and the status tooltip while a run goes on.
#include <QHelpEvent>
#include <QToolTip>

#include "tests/ui/ui_test_support.h"

namespace morvane::ui_test {
namespace {

class Form1Run : public WindowTest {
 protected:
  // A run that would go on for hours, in one file of a billion records: the
  // run writes millions of records a second, so a smaller file could fill
  // before the test's stop arrives.
  void EnterLongRun() { Enter("1", "1000000000000000", "1000000000"); }

  // After a stop: the run ended after the number being written, its file
  // holds every record so far, and "Finished." never showed.
  void ExpectStopped() {
    EXPECT_EQ(answerer_.seen().size(), 1u) << "only the warning, no \"Finished.\"";
    EXPECT_EQ(Command1->text(), "Stop");
    EXPECT_FALSE(Command1->isEnabled());
    EXPECT_EQ(txCt->text().toStdString(), "File saved to " + folder_);
    ASSERT_EQ(FileNames(), std::vector<std::string>{"Morvane-1-1000000000.txt"});
    std::uint64_t records = 0;
    EXPECT_TRUE(IsRunFrom(1, FileText("Morvane-1-1000000000.txt"), &records)) << records << " records";
  }
};

TEST_F(Form1Run, WarnsOnTheFirstPressOnlyThenRunsToFinishedAndCanStartAgain) {
  Enter("1", "25", "10");
  Press();
  ASSERT_EQ(answerer_.seen().size(), 2u);
  const SeenMessage warning = answerer_.seen()[0];
  EXPECT_EQ(warning.title, "Morvane");
  EXPECT_EQ(warning.icon, QMessageBox::Warning);
  const QString location = QString::fromStdString("All data files will be saved to " + folder_ +
                                                   "\n\nIf this is not a good location, click Cancel "
                                                   "and copy the program to a dedicated folder.\n\n");
  ASSERT_TRUE(warning.text.startsWith(location)) << warning.text.toStdString();
  // The run's plan closes the warning, and stays in the window beside the
  // progress, which ends full.
  EXPECT_TRUE(Label3->text().startsWith("This run writes ") && Label3->text().contains(" in 3 files;"))
      << Label3->text().toStdString();
  EXPECT_EQ(warning.text.mid(location.size()), Label3->text());
  EXPECT_EQ(ProgressBar1->value(), ProgressBar1->maximum());
  EXPECT_TRUE(Label2->text().startsWith("100 %")) << Label2->text().toStdString();
  EXPECT_EQ(answerer_.seen()[1].text, "Finished.");
  EXPECT_EQ(answerer_.seen()[1].icon, QMessageBox::Information);
  EXPECT_EQ(answerer_.seen()[1].title, "Morvane");
  EXPECT_EQ(FileNames(),
            (std::vector<std::string>{"Morvane-1-10.txt", "Morvane-11-20.txt", "Morvane-21-25.txt"}));
  EXPECT_EQ(FileText("Morvane-1-10.txt") + FileText("Morvane-11-20.txt") + FileText("Morvane-21-25.txt"),
            Records(1, 25));
  EXPECT_EQ(txCt->text().toStdString(), "Files saved to " + folder_);
  EXPECT_EQ(Command1->text(), "Start");
  EXPECT_TRUE(Command1->isEnabled());

  // Again, with the fields as they are now, and no warning.
  Enter("30", "37", "10");
  Press();
  EXPECT_EQ(answerer_.texts(), (std::vector<QString>{warning.text, "Finished.", "Finished."}));
  EXPECT_EQ(FileText("Morvane-30-39.txt"), Records(30, 37));
  EXPECT_EQ(txCt->text().toStdString(), "File saved to " + folder_);
  EXPECT_EQ(Command1->text(), "Start");
}

TEST_F(Form1Run, LinesTypedIntoTheListAreTakenAsTyped) {
  Enter("1", "12", "");
  Combo1->setFocus();
  QTest::keyClicks(Combo1->lineEdit(), "10");
  EXPECT_EQ(Combo1->currentText(), "10") << "completed to a longer entry of the list";
  Press();
  EXPECT_EQ(FileNames(), (std::vector<std::string>{"Morvane-1-10.txt", "Morvane-11-12.txt"}));
}

TEST_F(Form1Run, StatusKeepsTheLastProgressLineWhenTheRunMeetsTheBound) {
  // One multiple of 10,000 before 2^48, where the run overflows.
  Enter("281474976709999", "1000000000000000", "100000");
  Press();
  EXPECT_EQ(answerer_.texts().back(), "Bounds of program have been exceeded");
  EXPECT_EQ(txCt->text(),
            "281474976710000  79228162513894479474146580001 - 79228162513895042424100000000 : 562949953419999");
  EXPECT_EQ(txCt->toolTip().toStdString(), "Data files are being saved in " + folder_);

  // N out of range is the same overflow, before any file is opened.
  Enter("9999", "1000000000000000", "1e12");
  Press();
  EXPECT_EQ(answerer_.texts().back(), "Bounds of program have been exceeded");
  EXPECT_EQ(answerer_.seen().back().icon, QMessageBox::Critical);
  EXPECT_EQ(txFrom->text(), "1");
  EXPECT_EQ(FileNames(), std::vector<std::string>{"Morvane-281474976709999-281474976809998.txt"});
}

TEST_F(Form1Run, OverflowAtTheBoundResetsTheFieldsAndReturnsTheButtonToStart) {
  Enter("281474976710650", "1000000000000000", "10");
  Combo1->setCurrentIndex(2);
  Press();
  EXPECT_EQ(answerer_.texts().back(), "Bounds of program have been exceeded");
  EXPECT_EQ(answerer_.seen().back().icon, QMessageBox::Critical);
  EXPECT_EQ(txFrom->text(), "1");
  EXPECT_EQ(txTo->text(), "1000000000000000");
  EXPECT_EQ(Combo1->currentText(), "100000") << "the list is left alone";
  EXPECT_EQ(Command1->text(), "Start");
  EXPECT_TRUE(Command1->isEnabled());
  EXPECT_EQ(txCt->text(), "") << "no number of the range is a multiple of 10,000";
  const std::string text = FileText("Morvane-281474976710650-281474976810649.txt");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6);
}

TEST_F(Form1Run, AFileFailureLeavesStopEnabledAndAPressThenOnlyStops) {
  form_ = std::make_unique<Form1>(folder_ + "/missing");
  Command1 = form_->findChild<QPushButton*>("Command1");
  txCt = form_->findChild<QLineEdit*>("txCt");
  Press();
  ASSERT_EQ(answerer_.seen().size(), 2u);
  EXPECT_EQ(answerer_.seen()[1].icon, QMessageBox::Critical);
  EXPECT_TRUE(answerer_.seen()[1].text.contains("No such file or directory"))
      << answerer_.seen()[1].text.toStdString();
  EXPECT_EQ(Command1->text(), "Stop");
  EXPECT_TRUE(Command1->isEnabled());
  Press();
  EXPECT_FALSE(Command1->isEnabled());
  EXPECT_EQ(answerer_.seen().size(), 2u) << "the second press started nothing";
}

TEST_F(Form1Run, StopButtonEndsTheRunAfterTheNumberBeingWritten) {
  EnterLongRun();
  WhenRunning([this] { QTest::mouseClick(Command1, Qt::LeftButton); });
  Press();
  ExpectStopped();
  Press();
  EXPECT_EQ(answerer_.seen().size(), 1u) << "a disabled button starts nothing";
}

// A second window in the same folder, as a second copy of the program would
// be, is turned away while the first runs, before its own run begins: it
// stays ready, and starts once the first has ended.
TEST_F(Form1Run, ASecondWindowInTheFolderIsTurnedAwayAndStartsOnceTheFirstHasEnded) {
  Form1 second(folder_);
  auto* const secondButton = second.findChild<QPushButton*>("Command1");
  second.findChild<QLineEdit*>("txTo")->setText("3");
  second.findChild<QComboBox*>("Combo1")->setEditText("10");
  EnterLongRun();
  QString refusedCaption;
  bool refusedEnabled = false;
  WhenRunning([&] {
    QTest::mouseClick(secondButton, Qt::LeftButton);
    refusedCaption = secondButton->text();
    refusedEnabled = secondButton->isEnabled();
    QTest::mouseClick(Command1, Qt::LeftButton);
  });
  Press();
  EXPECT_EQ(refusedCaption, "Start");
  EXPECT_TRUE(refusedEnabled);
  QTest::mouseClick(secondButton, Qt::LeftButton);
  const std::vector<QString> texts = answerer_.texts();
  ASSERT_EQ(texts.size(), 4u) << "the warnings, the refusal and \"Finished.\"";
  EXPECT_EQ(texts[2].toStdString(), "Another copy of the program is writing its files in " + folder_ +
                                        ". Wait until it has finished, or start this copy from another folder.");
  EXPECT_EQ(texts[3], "Finished.");
  EXPECT_EQ(FileText("Morvane-1-10.txt"), Records(1, 3));
}

TEST_F(Form1Run, EscapeInAFieldEndsTheRun) {
  EnterLongRun();
  WhenRunning([this] {
    txTo->setFocus();
    QTest::keyClick(txTo, Qt::Key_Escape);
  });
  Press();
  ExpectStopped();
}

TEST_F(Form1Run, EscapeInTheListsTextEndsTheRun) {
  EnterLongRun();
  WhenRunning([this] { QTest::keyClick(Combo1->lineEdit(), Qt::Key_Escape); });
  Press();
  ExpectStopped();
}

TEST_F(Form1Run, EscapeBeforeAnyRunDisablesTheButtonForGood) {
  QTest::keyClick(txFrom, Qt::Key_Escape);
  EXPECT_FALSE(Command1->isEnabled());
  EXPECT_EQ(Command1->text(), "Start");
  Press();
  EXPECT_TRUE(answerer_.seen().empty());
  EXPECT_TRUE(FileNames().empty());
}

// A hidden tooltip's label is deleted later; inside a run's event loop that
// "later" has to come too, or the tooltip shows once and never again.
TEST_F(Form1Run, StatusTooltipShowsAgainAndAgainDuringARun) {
  EnterLongRun();
  const QString expected = QString::fromStdString("Data files are being saved in " + folder_);
  std::vector<QString> shown;
  // Each at a later pass through the run's event loop than the one before.
  std::function<void()> showTip = [&] {
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), txCt->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(txCt, &help);
    shown.push_back(QToolTip::isVisible() ? QToolTip::text() : QString("(none)"));
    QToolTip::hideText();
    WhenRunning(shown.size() < 3 ? showTip : [this] { QTest::keyClick(txCt, Qt::Key_Escape); });
  };
  WhenRunning(showTip);
  Press();
  EXPECT_EQ(shown, (std::vector<QString>{expected, expected, expected}));
  ExpectStopped();
}

}  // namespace
}  // namespace morvane::ui_test
