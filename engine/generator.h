// Generator: the generation run and the state it keeps between runs.
//
// PD walks every number n from the From field to the To field and writes, for
// each, the record "n , n squared , difference from the previous square" into
// a series of files of N records in the program folder. It is driven only
// through a RunView: it reads the fields, reports every outcome through
// message boxes and the status field, and lets the window handle its events
// after every number. The window owns one Generator for its whole life.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/file_system.h"
#include "engine/output_file.h"
#include "engine/run_view.h"
#include "number/decimal.h"

namespace morvane {

class Generator {
 public:
  // Writes its files into programFolder (the program's own folder, no
  // trailing separator).
  Generator(RunView& view, std::string programFolder);
  // The same over another file system and buffer size, for tests that make
  // file operations fail or pass every record straight to the system.
  Generator(RunView& view, std::string programFolder, FileSystem& files,
            std::size_t bufferBytes = OutputFile::kDefaultBufferBytes);

  // One run, from the view's fields. Every outcome is reported through the
  // view; the output file is closed on every way out, and an exception from
  // the view itself that is not a Failure passes on once the file is closed.
  void PD();

  // The Stop button and Escape: the run ends after the number it is writing.
  // Never cleared.
  void RequestStop() noexcept;
  bool stopRequested() const noexcept;

  // Closes the open output file, if any, with every record written so far,
  // so that the window can end the program at once in the middle of a run. A
  // run that gets control back after this ends as if stopped.
  void CloseOutput() noexcept;

 private:
  // N from the lines-per-file list: the number rounded half to even when the
  // text is numeric, else 100000. Throws Overflow outside 32 bits.
  std::int32_t ReadLinesPerFile() const;
  // Writes the record for n, keeps the progress line, repaints.
  void EmitNumber(const Decimal& n);
  // What a / b has after the point: zero exactly when a is a whole multiple of b.
  static Decimal FractionOf(const Decimal& a, const Decimal& b);
  // The fields' first values, after the run met the bounds of the numbers.
  void ResetForm();
  // Closes nothing: the caller has. Opens "Morvane-lower-upper.txt".
  void OpenSeriesFile(std::string_view lower, const Decimal& upper);

  RunView& view_;
  const std::string programFolder_;

  Decimal prevSquare_;
  Decimal startValue_;
  bool stopRequested_ = false;
  OutputFile fileNumber_;
  std::int32_t linesPerFile_ = 0;
};

}  // namespace morvane
