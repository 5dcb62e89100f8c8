// Ending a run early: a stop request, the window closing the output file to
// end the program, and an exception escaping from the window.
#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <vector>

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

TEST_F(Stop, ClosingTheOutputForTheProgramsEndKeepsEveryRecordAndEndsTheRun) {
  for (const int k : {7, 10}) {
    SCOPED_TRACE(k);
    TempFolder fresh;
    FakeRunView freshView;
    freshView.to = "1000";
    freshView.linesPerFile = "10";
    Generator run(freshView, fresh.path());
    std::string atClose;
    freshView.onProcessEvents = [&](int numbersWritten) {
      if (numbersWritten != k) return;
      run.CloseOutput();
      atClose = ReadFile(fresh / "Morvane-1-10.txt");
    };
    run.PD();
    EXPECT_EQ(atClose, ExpectedRecords("1", std::to_string(k)));
    // Should the window not end the program after all, nothing more is
    // written, and no later file is begun at a file switch.
    EXPECT_EQ(fresh.Names(), std::vector<std::string>{"Morvane-1-10.txt"});
    EXPECT_EQ(ReadFile(fresh / "Morvane-1-10.txt"), atClose);
    EXPECT_TRUE(freshView.messages.empty());
  }
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
