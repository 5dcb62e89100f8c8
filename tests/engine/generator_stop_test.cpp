// Ending a run early: a stop request, the window closing the output file to
// end the program, and an exception escaping from the window; and the window
// answering while a run's files go to the disk at its end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/engine/run_fixture.h"

namespace morvane {
namespace {

using enginetest::ExpectedRecords;
using enginetest::FailingFileSystem;
using enginetest::RunFixture;
using enginetest::TestRun;

using Stop = RunFixture;

TEST_F(Stop, AStopAfterNumberKEndsTheRunAfterNumberKPlusOne) {
  // The view's events come after every number, or only after every few; a
  // stop asked for at one of them ends the run after one more number all the
  // same.
  struct Case {
    std::uint32_t numbersPerPass;
    int pass;
  };
  for (const auto [numbersPerPass, pass] : {Case{1, 1}, Case{1, 8}, Case{1, 9}, Case{1, 10}, Case{1, 15},
                                            Case{4, 2}, Case{3, 3}, Case{7, 2}}) {
    const int k = static_cast<int>(numbersPerPass) * pass;
    SCOPED_TRACE(k);
    TestRun run;
    run.view.numbersPerEventPass = numbersPerPass;
    run.view.onProcessEvents = [&](int passes) {
      if (passes == pass) run.generator.RequestStop();
    };
    run.Run("1", "1000", "10");
    EXPECT_EQ(run.view.eventsProcessed, pass);

    std::string written;
    for (const std::string& name : run.folder.Names()) written += run.File(name);
    EXPECT_EQ(written, ExpectedRecords("1", std::to_string(k + 1)));
    EXPECT_TRUE(run.view.messages.empty());
    EXPECT_EQ(run.view.caption, "Stop");
    EXPECT_EQ(run.view.status, (k + 1 > 10 ? "Files saved to " : "File saved to ") + run.folder.path());
    EXPECT_TRUE(run.generator.stopRequested());
  }
}

TEST_F(Stop, ClosingTheOutputForTheProgramsEndKeepsEveryRecordAndEndsTheRun) {
  using Operation = FailingFileSystem::Operation;
  for (const int k : {7, 10}) {
    SCOPED_TRACE(k);
    FailingFileSystem files(0, false, 0);
    TestRun run(files);
    std::string atClose;
    run.view.onProcessEvents = [&](int numbersWritten) {
      if (numbersWritten != k) return;
      run.generator.CloseOutput();
      atClose = run.File("Morvane-1-10.txt");
    };
    run.Run("1", "1000", "10");
    EXPECT_EQ(atClose, ExpectedRecords("1", std::to_string(k)));
    // Should the window not end the program after all, nothing more is
    // written, and no later file is begun at a file switch.
    EXPECT_EQ(run.folder.Names(), std::vector<std::string>{"Morvane-1-10.txt"});
    EXPECT_EQ(run.File("Morvane-1-10.txt"), atClose);
    EXPECT_TRUE(run.view.messages.empty());
    // The program ends at once: nothing waits for the disk.
    for (const Operation waits : {Operation::kWriteBack, Operation::kFlushFile, Operation::kFlushClosed,
                                  Operation::kFlushFolder}) {
      EXPECT_EQ(std::count(files.operations().begin(), files.operations().end(), waits), 0);
    }
  }
}

TEST(StopByException, AnExceptionFromTheWindowLeavesNoFileOpenAndNoRecordUnwritten) {
  FailingFileSystem files(0, false, 0);
  TestRun run(files);
  run.view.onProcessEvents = [](int numbersWritten) {
    if (numbersWritten == 12) throw std::runtime_error("window gone");
  };
  EXPECT_THROW(run.Run("1", "1000"), std::runtime_error);
  EXPECT_EQ(files.openFiles(), 0);
  EXPECT_EQ(run.File("Morvane-1-100000.txt"), ExpectedRecords("1", "12"));

  run.view.onProcessEvents = nullptr;
  run.view.onShowMessage = [](std::string_view) { throw std::runtime_error("no message box"); };
  EXPECT_THROW(run.Run("1", "3"), std::runtime_error);
  EXPECT_EQ(files.openFiles(), 0);
  EXPECT_EQ(run.File("Morvane-1-100000.txt"), ExpectedRecords("1", "3"));
}

// A disk that takes its time over the run's last file: its flush waits until
// the window has handled its events a few times meanwhile, or gives up after
// a deadline that a run which does not answer meanwhile meets.
class SlowDisk : public FailingFileSystem {
 public:
  static constexpr int kPasses = 3;

  SlowDisk() : FailingFileSystem(0, false, 0) {}
  int FlushFile(FileHandle file) noexcept override {
    {
      std::unique_lock lock(mutex_);
      answered_.wait_for(lock, std::chrono::seconds(10), [this] { return passes_ >= kPasses; });
    }
    return FailingFileSystem::FlushFile(file);
  }
  void Answered() {
    {
      const std::lock_guard lock(mutex_);
      ++passes_;
    }
    answered_.notify_one();
  }

 private:
  std::mutex mutex_;
  std::condition_variable answered_;
  int passes_ = 0;
};

TEST(Saving, TheWindowAnswersWhileTheFilesGoToTheDiskAndAStopOrACloseThenCounts) {
  enum class Press { kNothing, kStop, kClose };
  for (const Press press : {Press::kNothing, Press::kStop, Press::kClose}) {
    SCOPED_TRACE(static_cast<int>(press));
    SlowDisk disk;
    TestRun run(disk);
    run.view.onProcessEventsWhileSaving = [&](int passes) {
      if (passes == 1 && press == Press::kStop) run.generator.RequestStop();
      if (passes == 1 && press == Press::kClose) run.generator.CloseOutput();
      disk.Answered();
    };
    run.Run("1", "25", "10");
    EXPECT_GE(run.view.eventsWhileSaving, SlowDisk::kPasses);
    std::string written;
    for (const std::string& name : run.folder.Names()) written += run.File(name);
    EXPECT_EQ(written, ExpectedRecords("1", "25"));
    EXPECT_EQ(disk.openFiles(), 0);
    switch (press) {
      case Press::kNothing:
        run.ExpectFinished(true);
        break;
      case Press::kStop:
        // Stopped before the run said it had finished: saved, not finished.
        EXPECT_TRUE(run.view.messages.empty());
        EXPECT_EQ(run.view.status, "Files saved to " + run.folder.path());
        break;
      case Press::kClose:
        // The program is ending: nothing more is shown.
        EXPECT_TRUE(run.view.messages.empty());
        EXPECT_EQ(run.view.status, "status before the run");
        break;
    }
  }
}

}  // namespace
}  // namespace morvane
