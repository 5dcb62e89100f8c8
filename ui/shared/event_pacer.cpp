#include "ui/shared/event_pacer.h"

namespace morvane {

EventPacer::EventPacer(Clock::duration interval) noexcept : interval_(interval) { Restart(); }

void EventPacer::Restart() noexcept {
  lastYes_ = Clock::now();
  longestGap_ = Clock::duration::zero();
}

bool EventPacer::Due() noexcept {
  const Clock::time_point now = Clock::now();
  const Clock::duration gap = now - lastYes_;
  if (gap < interval_) return false;
  if (gap > longestGap_) longestGap_ = gap;
  lastYes_ = now;
  return true;
}

}  // namespace morvane
