// Ways the program ends at once: Cancel in the first-press warning, and
// closing the window in the middle of a run. Each runs in a child process.
#include <QTimer>

#include "tests/ui/ui_test_support.h"

namespace morvane::ui_test {
namespace {

using Form1Exit = WindowTest;

TEST_F(Form1Exit, CancelInTheWarningEndsTheProgramBeforeAnyFile) {
  EXPECT_EXIT(
      {
        answerer_.Queue(QMessageBox::Cancel);
        Press();
        std::fprintf(stderr, "the program went on after Cancel\n");
        std::exit(1);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_TRUE(FileNames().empty());
}

TEST_F(Form1Exit, ClosingTheWindowDuringARunKeepsEveryRecordWritten) {
  // Small files, so that the close most likely finds records in a later one.
  Enter("1", "1000000000000000", "10000");
  EXPECT_EXIT(
      {
        // Closed once the run is into its second file, however long the
        // first-press warning took to be answered.
        auto* poll = new QTimer(form_.get());
        QObject::connect(poll, &QTimer::timeout, form_.get(), [this] {
          if (FileNames().size() >= 2) form_->close();
        });
        poll->start(5);
        Press();
        std::fprintf(stderr, "the run went on after the window closed\n");
        std::exit(1);
      },
      testing::ExitedWithCode(0), "");
  const std::vector<std::string> names = FileNames();
  ASSERT_FALSE(names.empty());
  std::string all;
  for (std::uint64_t lower = 1; lower <= 10000 * names.size(); lower += 10000) {
    all += FileText("Morvane-" + std::to_string(lower) + "-" + std::to_string(lower + 9999) + ".txt");
  }
  std::uint64_t records = 0;
  EXPECT_TRUE(IsRunFrom(1, all, &records)) << records << " records, the last one lost or cut";
}

}  // namespace
}  // namespace morvane::ui_test
