// How often a run does what is not writing records: the window's passes
// through its events, the status line and the progress it shows, and its
// passes while it waits for the disk. In one place, as they are tuned
// against one another.
#pragma once

#include <chrono>
#include <cstdint>

namespace morvane::pacing {

// A click or a key waits at most this long, plus one pass of numbers
// (below), to be handled. A pass through the event loop with its repaint
// costs about a millisecond under X; at 15 ms the window keeps some nine
// tenths of the run's speed and still answers well within what a person
// notices.
inline constexpr auto kEventInterval = std::chrono::milliseconds(15);

// The run calls for an event pass, and so a clock read, only every so many
// numbers: the two calls and the read cost several numbers' time, and 1024
// numbers still take well under a tenth of a millisecond.
inline constexpr std::uint32_t kNumbersPerEventPass = 1024;

// The progress line goes into the status field at most this often: a run
// makes thousands a second, more than anyone can read, and each one shown
// costs a repaint that waits for the display, which at every pass took a
// tenth of the run's speed.
inline constexpr auto kStatusInterval = std::chrono::milliseconds(100);

// The share, the rate and the time left are refreshed at most this often:
// steady enough to read, and the median of the last few intervals' rates
// rides out a pause of the disk.
inline constexpr auto kProgressInterval = std::chrono::milliseconds(250);

// While the run waits for the disk, the window handles its events this
// often: as often as it would during the run, where it paces them itself.
inline constexpr auto kDiskWaitEventInterval = std::chrono::milliseconds(5);

}  // namespace morvane::pacing
