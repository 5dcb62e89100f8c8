// Ways the program ends at once: Cancel in the first-press warning, and
// being ended in the middle of a run. Each runs in a child process.
#include <signal.h>

#include <cstdint>
#include <cstdio>
#include <fstream>

#include "tests/ui/ui_test_support.h"
#include "ui/ending_signals.h"

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

// Every way the program is ended from outside during a run: closing the
// window, the desktop session's quit, and the signals of a logout, a closed
// terminal and Ctrl+C. Each ends it after the record being written, with
// every record so far whole in the files and the status usual for that way.
TEST_F(Form1Exit, EndingTheProgramDuringARunKeepsEveryRecordWritten) {
  struct Ending {
    const char* name;
    std::function<void()> act;
    std::function<bool(int)> expectedStatus;
  };
  const auto raising = [](int signalNumber) { return [signalNumber] { ::raise(signalNumber); }; };
  const Ending endings[] = {
      {"close", [this] { form_->close(); }, testing::ExitedWithCode(0)},
      {"session quit",
       [] {
         QEvent quit(QEvent::Quit);
         QCoreApplication::sendEvent(qApp, &quit);
       },
       testing::ExitedWithCode(0)},
      {"SIGTERM", raising(SIGTERM), testing::KilledBySignal(SIGTERM)},
      {"SIGHUP", raising(SIGHUP), testing::KilledBySignal(SIGHUP)},
      {"SIGINT", raising(SIGINT), testing::KilledBySignal(SIGINT)},
  };
  // Small files, so that the ending finds records in a later one.
  Enter("1", "1000000000000000", "25000");
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.name);
    for (const std::string& name : FileNames()) std::remove((folder_ + "/" + name).c_str());
    EXPECT_EXIT(
        {
          const EndingSignals endingSignals([this] { form_->closeOutput(); });
          // As the run shows progress in the middle of a file after the
          // first, with the records before it still in the buffer. The
          // number shown is left for the parent to compare.
          QObject::connect(txCt, &QLineEdit::textChanged, [&](const QString& status) {
            const std::uint64_t number = status.section(' ', 0, 0).toULongLong();
            if (number <= 25000 || number % 25000 == 0) return;
            std::ofstream(folder_ + "/shown") << status.section(' ', 0, 0).toStdString();
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
    for (std::uint64_t lower = 1; lower <= 25000 * files; lower += 25000) {
      all += FileText("Morvane-" + std::to_string(lower) + "-" + std::to_string(lower + 24999) + ".txt");
    }
    std::uint64_t records = 0;
    EXPECT_TRUE(IsRunFrom(1, all, &records)) << records << " records, the last one lost or cut";
    EXPECT_GE(records, shown) << "records lost that the progress line had shown";
  }
}

}  // namespace
}  // namespace morvane::ui_test
