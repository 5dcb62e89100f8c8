// EventPacer: decides which of the run's many event-processing requests are
// worth a real pass through the event loop.
//
// The run asks after every number, millions of times a second; one pass costs
// far more than a number. The pacer counts the requests, reads the clock only
// every so many of them, and says yes once the interval has passed, so that a
// click or a key is handled promptly while the loop costs the run little.
#pragma once

#include <chrono>
#include <cstdint>

namespace morvane {

class EventPacer {
 public:
  using Clock = std::chrono::steady_clock;

  EventPacer(Clock::duration interval, std::uint32_t requestsPerClockRead) noexcept;

  // Starts the count and the longest gap afresh, as from now.
  void Restart() noexcept;

  // True when the interval has passed since the last yes.
  bool Due() noexcept {
    if (++requests_ < requestsPerClockRead_) return false;
    requests_ = 0;
    return DueByClock();
  }

  // The longest time between two yeses (or the restart and the first yes).
  Clock::duration longestGap() const noexcept { return longestGap_; }

 private:
  bool DueByClock() noexcept;

  const Clock::duration interval_;
  const std::uint32_t requestsPerClockRead_;
  std::uint32_t requests_ = 0;
  Clock::time_point lastYes_;
  Clock::duration longestGap_{};
};

}  // namespace morvane
