// EventPacer: decides which of the run's many event-processing requests are
// worth a real pass through the event loop.
//
// The run asks thousands of times a second; one pass costs far more than the
// numbers written between two requests. The pacer reads the clock and says
// yes once the interval has passed, so that a click or a key is handled
// promptly while the loop costs the run little.
#pragma once

#include <chrono>

namespace morvane {

class EventPacer {
 public:
  using Clock = std::chrono::steady_clock;

  explicit EventPacer(Clock::duration interval) noexcept;

  // Starts the interval and the longest gap afresh, as from now.
  void Restart() noexcept;

  // True when the interval has passed since the last yes.
  bool Due() noexcept;

  // The longest time between two yeses (or the restart and the first yes).
  Clock::duration longestGap() const noexcept { return longestGap_; }

 private:
  const Clock::duration interval_;
  Clock::time_point lastYes_;
  Clock::duration longestGap_{};
};

}  // namespace morvane
