// QuietView: the window of a benchmark's run, which does nothing but hold
// the fields and note the message the run shows, and when; it asks for its
// event passes as often as the program's window does.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "engine/run_view.h"

namespace morvane::bench {

class QuietView : public RunView {
 public:
  using Clock = std::chrono::steady_clock;

  QuietView(std::string from, std::string to, std::string linesPerFile)
      : from_(std::move(from)), to_(std::move(to)), linesPerFile_(std::move(linesPerFile)) {}
  std::string FromText() const override { return from_; }
  std::string ToText() const override { return to_; }
  std::string LinesPerFileText() const override { return linesPerFile_; }
  void SetFromText(std::string_view) override {}
  void SetToText(std::string_view) override {}
  void SetStatusText(std::string_view) override {}
  void SetStatusToolTip(std::string_view) override {}
  void SetButtonCaption(std::string_view) override {}
  void ShowMessage(std::string_view text, MessageIcon) override {
    if (message.empty()) shown = Clock::now();
    message = text;
  }
  void ProcessEvents() override {}
  void Repaint() override {}
  std::uint32_t NumbersPerEventPass() const override { return 1024; }

  // The run's first message, and when it came.
  std::string message;
  Clock::time_point shown;

 private:
  std::string from_;
  std::string to_;
  std::string linesPerFile_;
};

}  // namespace morvane::bench
