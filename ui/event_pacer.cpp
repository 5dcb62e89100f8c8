#include "ui/event_pacer.h"

namespace morvane {

EventPacer::EventPacer(Clock::duration interval, std::uint32_t requestsPerClockRead) noexcept
    : interval_(interval), requestsPerClockRead_(requestsPerClockRead == 0 ? 1 : requestsPerClockRead) {
  Restart();
}

void EventPacer::Restart() noexcept {
  requests_ = 0;
  lastYes_ = Clock::now();
  longestGap_ = Clock::duration::zero();
}

bool EventPacer::DueByClock() noexcept {
  const Clock::time_point now = Clock::now();
  const Clock::duration gap = now - lastYes_;
  if (gap < interval_) return false;
  if (gap > longestGap_) longestGap_ = gap;
  lastYes_ = now;
  return true;
}

}  // namespace morvane
