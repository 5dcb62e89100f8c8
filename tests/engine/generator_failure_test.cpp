// Runs that fail: every file operation made to fail in turn, failures the
// real system produces, and From texts that cannot be part of a file name.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "tests/engine/run_fixture.h"

namespace morvane {
namespace {

using enginetest::ExpectedRecords;
using enginetest::FailingFileSystem;
using enginetest::FakeRunView;
using enginetest::RunFixture;
using enginetest::TempFolder;
using enginetest::TestRun;
using enginetest::WriteFile;
using Operation = FailingFileSystem::Operation;

const char* const kSeries[] = {"Morvane-1-10.txt", "Morvane-11-20.txt", "Morvane-21-25.txt"};
constexpr char kOldContents[] = "left by an earlier run\r\n";

const char* Verb(Operation operation) {
  switch (operation) {
    case Operation::kUnlink: return "Cannot delete ";
    case Operation::kOpen: return "Cannot create ";
    case Operation::kWrite: return "Cannot write ";
    case Operation::kClose: return "Cannot close ";
  }
  return "";
}

// A run from 1 to 25 by 10 over files left by an earlier run, so that it
// deletes, creates, writes and closes, with one of those operations failing.
struct FailingRun {
  FailingRun(int failAt, bool persistent, std::size_t bufferBytes)
      : files(failAt, persistent, ENOSPC), run(files, bufferBytes), folder(run.folder), view(run.view) {
    for (const char* name : kSeries) WriteFile(folder / name, kOldContents);
    run.Run("1", "25", "10");
  }

  // What this run left in its files, in order.
  std::string Written() const {
    std::string written;
    for (const std::string& name : folder.Names()) {
      const std::string contents = run.File(name);
      if (contents != kOldContents) written += contents;
    }
    return written;
  }

  FailingFileSystem files;
  TestRun run;
  const TempFolder& folder;
  const FakeRunView& view;
};

TEST(FailingFileOperations, EachFailureIsToldOnceClosesTheFileAndKeepsEarlierRecords) {
  const std::string allRecords = ExpectedRecords("1", "25");
  for (const std::size_t bufferBytes : {std::size_t{0}, std::size_t{40}}) {
    const int operationCount = static_cast<int>(FailingRun(0, false, bufferBytes).files.operations().size());
    for (const bool persistent : {false, true}) {
      for (int k = 1; k <= operationCount; ++k) {
        SCOPED_TRACE("buffer " + std::to_string(bufferBytes) + (persistent ? ", persistent" : ", once") +
                     ", failing operation " + std::to_string(k));
        const FailingRun run(k, persistent, bufferBytes);
        const std::vector<Operation>& operations = run.files.operations();
        const Operation failed = operations[static_cast<std::size_t>(k - 1)];

        ASSERT_EQ(run.view.messages.size(), 1U);
        const std::string& text = run.view.messages[0].text;
        EXPECT_TRUE(text.starts_with(Verb(failed) + run.folder.path() + "/Morvane-")) << text;
        EXPECT_TRUE(text.ends_with(".txt: No space left on device")) << text;
        EXPECT_EQ(run.view.messages[0].icon, MessageIcon::kCritical);
        EXPECT_EQ(run.view.status, "status before the run");
        EXPECT_EQ(run.view.caption, "Stop");
        EXPECT_EQ(run.files.openFiles(), 0);
        EXPECT_TRUE(std::none_of(operations.begin() + k, operations.end(),
                                 [](Operation o) { return o == Operation::kOpen || o == Operation::kUnlink; }))
            << "a later file was opened";

        const std::string written = run.Written();
        if (bufferBytes == 0) {
          // Unbuffered, each write is one record.
          const auto recordsWritten = std::count(operations.begin(), operations.begin() + (k - 1), Operation::kWrite);
          EXPECT_EQ(written, recordsWritten ? ExpectedRecords("1", std::to_string(recordsWritten)) : "");
        } else {
          EXPECT_EQ(written, allRecords.substr(0, written.size()));
          EXPECT_TRUE(written.empty() || written.ends_with("\r\n"));
        }
      }
    }
  }
}

using RealFailures = RunFixture;

// In a child process, whose file size limit cannot leak into the tests.
TEST_F(RealFailures, AWriteFailingPartWayGivesTheSystemsReasonAndKeepsWhatWasWritten) {
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipeEnds[0]);
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 1000;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    Run("1", "1000");
    std::string report;
    for (const auto& message : view.messages) report += message.text + "\n";
    report += view.status;
    const ssize_t ignored = ::write(pipeEnds[1], report.data(), report.size());
    static_cast<void>(ignored);
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  std::string report;
  char chunk[256];
  for (ssize_t got; (got = ::read(pipeEnds[0], chunk, sizeof chunk)) > 0;) report.append(chunk, static_cast<std::size_t>(got));
  ::close(pipeEnds[0]);
  int childStatus = 0;
  ::waitpid(child, &childStatus, 0);

  const std::string path = folder / "Morvane-1-100000.txt";
  EXPECT_EQ(report, "Cannot write " + path + ": File too large\nstatus before the run");
  const std::string written = File("Morvane-1-100000.txt");
  EXPECT_EQ(written.size(), 1000U);
  EXPECT_EQ(written, ExpectedRecords("1", "1000").substr(0, 1000));
}

TEST_F(RealFailures, ACreateTheSystemRefusesGivesTheSystemsReason) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  // The folder is root's, mode 0700: closed to anyone else.
  ::setfsgid(65534);
  ::setfsuid(65534);
  Run("1", "5");
  ::setfsuid(0);
  ::setfsgid(0);
  ASSERT_EQ(view.messages.size(), 1U);
  EXPECT_EQ(view.messages[0].text, "Cannot create " + (folder / "Morvane-1-100000.txt") + ": Permission denied");
  EXPECT_TRUE(folder.Names().empty());
}

using UnsafeFrom = RunFixture;

TEST_F(UnsafeFrom, AFromTextThatWouldLeaveTheFolderFailsBeforeAnyFileIsTouched) {
  // Were "/" taken as typed, this From would name <folder>/victim-99999.txt.
  ASSERT_EQ(::mkdir((folder / "Morvane-").c_str(), 0700), 0);
  WriteFile(folder / "victim-99999.txt", "precious");
  for (const std::string& from : {std::string("/../victim"), std::string("..\\victim"), std::string("1\0/x", 4),
                                 std::string("1\0", 2)}) {
    SCOPED_TRACE(from);
    view.messages.clear();
    Run(from, "5");
    ASSERT_EQ(view.messages.size(), 1U);
    EXPECT_TRUE(view.messages[0].text.starts_with("Bad file name: ")) << view.messages[0].text;
    EXPECT_EQ(view.caption, "Stop");
    EXPECT_EQ(view.status, "status before the run");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Morvane-", "victim-99999.txt"}));
    EXPECT_EQ(File("victim-99999.txt"), "precious");
  }
}

TEST_F(UnsafeFrom, ANameTooLongForTheSystemGivesTheSystemsReason) {
  const std::string from = "1" + std::string(299, 'x');
  Run(from, "5");
  ASSERT_EQ(view.messages.size(), 1U);
  EXPECT_EQ(view.messages[0].text,
            "Cannot create " + (folder / ("Morvane-" + from + "-100000.txt")) + ": File name too long");
}

}  // namespace
}  // namespace morvane
