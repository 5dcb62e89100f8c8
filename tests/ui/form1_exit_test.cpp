// Ways the program ends at once: Cancel in the first-press warning, and
// closing the window in the middle of a run. Each runs in a child process.
#include <QFileInfo>

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
  // Small files, and the close once the second has begun, so that it finds
  // records in a later file than the first.
  Enter("1", "1000000000000000", "10000");
  EXPECT_EXIT(
      {
        When([this] { return QFileInfo::exists(QString::fromStdString(folder_ + "/Morvane-10001-20000.txt")); },
             [this] { form_->close(); });
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
