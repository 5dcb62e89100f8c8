// What the engine tests share: a fresh program folder, a RunView that records
// what a run shows, a file system that fails on request, and the records a
// run ought to write (tests/support).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/files/file_system.h"
#include "engine/files/native_file_system.h"
#include "engine/generator.h"
#include "engine/files/paths.h"
#include "engine/run_view.h"
#include "tests/support/expected_records.h"

namespace morvane::enginetest {

// The arithmetic the run tests give their generators: the program's own,
// or Decimal for every number when MORVANE_TEST_ARITHMETIC is "decimal"
// (CTest runs the suite both ways).
WholeRunArithmetic ArithmeticUnderTest();

// A new empty folder under TMPDIR, removed with everything in it at the end.
// With a file system and a size, a disk of its own is mounted on it if the
// system allows: a tmpfs, or an image of that type ("btrfs") made beside it.
class TempFolder {
 public:
  TempFolder();
  TempFolder(std::string_view fileSystem, std::string_view size);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // A name in the folder, joined as the engine joins its file names.
  std::string operator/(std::string_view name) const { return PathInFolder(path_, name); }
  // The names of the entries in the folder, sorted.
  std::vector<std::string> Names() const;
  bool mounted() const { return mounted_; }

 private:
  std::string path_;
  bool mounted_ = false;
  std::string image_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, std::string_view bytes);

using testsupport::ExpectedRecords;

// The real file layer's reasons for the refusals the tests bring about: the
// words written here on POSIX, the system's own for its numbers on Windows.
enum class Refusal { kNameTaken, kNoSuchFolder, kNotAFolder };
std::string ReasonFor(Refusal refusal);

struct ShownMessage {
  std::string text;
  MessageIcon icon;
};

struct ShownProgress {
  double share;
  std::string text;
};

// Starts as the window does when it calls the run: the button says "Stop".
class FakeRunView : public RunView {
 public:
  std::string from = "1";
  std::string to = "1000000000000000";
  std::string linesPerFile = "# lines per file";
  std::string status = "status before the run";
  std::vector<std::string> statusHistory;
  std::string toolTip;
  std::string caption = "Stop";
  std::vector<ShownMessage> messages;
  std::vector<std::string> runPlans;
  std::vector<ShownProgress> progress;
  int eventsProcessed = 0;
  std::uint32_t numbersPerEventPass = 1;
  // Called from ProcessEvents with the number of calls so far (1 after the
  // first pass, by default the first number): where a test plays the user.
  std::function<void(int)> onProcessEvents;
  // The same for the passes while the run's files go to the disk at its end.
  int eventsWhileSaving = 0;
  std::function<void(int)> onProcessEventsWhileSaving;
  std::function<void(std::string_view)> onShowMessage;

  std::string FromText() const override { return from; }
  std::string ToText() const override { return to; }
  std::string LinesPerFileText() const override { return linesPerFile; }
  void SetFromText(std::string_view text) override { from = text; }
  void SetToText(std::string_view text) override { to = text; }
  void SetStatusText(std::string_view text) override {
    status = text;
    statusHistory.emplace_back(text);
  }
  void SetStatusToolTip(std::string_view text) override { toolTip = text; }
  void SetButtonCaption(std::string_view text) override { caption = text; }
  void ShowMessage(std::string_view text, MessageIcon icon) override {
    messages.push_back({std::string(text), icon});
    if (onShowMessage) onShowMessage(text);
  }
  void ShowRunPlan(std::string_view text) override { runPlans.emplace_back(text); }
  void ShowRunProgress(double share, std::string_view text) override { progress.push_back({share, std::string(text)}); }
  void ProcessEvents() override {
    ++eventsProcessed;
    if (onProcessEvents) onProcessEvents(eventsProcessed);
  }
  void ProcessEventsWhileSaving() override {
    ++eventsWhileSaving;
    if (onProcessEventsWhileSaving) onProcessEventsWhileSaving(eventsWhileSaving);
  }
  void Repaint() override {}
  std::uint32_t NumbersPerEventPass() const override { return numbersPerEventPass; }
};

// The real file system, except that its failAt-th operation (counting
// unlink, open, write, truncate, close and the four flushes from 1; 0 for
// never) fails with
// error, and with persistent set every operation after it too. A failing
// close still releases the descriptor, as the system's does. With
// takenBeforeFailing set, a write due to fail first takes that many of its
// bytes (all but one at most) and succeeds, and the next operation fails in
// its place: a disk that fills up in the middle of a buffer.
class FailingFileSystem : public FileSystem {
 public:
  enum class Operation { kUnlink, kOpen, kWrite, kTruncate, kClose, kWriteBack, kFlushFile, kFlushClosed, kFlushFolder };

  FailingFileSystem(int failAt, bool persistent, int error, std::size_t takenBeforeFailing = 0)
      : failAt_(failAt), persistent_(persistent), error_(error), takenBeforeFailing_(takenBeforeFailing) {}

  bool Exists(const std::string& path) noexcept override { return real_.Exists(path); }
  int Unlink(const std::string& path) noexcept override;
  int CreateNew(const std::string& path, FileHandle& file) noexcept override;
  int Write(FileHandle file, const char* data, std::size_t size, std::size_t& written) noexcept override;
  int Truncate(FileHandle file, std::uint64_t length) noexcept override;
  int Close(FileHandle file) noexcept override;
  int StartWriteBack(FileHandle file) noexcept override;
  int FlushFile(FileHandle file) noexcept override;
  int FlushClosedFiles(const std::string& folder) noexcept override;
  int FlushFolder(const std::string& folder) noexcept override;
  // The real system's, never failing on request.
  int HasName(FileHandle file, bool& named) noexcept override { return real_.HasName(file, named); }
  int LockFolder(const std::string& folder, FileHandle& lock, bool& heldElsewhere) noexcept override {
    return real_.LockFolder(folder, lock, heldElsewhere);
  }
  void UnlockFolder(FileHandle lock) noexcept override { real_.UnlockFolder(lock); }
  // The number it fails with on request reads as errno's, as the tests give
  // it; the real layer's numbers in the real layer's words (on POSIX the two
  // are one).
  std::string ErrorText(int error) const override {
    return error == error_ ? FileSystem::ErrorText(error) : real_.ErrorText(error);
  }
  // The real disk's space unless a test sets `space`: then a disk of that
  // size and space, less the bytes written and the files created since; on
  // a disk that lagsBehindWrites, less only the bytes written up to the last
  // flush of the closed files, as btrfs tells it.
  int SpaceOf(const std::string& path, Space& space) noexcept override;

  // Every operation asked for, failed or not, in order, and the size of every
  // write asked for.
  const std::vector<Operation>& operations() const { return operations_; }
  const std::vector<std::size_t>& writeSizes() const { return writeSizes_; }
  int openFiles() const { return openFiles_; }
  std::uint64_t bytesWritten() const { return bytesWritten_; }

  std::optional<Space> space;

 private:
  // Logs the operation; returns the error it must fail with, or 0.
  int Next(Operation operation);

  NativeFileSystem real_;
  int failAt_;
  bool persistent_;
  int error_;
  std::size_t takenBeforeFailing_;
  std::vector<Operation> operations_;
  std::vector<std::size_t> writeSizes_;
  std::uint64_t bytesWritten_ = 0;
  std::uint64_t bytesFlushed_ = 0;
  std::uint64_t filesCreated_ = 0;
  int openFiles_ = 0;
};

}  // namespace morvane::enginetest
