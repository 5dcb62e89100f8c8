// RunProgress: how far a run has come, how fast it writes and how long it has
// left, as a share for a bar and a line such as "42 %, 1.2 GiB/s, about 2 min
// left".
//
// The run hands it the bytes written so far at its event passes, never per
// record; it reads its clock there and refreshes at most every
// pacing::kProgressInterval. The rate is the median of the rates over the last
// kRatesKept refresh intervals, so that a disk that pauses to write back its
// cache, or a window that is dragged, does not make it jump.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace morvane {

class RunProgress {
 public:
  using Clock = std::chrono::steady_clock;
  using Now = std::function<Clock::time_point()>;

  static constexpr std::size_t kRatesKept = 12;

  static Clock::time_point SystemNow() { return Clock::now(); }

  // A run that will have written plannedBytes when it ends (all its records,
  // or those before the free-space reserve stops it), starting now.
  RunProgress(std::uint64_t plannedBytes, Now now);

  // At an event pass: true when share() and text() were refreshed.
  bool Update(std::uint64_t writtenBytes);
  // While the run waits at its end for its files to reach the disk, which
  // no rate of its own tells: the share, and that it is saving.
  void Saving(std::uint64_t writtenBytes);
  // However the run ended: the share it reached, and nothing of a rate or a
  // time left, which would describe a run still going on. 100 % only when
  // complete: it wrote everything it set out to.
  void Finish(std::uint64_t writtenBytes, bool complete);

  // From 0 to 1.
  double share() const noexcept { return share_; }
  const std::string& text() const noexcept { return text_; }

 private:
  struct Sample {
    Clock::time_point time;
    std::uint64_t bytes;
  };

  // The share and its whole per cent, below 100 until the run is complete:
  // a forecast that is about right may fall short.
  void SetShare(std::uint64_t writtenBytes, bool complete);
  double MedianRate() const;

  const std::uint64_t plannedBytes_;
  Now now_;
  // The last kRatesKept + 1 refreshes, oldest first from next_ on once full.
  std::array<Sample, kRatesKept + 1> samples_;
  std::size_t sampleCount_ = 0;
  std::size_t next_ = 0;
  Clock::time_point lastRefresh_;
  double share_ = 0;
  std::string text_;
};

}  // namespace morvane
