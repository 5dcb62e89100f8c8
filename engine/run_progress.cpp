#include "engine/run_progress.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/files/size_text.h"
#include "engine/pacing.h"

namespace morvane {

namespace {

using Seconds = std::chrono::duration<double>;

std::string RateText(double bytesPerSecond) {
  return SizeText(static_cast<std::uint64_t>(std::max(0.0, bytesPerSecond))) + "/s";
}

// Coarse enough not to flicker from one refresh to the next.
std::string TimeLeftText(double seconds) {
  const auto about = [](double count, const char* unit) {
    // A rate of next to nothing must not overflow the count.
    return "about " + std::to_string(std::max(1LL, std::llround(std::min(count, 1e15)))) + unit + " left";
  };
  if (seconds < 5) return "a few seconds left";
  if (seconds < 60) return "about " + std::to_string(std::min(55LL, std::llround(seconds / 5) * 5)) + " s left";
  if (seconds < 100 * 60) return about(seconds / 60, " min");
  if (seconds < 48 * 3600) return about(seconds / 3600, " h");
  return about(seconds / 86400, " days");
}

}  // namespace

RunProgress::RunProgress(std::uint64_t plannedBytes, Now now)
    : plannedBytes_(plannedBytes), now_(std::move(now)), lastRefresh_(now_()) {
  samples_[0] = {lastRefresh_, 0};
  sampleCount_ = next_ = 1;
  SetShare(0, false);
}

bool RunProgress::Update(std::uint64_t writtenBytes) {
  const Clock::time_point now = now_();
  if (now - lastRefresh_ < pacing::kProgressInterval) return false;
  lastRefresh_ = now;
  samples_[next_] = {now, writtenBytes};
  next_ = (next_ + 1) % samples_.size();
  sampleCount_ = std::min(sampleCount_ + 1, samples_.size());

  SetShare(writtenBytes, false);
  const double rate = MedianRate();
  text_ += ", " + RateText(rate);
  if (rate > 0 && writtenBytes < plannedBytes_) {
    text_ += ", " + TimeLeftText(static_cast<double>(plannedBytes_ - writtenBytes) / rate);
  }
  return true;
}

void RunProgress::Saving(std::uint64_t writtenBytes) {
  SetShare(writtenBytes, false);
  text_ += ", saving to the disk";
}

void RunProgress::Finish(std::uint64_t writtenBytes, bool complete) { SetShare(writtenBytes, complete); }

void RunProgress::SetShare(std::uint64_t writtenBytes, bool complete) {
  if (complete) {
    share_ = 1;
  } else if (plannedBytes_ > 0) {
    share_ = std::min(1.0, static_cast<double>(writtenBytes) / static_cast<double>(plannedBytes_));
  }
  const int percent = complete ? 100 : std::min(99, static_cast<int>(share_ * 100));
  text_ = std::to_string(percent) + " %";
}

double RunProgress::MedianRate() const {
  std::array<double, kRatesKept> rates{};
  std::size_t count = 0;
  // Consecutive samples, oldest first.
  const std::size_t oldest = sampleCount_ < samples_.size() ? 0 : next_;
  for (std::size_t i = 1; i < sampleCount_; ++i) {
    const Sample& earlier = samples_[(oldest + i - 1) % samples_.size()];
    const Sample& later = samples_[(oldest + i) % samples_.size()];
    const double seconds = Seconds(later.time - earlier.time).count();
    rates[count++] = static_cast<double>(later.bytes - earlier.bytes) / seconds;
  }
  if (count == 0) return 0;
  const auto middle = rates.begin() + static_cast<std::ptrdiff_t>(count / 2);
  std::nth_element(rates.begin(), middle, rates.begin() + static_cast<std::ptrdiff_t>(count));
  return *middle;
}

}  // namespace morvane
