// Ways the program ends at once: Cancel in the first-press warning, and
// being ended in the middle of a run. Each runs in a child process.
#include <signal.h>

#include <cstdint>
#include <cstdio>
#include <fstream>

#include "engine/files/output_file.h"
#include "tests/ui/ui_test_support.h"
#include "ui/qt/ending_signals.h"

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

// Every way the program is ended in the middle of a run: closing the window,
// the desktop session's quit, a signal. Each keeps every record written so
// far, as many as the progress line showed and more. A file here is smaller
// than the buffer, so the one being written reaches the system only when the
// ending closes it.
TEST_F(Form1Exit, EndingTheProgramDuringARunKeepsEveryRecordWritten) {
  constexpr std::uint64_t kLinesPerFile = 5000;
  // The longest record, " 6000000 ,  36000000000000 ,  11999999\r\n", 40 bytes.
  static_assert(kLinesPerFile * 40 < OutputFile::kDefaultBufferBytes);
  struct Ending {
    const char* name;
    std::function<void()> act;
    std::function<bool(int)> expectedStatus;
  };
  const Ending endings[] = {
      {"close", [this] { form_->close(); }, testing::ExitedWithCode(0)},
      {"session quit",
       [] {
         QEvent quit(QEvent::Quit);
         QCoreApplication::sendEvent(qApp, &quit);
       },
       testing::ExitedWithCode(0)},
      // The window's thread answers at once.
      {"SIGTERM",
       [] {
         ::raise(SIGTERM);
         QTest::qWait(30'000);
       },
       testing::KilledBySignal(SIGTERM)},
  };
  // A few million: should the ending never come, the run ends soon all the same.
  Enter("1", "6000000", QString::number(kLinesPerFile));
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.name);
    for (const std::string& name : FileNames()) std::remove((folder_ + "/" + name).c_str());
    EXPECT_EXIT(
        {
          const EndingSignals endingSignals([this] { form_->behaviour().CloseOutput(); }, [] {}, std::chrono::seconds(60));
          // Once the run has shown progress; the number shown is left for
          // the parent to compare.
          When([this] { return txCt->text().section(' ', 0, 0).toULongLong() > 0; },
               [&] {
                 std::ofstream(folder_ + "/shown") << txCt->text().section(' ', 0, 0).toStdString();
                 ending.act();
               });
          Press();
          std::fprintf(stderr, "the run went on after the program was ended\n");
          std::exit(1);
        },
        ending.expectedStatus, "");
    std::uint64_t shown = 0;
    std::ifstream(folder_ + "/shown") >> shown;
    const std::size_t files = FileNames().size() - 1;
    ASSERT_GT(files, 0U);
    std::string all;
    for (std::uint64_t lower = 1; lower <= kLinesPerFile * files; lower += kLinesPerFile) {
      all += FileText("Morvane-" + std::to_string(lower) + "-" + std::to_string(lower + kLinesPerFile - 1) + ".txt");
    }
    std::uint64_t records = 0;
    EXPECT_TRUE(IsRunFrom(1, all, &records)) << records << " records, the last one cut";
    EXPECT_GT(records, kLinesPerFile * (files - 1)) << "the file being written was lost";
    EXPECT_GE(records, shown) << "records lost that the progress line had shown";
  }
}

}  // namespace
}  // namespace morvane::ui_test
