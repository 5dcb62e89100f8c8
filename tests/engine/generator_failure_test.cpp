// Runs that fail: every file operation made to fail in turn, failures the
// real system produces, and From texts that cannot be part of a file name.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "engine/files/size_text.h"

#include "tests/engine/run_fixture.h"

namespace morvane {
namespace {

using enginetest::ExpectedRecords;
using enginetest::FailingFileSystem;
using enginetest::FakeRunView;
using enginetest::ReadFile;
using enginetest::ReasonFor;
using enginetest::Refusal;
using enginetest::RunFixture;
using enginetest::TempFolder;
using enginetest::TestRun;
using enginetest::WriteFile;
using Operation = FailingFileSystem::Operation;

const char* const kSeries[] = {"Morvane-1-10.txt", "Morvane-11-20.txt", "Morvane-21-25.txt"};
constexpr char kOldContents[] = "left by an earlier run\r\n";

// How the message of a failing operation begins: it names the file, or the
// folder for the flushes that make the run's closed files and the folder's
// entries durable.
std::string MessageStart(Operation operation, const TempFolder& folder) {
  switch (operation) {
    case Operation::kUnlink: return "Cannot delete " + (folder / "Morvane-");
    case Operation::kOpen: return "Cannot create " + (folder / "Morvane-");
    case Operation::kWrite:
    case Operation::kTruncate:
    case Operation::kWriteBack:
    case Operation::kFlushFile: return "Cannot write " + (folder / "Morvane-");
    case Operation::kClose: return "Cannot close " + (folder / "Morvane-");
    case Operation::kFlushClosed: return "Cannot write the files in " + folder.path() + ": ";
    case Operation::kFlushFolder: return "Cannot write the folder " + folder.path() + ": ";
  }
  return "";
}

// A run from 1 to 25 by 10 over files left by an earlier run, so that it
// deletes, creates, writes, closes and flushes to the disk, with one of those
// operations failing.
struct FailingRun {
  FailingRun(int failAt, bool persistent, std::size_t bufferBytes, std::size_t takenBeforeFailing = 0)
      : files(failAt, persistent, ENOSPC, takenBeforeFailing), run(files, bufferBytes), folder(run.folder),
        view(run.view) {
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
        EXPECT_TRUE(text.starts_with(MessageStart(failed, run.folder))) << text;
        EXPECT_TRUE(text.ends_with(": No space left on device")) << text;
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

// The disk fills in the middle of a hand-over of several records: the system
// takes from one byte to all but one, then fails. The file is cut back to its
// last whole record; when the cut fails too (the failure persists), the
// message says so.
TEST(FailingFileOperations, APartTakenBufferIsCutBackToTheLastWholeRecord) {
  const std::string allRecords = ExpectedRecords("1", "25");
  constexpr std::size_t kBufferBytes = 64;
  const FailingRun clean(0, false, kBufferBytes);
  std::size_t bytesBefore = 0;
  std::size_t writeNumber = 0;
  for (int k = 1; k <= static_cast<int>(clean.files.operations().size()); ++k) {
    if (clean.files.operations()[static_cast<std::size_t>(k - 1)] != Operation::kWrite) continue;
    const std::size_t size = clean.files.writeSizes()[writeNumber++];
    for (std::size_t taken = 1; taken < size; ++taken) {
      const std::size_t lineEnd = allRecords.rfind('\n', bytesBefore + taken - 1);
      const std::size_t whole = lineEnd == std::string::npos ? 0 : lineEnd + 1;
      // One byte never ends a record, so the cut is needed there.
      for (const bool cutFails : {false, true}) {
        if (cutFails && taken > 1) break;
        SCOPED_TRACE("write at operation " + std::to_string(k) + ", " + std::to_string(taken) + " of " +
                     std::to_string(size) + " bytes taken" + (cutFails ? ", cut fails" : ""));
        const FailingRun run(k, cutFails, kBufferBytes, taken);
        ASSERT_EQ(run.view.messages.size(), 1U);
        EXPECT_TRUE(run.view.messages[0].text.ends_with(
            cutFails ? ".txt: No space left on device; cannot cut it back to its last whole record: "
                       "No space left on device"
                     : ".txt: No space left on device"))
            << run.view.messages[0].text;
        EXPECT_EQ(run.Written(), allRecords.substr(0, cutFails ? bytesBefore + taken : whole));
        EXPECT_EQ(run.files.openFiles(), 0);
      }
    }
    bytesBefore += size;
  }
}

// Windows: the system's own failures are tested with the Windows file layer
// (tests/windows).
#ifndef _WIN32
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
  // The system took the first 1000 bytes; the file keeps the whole records.
  const std::string records = ExpectedRecords("1", "1000");
  EXPECT_EQ(File("Morvane-1-100000.txt"), records.substr(0, records.rfind('\n', 999) + 1));
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
#endif

// What a run that failed left: one critical message, no "Finished.", no
// saved-to line, the button as after any failure but overflow, and exactly
// the records of a run from 1 in the first file, every one whole.
void ExpectFailedWithWholeRecords(const FakeRunView& view, const std::string& message, const std::string& written) {
  ASSERT_EQ(view.messages.size(), 1U);
  EXPECT_EQ(view.messages[0].text, message);
  EXPECT_EQ(view.messages[0].icon, MessageIcon::kCritical);
  EXPECT_EQ(view.status.find("saved to"), std::string::npos) << view.status;
  EXPECT_EQ(view.caption, "Stop");
  const std::string records = ExpectedRecords("1", "100000");
  EXPECT_EQ(written, records.substr(0, written.size()));
  EXPECT_TRUE(written.empty() || written.ends_with("\r\n"));
}

std::string ReserveText(const std::string& folder, std::uint64_t available, std::uint64_t kept) {
  return "Stopped before the disk is full: only " + SizeText(available) + " left in " + folder +
         " (the program keeps " + SizeText(kept) + " free).";
}

// A disk of 100 MiB keeps 5 MiB free: a run that starts below that writes
// nothing and replaces no file; one that starts above it stops with every
// record that fits written, the last one its progress line showed among them
// although it lies beyond the first buffer.
TEST(DiskReserve, ARunNeverWritesIntoTheSpaceKeptFree) {
  constexpr std::uint64_t kDisk = 100 << 20;
  constexpr std::uint64_t kKept = 5 << 20;
  // Records 1 to 10,000 take 268,721 bytes.
  constexpr std::uint64_t kHeadroom = 300 << 10;
  for (const std::uint64_t available : {kKept - 1, kKept + kHeadroom}) {
    SCOPED_TRACE(available);
    FailingFileSystem files(0, false, 0);
    files.space = FileSystem::Space{available, kDisk};
    TestRun run(files);
    WriteFile(run.folder / "Morvane-1-100000.txt", kOldContents);
    run.Run("1", "1000000000000000");
    const std::string written = run.File("Morvane-1-100000.txt");
    const std::string folder = run.folder.path();
    if (available < kKept) {
      EXPECT_EQ(written, kOldContents);
      ExpectFailedWithWholeRecords(run.view, ReserveText(folder, available, kKept), "");
    } else {
      const std::string records = ExpectedRecords("1", "100000");
      EXPECT_LE(written.size(), kHeadroom);
      EXPECT_GT(records.find('\n', written.size()) + 1, kHeadroom) << "a record that fits was left out";
      EXPECT_EQ(run.view.status.substr(0, 7), "10000  ");
      EXPECT_NE(written.find("\n 10000 , "), std::string::npos);
      ExpectFailedWithWholeRecords(run.view, ReserveText(folder, available - written.size(), kKept), written);
    }
  }
}

TEST(SizeText, RoundsDownSoAsNeverToClaimMoreThanThereIs) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "0 bytes"},         {1, "1 byte"},          {1023, "1023 bytes"},
      {1024, "1 KiB"},        {1535, "1.4 KiB"},      {(10 << 20) - 1, "9.9 MiB"},
      {10 << 20, "10 MiB"},   {(812ULL << 20) + 1000, "812 MiB"}, {1ULL << 30, "1 GiB"},
      {~0ULL, "15 EiB"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(SizeText(bytes), text) << bytes;
}

// A real disk filling up: a tmpfs, where the system takes part of the last
// buffer and refuses the rest. With the reserve standing aside (a disk that
// does not tell its size) the run meets the full disk itself.
#ifndef _WIN32
TEST(SmallTmpfs, AFullDiskEndsTheRunWithWholeRecords) {
  TempFolder folder("tmpfs", "1m");
  if (!folder.mounted()) GTEST_SKIP() << "the system refused to mount a tmpfs";
  FakeRunView view;
  FailingFileSystem files(0, false, 0);
  files.space = FileSystem::Space{};
  Generator run(view, folder.path(), files);
  run.PD();
  const std::string path = folder / "Morvane-1-100000.txt";
  const std::string written = ReadFile(path);
  ExpectFailedWithWholeRecords(view, "Cannot write " + path + ": No space left on device", written);
  EXPECT_GT(written.size(), (1U << 20) - OutputFile::kDefaultBufferBytes);
}

TEST(SmallTmpfs, TheReserveStopsTheRunWithWholeRecords) {
  TempFolder folder("tmpfs", "4m");
  if (!folder.mounted()) GTEST_SKIP() << "the system refused to mount a tmpfs";
  FakeRunView view;
  Generator run(view, folder.path());
  run.PD();
  struct statvfs disk {};
  ASSERT_EQ(::statvfs(folder.path().c_str(), &disk), 0);
  const std::uint64_t kept = disk.f_blocks * disk.f_frsize / 20;
  const std::uint64_t available = disk.f_bavail * disk.f_frsize;
  EXPECT_GE(available, kept);
  ExpectFailedWithWholeRecords(view, ReserveText(folder.path(), available, kept),
                               ReadFile(folder / "Morvane-1-100000.txt"));
}

// btrfs tells its free space before it has found room on the disk for what
// it was handed, by hundreds of MiB; and as the metadata where small files
// live grows, it cuts a new chunk for it from the free space at once. Runs
// that believed the free space it told ended inside the reserve.
TEST(SmallBtrfs, TheReserveHoldsWhereTheDiskCountsWritesLate) {
  for (const auto& [size, linesPerFile] : {std::pair{"512M", "10000"}, std::pair{"200M", "10"}}) {
    SCOPED_TRACE(std::string(size) + ", files of " + linesPerFile + " lines");
    TempFolder folder("btrfs", size);
    if (!folder.mounted()) GTEST_SKIP() << "the system refused to make and mount a btrfs image";
    FakeRunView view;
    view.linesPerFile = linesPerFile;
    Generator run(view, folder.path());
    run.PD();
    ::sync();
    struct statvfs disk {};
    ASSERT_EQ(::statvfs(folder.path().c_str(), &disk), 0);
    ASSERT_EQ(view.messages.size(), 1U);
    EXPECT_TRUE(view.messages[0].text.starts_with("Stopped before the disk is full: only ")) << view.messages[0].text;
    EXPECT_GE(disk.f_bavail * disk.f_frsize, disk.f_blocks * disk.f_frsize / 20);
    for (const std::string& name : folder.Names()) {
      const std::string written = ReadFile(folder / name);
      EXPECT_TRUE(written.empty() || written.ends_with("\r\n")) << name;
    }
  }
}
#endif

// A second copy of the program started in the same folder while a run
// writes there, here from inside the run's event processing: it is turned
// away before it deletes anything, and the first run's files stay whole.
TEST(TwoCopies, ASecondRunInTheSameFolderIsRefusedAndTheFirstKeepsItsRecords) {
  TestRun first;
  FakeRunView secondView;
  Generator second(secondView, first.folder.path());
  first.view.onProcessEvents = [&](int passes) {
    if (passes != 5) return;
    secondView.to = "3";
    secondView.linesPerFile = "10";
    second.PD();
  };
  first.Run("1", "25", "10");
  first.ExpectFinished(true);
  EXPECT_EQ(TestRun::MessageTexts(secondView),
            std::vector<std::string>{"Another copy of the program is writing its files in " + first.folder.path() +
                                     ". Wait until it has finished, or start this copy from another folder."});
  std::string written;
  for (const char* name : kSeries) written += first.File(name);
  EXPECT_EQ(written, ExpectedRecords("1", "25"));
}

// The folder the program was started from, as the system gave it, is gone,
// or is a file, or came out empty: the run is refused before any file is
// deleted or created, never sent to "/" + the file's name.
TEST(ProgramFolder, AFolderThatIsMissingOrNoFolderIsRefusedBeforeAnyFileIsTouched) {
  TempFolder parent;
  WriteFile(parent / "file", "x");
  const std::pair<std::string, Refusal> cases[] = {
      {parent / "missing", Refusal::kNoSuchFolder},
      {parent / "file", Refusal::kNotAFolder},
      {"", Refusal::kNoSuchFolder},
  };
  for (const auto& [folder, reason] : cases) {
    SCOPED_TRACE(folder);
    // Were the folder not checked, the first operation would fail: nothing is
    // created anywhere.
    FailingFileSystem files(1, true, EACCES);
    FakeRunView view;
    view.to = "5";
    Generator run(view, folder, files);
    run.PD();
    EXPECT_EQ(TestRun::MessageTexts(view),
              std::vector<std::string>{"Cannot use the program folder " + folder + ": " + ReasonFor(reason)});
    EXPECT_TRUE(files.operations().empty());
  }
}

using UnsafeFrom = RunFixture;

TEST_F(UnsafeFrom, AFromTextThatWouldLeaveTheFolderFailsBeforeAnyFileIsTouched) {
  // Were "/" taken as typed, this From would name <folder>/victim-99999.txt.
  ASSERT_TRUE(std::filesystem::create_directory(folder / "Morvane-"));
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

#ifndef _WIN32
TEST_F(UnsafeFrom, ANameTooLongForTheSystemGivesTheSystemsReason) {
  const std::string from = "1" + std::string(299, 'x');
  Run(from, "5");
  ASSERT_EQ(view.messages.size(), 1U);
  EXPECT_EQ(view.messages[0].text,
            "Cannot create " + (folder / ("Morvane-" + from + "-100000.txt")) + ": File name too long");
}
#endif

}  // namespace
}  // namespace morvane
