// Ending a run early: a stop request, the window closing the output file to
// end the program, and an exception escaping from the window.
#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>
#include <string>

#include "tests/engine/run_fixture.h"

namespace morvane {
namespace {

using enginetest::ExpectedRecords;
using enginetest::FailingFileSystem;
using enginetest::FakeRunView;
using enginetest::ReadFile;
using enginetest::RunFixture;
using enginetest::TempFolder;

using Stop = RunFixture;

TEST_F(Stop, AStopAfterNumberKEndsTheRunAfterNumberKPlusOne) {
  for (const int k : {1, 8, 9, 10, 15}) {
    SCOPED_TRACE(k);
    TempFolder fresh;
    FakeRunView freshView;
    freshView.from = "1";
    freshView.to = "1000";
    freshView.linesPerFile = "10";
    Generator run(freshView, fresh.path());
    freshView.onProcessEvents = [&](int numbersWritten) {
      if (numbersWritten == k) run.RequestStop();
    };
    run.PD();

    std::string written;
    for (const std::string& name : fresh.Names()) written += ReadFile(fresh / name);
    EXPECT_EQ(written, ExpectedRecords("1", std::to_string(k + 1)));
    EXPECT_TRUE(freshView.messages.empty());
    EXPECT_EQ(freshView.caption, "Stop");
    EXPECT_EQ(freshView.status, (k + 1 > 10 ? "Files saved to " : "File saved to ") + fresh.path());
    EXPECT_TRUE(run.stopRequested());
  }
}

TEST_F(Stop, ClosingTheOutputForTheProgramsEndKeepsEveryRecordWritten) {
  std::string atClose;
  view.onProcessEvents = [&](int numbersWritten) {
    if (numbersWritten != 7) return;
    generator.CloseOutput();
    atClose = File("Morvane-1-100000.txt");
  };
  Run("1", "1000");
  EXPECT_EQ(atClose, ExpectedRecords("1", "7"));
  // Should the run go on after all, it fails instead of writing nowhere.
  ASSERT_EQ(view.messages.size(), 1U);
  EXPECT_EQ(view.messages[0].text,
            "Cannot write " + (folder / "Morvane-1-100000.txt") + ": Bad file descriptor");
  EXPECT_EQ(File("Morvane-1-100000.txt"), ExpectedRecords("1", "7"));
}

TEST_F(Stop, AnExceptionFromTheWindowLeavesNoFileOpenAndNoRecordUnwritten) {
  TempFolder fresh;
  FailingFileSystem files(0, false, 0);
  FakeRunView freshView;
  freshView.to = "1000";
  Generator run(freshView, fresh.path(), files);
  freshView.onProcessEvents = [](int numbersWritten) {
    if (numbersWritten == 12) throw std::runtime_error("window gone");
  };
  EXPECT_THROW(run.PD(), std::runtime_error);
  EXPECT_EQ(files.openFiles(), 0);
  EXPECT_EQ(ReadFile(fresh / "Morvane-1-100000.txt"), ExpectedRecords("1", "12"));

  freshView.onProcessEvents = nullptr;
  freshView.to = "3";
  freshView.onShowMessage = [](std::string_view) { throw std::runtime_error("no message box"); };
  EXPECT_THROW(run.PD(), std::runtime_error);
  EXPECT_EQ(files.openFiles(), 0);
  EXPECT_EQ(ReadFile(fresh / "Morvane-1-100000.txt"), ExpectedRecords("1", "3"));
}

}  // namespace
}  // namespace morvane
