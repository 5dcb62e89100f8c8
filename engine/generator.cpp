#include "engine/generator.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <limits>
#include <optional>
#include <utility>

#include "engine/decimal_numbers.h"
#include "engine/file_names.h"
#include "engine/files/native_file_system.h"
#include "engine/files/paths.h"
#include "engine/pacing.h"
#include "engine/record.h"
#include "engine/run_inputs.h"
#include "engine/whole_numbers.h"
#include "number/failure.h"
#include "number/number_text.h"

namespace morvane {

namespace {

// Unwinds a run whose window closed its output meanwhile to end the program.
struct ProgramEnding {};

}  // namespace

Generator::Generator(RunView& view, std::string programFolder)
    : Generator(view, std::move(programFolder), SystemFileSystem()) {}

Generator::Generator(RunView& view, std::string programFolder, FileSystem& files,
                     std::size_t bufferBytes, WholeRunArithmetic arithmetic, RunProgress::Now now)
    : view_(view),
      programFolder_(std::move(programFolder)),
      files_(files),
      fileNumber_(files, bufferBytes),
      arithmetic_(arithmetic),
      now_(std::move(now)) {
  fileNumber_.WaitForDiskWith([this](const std::function<void()>& work) { WaitForDisk(work); });
}

void Generator::RequestStop() noexcept { stopRequested_ = true; }

bool Generator::stopRequested() const noexcept { return stopRequested_; }

void Generator::CloseOutput() noexcept {
  // While the run waits for the disk, a thread of its own holds the file,
  // and every record formatted has been handed to the system.
  if (waitingForDisk_) {
    closedWhileWaiting_ = true;
    return;
  }
  fileNumber_.CloseQuietly();
}

bool Generator::ClaimProgramFolder() {
  if (folderLock_ != kNoFile) return true;
  bool heldElsewhere = false;
  files_.LockFolder(programFolder_, folderLock_, heldElsewhere);
  // Any other failure is the run's, which PD meets again and reports.
  if (!heldElsewhere) return true;
  view_.ShowMessage(HeldElsewhereText(), MessageIcon::kCritical);
  return false;
}

template <class Numbers>
bool Generator::WriteRange(Numbers& numbers, bool& severalFiles, RunProgress& progress) {
  constexpr std::int32_t kMaxLineCount = std::numeric_limits<std::int32_t>::max();
  std::int32_t lineCount = 0;
  const std::uint32_t numbersPerPass = std::max<std::uint32_t>(view_.NumbersPerEventPass(), 1);
  std::uint32_t untilPass = numbersPerPass;
  std::string progressLine;
  while (numbers.InRange()) {
    if (lineCount == linesPerFile_) {
      severalFiles = true;
      lineCount = 0;
      fileNumber_.Close();
      bytesInClosedFiles_ += fileNumber_.length();
      // The user may have edited To since the run began.
      OpenSeriesFile(LaterFileName(numbers.Current(), linesPerFile_, ReadRangeValue(view_.ToText())));
    }
    // As many numbers at once as have nothing to be done between them: up to
    // the next event pass, the file's last record and the last the line
    // counter can count; Emit ends its numbers early at a progress line. A
    // stop asked for at the last pass ends the run after one more number.
    std::uint32_t most = std::min(untilPass, static_cast<std::uint32_t>(kMaxLineCount - lineCount) + 1);
    if (lineCount < linesPerFile_) most = std::min(most, static_cast<std::uint32_t>(linesPerFile_ - lineCount));
    if (stopRequested_) most = 1;
    const std::uint32_t written = numbers.Emit(most, fileNumber_, progressLine);
    if (!progressLine.empty()) {
      ShowProgressLine(progressLine);
      progressLine.clear();
    }
    untilPass -= written;
    const bool eventPass = untilPass == 0;
    if (eventPass) {
      view_.Repaint();
      if (progress.Update(BytesWritten())) view_.ShowRunProgress(progress.share(), progress.text());
    }
    if (stopRequested_) return true;
    if (eventPass) {
      untilPass = numbersPerPass;
      view_.ProcessEvents();
      // The window closed the file to end the program; should it come back
      // here all the same, nothing more is written, not even a new file.
      if (!fileNumber_.is_open()) return true;
    }
    // The records in this file: one more than 32 bits can count is an
    // overflow.
    if (written > static_cast<std::uint32_t>(kMaxLineCount - lineCount)) throw Overflow();
    lineCount += static_cast<std::int32_t>(written);
  }
  return false;
}

RunPlan Generator::PlanRun() const { return RunPlan(ReadRunInputs(view_), files_, programFolder_); }

void Generator::PD() { PD(PlanRun()); }

void Generator::PD(const RunPlan& plan) {
  // Released however the run is left, once the file is closed.
  struct UnlockOnExit {
    FileSystem& files;
    FileHandle& lock;
    ~UnlockOnExit() {
      if (lock != kNoFile) files.UnlockFolder(lock);
      lock = kNoFile;
    }
  } unlockOnExit{files_, folderLock_};
  // Closes the file however the run is left, an exception from the view
  // included; on the ordinary ways out it has been closed already.
  struct CloseOnExit {
    OutputFile& file;
    ~CloseOnExit() { file.CloseQuietly(); }
  } closeOnExit{fileNumber_};

  const RunInputs& inputs = plan.inputs();
  bool severalFiles = false;
  // From the moment the plan is shown.
  std::optional<RunProgress> progress;
  try {
    // Every run's first record has the square itself as its difference.
    prevSquare_ = 0;
    closedWhileWaiting_ = false;
    startValue_ = ReadRangeValue(inputs.fromText);
    linesPerFile_ = ReadLinesPerFile(inputs.linesPerFileText);
    // Before anything is deleted or created.
    CheckFitsInFileName(inputs.fromText);
    if (folderLock_ == kNoFile) LockProgramFolder();
    view_.ShowRunPlan(plan.Text());
    progress.emplace(plan.bytes(), now_);
    bytesInClosedFiles_ = 0;
    OpenSeriesFile(FirstFileName(inputs.fromText, startValue_, linesPerFile_));
    view_.SetStatusToolTip("Data files are being saved in " + programFolder_);

    const Decimal end = ReadRangeValue(inputs.toText);
    bool stopped = false;
    if (arithmetic_ == WholeRunArithmetic::kIncremental && WholeNumbers::Suits(startValue_)) {
      WholeNumbers numbers(startValue_, end);
      stopped = WriteRange(numbers, severalFiles, *progress);
    } else {
      DecimalNumbers numbers(startValue_, end, prevSquare_);
      stopped = WriteRange(numbers, severalFiles, *progress);
    }
    // The window closed the file to end the program: the run ends at once,
    // without waiting for the disk, and claims nothing.
    if (!fileNumber_.is_open()) return;
    const std::uint64_t written = BytesWritten();

    // On the disk before anything is reported, finished or stopped: neither
    // "Finished." nor the saved-to line is shown while a power cut could
    // still take records, and a failure to pass on or write the last ones
    // is told as that failure.
    fileNumber_.Flush();
    progress->Saving(written);
    view_.ShowRunProgress(progress->share(), progress->text());
    SaveOnDisk();
    // A stop asked for while the files went to the disk came before the run
    // said it had finished.
    stopped = stopped || stopRequested_;
    progress->Finish(written, !stopped);
    view_.ShowRunProgress(progress->share(), progress->text());
    if (!stopped) {
      view_.ShowMessage("Finished.", MessageIcon::kInformation);
      view_.SetButtonCaption(kStartCaption);
      prevSquare_ = 0;
    }
  } catch (const ProgramEnding&) {
    return;
  } catch (const Failure& failure) {
    const bool overflow = failure.number() == kOverflowError;
    std::optional<Failure> closeFailure;
    if (overflow) {
      // The records before the bound are still in the buffer: should they
      // not reach the file, the user hears of that too.
      try {
        fileNumber_.Close();
      } catch (const Failure& closing) {
        closeFailure = closing;
      }
    } else {
      // After a file failure, closing what is left would only fail again;
      // the one message below says what went wrong.
      fileNumber_.CloseQuietly();
    }
    // What the files hold now, before the message says why.
    if (progress) {
      // Meeting the bounds completes a run planned to end there.
      progress->Finish(BytesWritten(), overflow && plan.endsAtBound() && !closeFailure);
      view_.ShowRunProgress(progress->share(), progress->text());
    }
    if (overflow) {
      view_.ShowMessage("Bounds of program have been exceeded", MessageIcon::kCritical);
      ResetForm();
      if (closeFailure) view_.ShowMessage(closeFailure->description(), MessageIcon::kCritical);
    } else {
      view_.ShowMessage(failure.description(), MessageIcon::kCritical);
    }
    return;
  }
  view_.SetStatusText((severalFiles ? "Files saved to " : "File saved to ") + programFolder_);
}

void Generator::ShowProgressLine(const std::string& line) {
  fileNumber_.Flush();
  view_.SetStatusText(line);
}

void Generator::SaveOnDisk() {
  // The last file is flushed through the descriptor that wrote it, which
  // tells every failed write of it and names it, where FlushClosedFiles,
  // through a folder opened only now, tells only failures that no program
  // was told of before.
  WaitForDisk([this] {
    fileNumber_.CloseOnDisk();
    fileNumber_.PutClosedFilesOnDisk();
  });
}

void Generator::WaitForDisk(const std::function<void()>& work) {
  struct WaitingFlag {
    bool& waiting;
    explicit WaitingFlag(bool& flag) : waiting(flag) { waiting = true; }
    ~WaitingFlag() { waiting = false; }
  } waitingFlag{waitingForDisk_};
  // The future waits for its thread however this is left, an exception
  // from the view included.
  std::future<void> done = std::async(std::launch::async, work);
  while (done.wait_for(pacing::kDiskWaitEventInterval) != std::future_status::ready) view_.ProcessEventsWhileSaving();
  // The program is ending: what went wrong on the way to the disk is no
  // longer anyone's to hear.
  if (closedWhileWaiting_) throw ProgramEnding();
  done.get();
}

void Generator::ResetForm() {
  view_.SetFromText(kFirstFromText);
  view_.SetToText(kFirstToText);
  view_.SetButtonCaption(kStartCaption);
  prevSquare_ = 0;
}

void Generator::LockProgramFolder() {
  bool heldElsewhere = false;
  const int error = files_.LockFolder(programFolder_, folderLock_, heldElsewhere);
  if (error == 0) return;
  if (heldElsewhere) throw Failure(kFileAccessError, HeldElsewhereText());
  throw Failure(kFileAccessError, "Cannot use the program folder " + programFolder_ + ": " + files_.ErrorText(error));
}

std::string Generator::HeldElsewhereText() const {
  return "Another copy of the program is writing its files in " + programFolder_ +
         ". Wait until it has finished, or start this copy from another folder.";
}

void Generator::OpenSeriesFile(std::string_view name) { fileNumber_.Open(PathInFolder(programFolder_, name)); }

}  // namespace morvane
