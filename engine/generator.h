// Generator: the generation run and the state it keeps between runs.
//
// PD walks every number n from the From field to the To field and writes, for
// each, the record "n , n squared , difference from the previous square" into
// a series of files of N records in the program folder. It is driven only
// through a RunView: it reads the fields, reports every outcome through
// message boxes and the status field, and lets the window handle its events
// as often as the window asks. What a run reports as finished or saved is on
// the disk, safe from a power cut, when it says so. A run keeps the program
// folder to itself: a second copy of the program started there meanwhile is
// turned away. The window owns one Generator for its whole life.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/files/file_system.h"
#include "engine/files/output_file.h"
#include "engine/run_plan.h"
#include "engine/run_progress.h"
#include "engine/run_view.h"
#include "number/decimal.h"

namespace morvane {

// How a run from a whole From computes its records: from the previous
// record's digits (the program's way), or with Decimal arithmetic for every
// number, as a run from a fractional From always does (the reference that
// tests and benchmarks compare with). Both write the same bytes.
enum class WholeRunArithmetic { kIncremental, kDecimal };

class Generator {
 public:
  // Writes its files into programFolder (the program's own folder, no
  // trailing separator, as the system names it); a run refuses one that is
  // missing or no folder.
  Generator(RunView& view, std::string programFolder);
  // The same over another file system, buffer size, arithmetic or clock, for
  // tests that make file operations fail, pass every record straight to the
  // system, compare the two ways of computing records or time the progress.
  Generator(RunView& view, std::string programFolder, FileSystem& files,
            std::size_t bufferBytes = OutputFile::kDefaultBufferBytes,
            WholeRunArithmetic arithmetic = WholeRunArithmetic::kIncremental,
            RunProgress::Now now = RunProgress::SystemNow);

  // Takes the program folder for the next PD, before the window shows that
  // a run is going on: while another copy of the program writes there, the
  // run is refused here, with its reason shown, and the window stays ready
  // to start once that copy has finished. False when refused; any other
  // failure to take it is PD's to report. Held until that PD ends; a PD
  // without it takes it itself.
  bool ClaimProgramFolder();

  // Reads the view's fields for one run, and forecasts it against the free
  // space of the program folder's disk: what the first-press warning tells
  // and PD then makes.
  RunPlan PlanRun() const;

  // One run: PD(PlanRun()).
  void PD();
  // The run that plan describes. Every outcome is reported through the
  // view; the output file is closed on every way out, and an exception from
  // the view itself that is not a Failure passes on once the file is closed.
  // It shows its plan first, its progress as it goes, and however it ends,
  // the share it reached.
  void PD(const RunPlan& plan);

  // The Stop button and Escape: the run ends after the number it is writing.
  // Never cleared.
  void RequestStop() noexcept;
  bool stopRequested() const noexcept;

  // Closes the open output file, if any, with every record written so far,
  // so that the window can end the program at once in the middle of a run:
  // nothing waits for the disk, not even while the run waits for it. A run
  // that gets control back after this ends at once, with nothing more shown.
  void CloseOutput() noexcept;

  // For a process that another thread is about to end while the run may be
  // writing: OutputFile::StopHandingOver.
  bool StopWriting(std::chrono::milliseconds wait) noexcept { return fileNumber_.StopHandingOver(wait); }

 private:
  // The loop over the range, the same for both kinds of numbers
  // (WholeNumbers, DecimalNumbers): a file switch when the file is full, the
  // records up to the next thing to be done between two numbers, the stop
  // test, and as often as the view asks, a repaint and the window's events.
  // A stop can only be asked for from inside a call to the view, so looking
  // at it after the last of the records written at once is as good as
  // looking at it after each. Returns true when the run was stopped.
  template <class Numbers>
  bool WriteRange(Numbers& numbers, bool& severalFiles, RunProgress& progress);
  // The run's bytes so far, in all its files.
  std::uint64_t BytesWritten() const noexcept { return bytesInClosedFiles_ + fileNumber_.length(); }
  // A progress line, once its record is handed to the system: the status
  // line never names a number whose record a failure could still keep out
  // of the files.
  void ShowProgressLine(const std::string& line);
  // The fields' first values, after the run met the bounds of the numbers.
  void ResetForm();
  // Closes nothing: the caller has. Opens the file of that name in the
  // program folder.
  void OpenSeriesFile(std::string_view name);
  // Closes the last file and waits until it, every file the run closed
  // before and the folder's entries are on the disk; throws the Failure that
  // tells a write that failed.
  void SaveOnDisk();
  // Runs work on a thread of its own while the view handles its events, so
  // that the window goes on answering while the disk takes seconds; passes
  // on what work throws. Should the window close the output meanwhile to end
  // the program, throws what makes PD end at once.
  void WaitForDisk(const std::function<void()>& work);
  // Takes the program folder's lock for the run, or throws the Failure that
  // tells why the run cannot write there.
  void LockProgramFolder();
  // Why a run is refused while another copy of the program writes there.
  std::string HeldElsewhereText() const;

  RunView& view_;
  const std::string programFolder_;
  FileSystem& files_;

  Decimal prevSquare_;
  Decimal startValue_;
  bool stopRequested_ = false;
  // The program folder's lock, from ClaimProgramFolder or PD to PD's end.
  FileHandle folderLock_ = kNoFile;
  // While WaitForDisk waits, and whether CloseOutput came meanwhile; both
  // only ever touched on the window's thread.
  bool waitingForDisk_ = false;
  bool closedWhileWaiting_ = false;
  OutputFile fileNumber_;
  std::int32_t linesPerFile_ = 0;
  const WholeRunArithmetic arithmetic_;
  const RunProgress::Now now_;
  std::uint64_t bytesInClosedFiles_ = 0;
};

}  // namespace morvane
