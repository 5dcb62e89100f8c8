// RunPlan: a run's forecast set against the free space of the disk that
// takes its files (its bytes, and its files where the disk counts them), and
// the paragraph that tells the user before it starts,
// e.g. "This run writes 1.2 GiB in 3 files; the disk has 80 GiB free." or
// "This run would write 17 PiB in 2,814,749,768 files, up to
// 281,474,976,710,655, where it meets the program's bounds; the disk has
// 80 GiB free, so it will stop at about 1,170,000,000 to keep 1 GiB free."
//
// A run that cannot finish is not refused: the user decides.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/files/file_system.h"
#include "engine/run_forecast.h"
#include "engine/run_inputs.h"

namespace morvane {

class RunPlan {
 public:
  // The run these inputs start, forecast, into folder, on the disk as files
  // tells it now.
  RunPlan(RunInputs inputs, FileSystem& files, const std::string& folder);

  const RunInputs& inputs() const noexcept { return inputs_; }
  // The reserve ends the run before its last record.
  bool stopsAtReserve() const noexcept { return records_ < forecast_.records(); }
  // The run ends where it meets the program's bounds, as it set out to.
  bool endsAtBound() const noexcept { return !stopsAtReserve() && forecast_.endsAtBound(); }
  // The records and bytes the run will have written when it ends.
  std::uint64_t records() const noexcept { return records_; }
  std::uint64_t bytes() const noexcept { return forecast_.BytesOf(records_); }

  // The paragraph for the user: what the run writes, what the disk has free,
  // and where the reserve comes first, about where the run stops.
  std::string Text() const;

 private:
  // What the first `records` records take on the disk: their bytes, each
  // file rounded up to whole blocks.
  std::uint64_t DiskUseOf(std::uint64_t records) const noexcept;

  RunInputs inputs_;
  RunForecast forecast_;
  // As the system tells it; none for a disk that does not.
  std::optional<FileSystem::Space> space_;
  std::uint64_t records_;
  // What the reserve runs short of first is room for files, not bytes.
  bool filesRunShort_ = false;
};

}  // namespace morvane
