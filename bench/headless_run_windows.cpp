// One run through the engine without a window, for the wine benchmark: the
// program's own work and writes, with event passes that do nothing, as
// often as the window asks for them.
//   headless_run FOLDER FROM TO LINES     prints the time in milliseconds
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "engine/generator.h"
#include "engine/run_view.h"

namespace {

class QuietView : public morvane::RunView {
 public:
  QuietView(std::string from, std::string to, std::string lines)
      : from_(std::move(from)), to_(std::move(to)), lines_(std::move(lines)) {}
  std::string FromText() const override { return from_; }
  std::string ToText() const override { return to_; }
  std::string LinesPerFileText() const override { return lines_; }
  void SetFromText(std::string_view) override {}
  void SetToText(std::string_view) override {}
  void SetStatusText(std::string_view) override {}
  void SetStatusToolTip(std::string_view) override {}
  void SetButtonCaption(std::string_view) override {}
  void ShowMessage(std::string_view text, morvane::MessageIcon) override { message = text; }
  void ProcessEvents() override {}
  void Repaint() override {}
  std::uint32_t NumbersPerEventPass() const override { return 1024; }

  std::string message;

 private:
  std::string from_;
  std::string to_;
  std::string lines_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: headless_run FOLDER FROM TO LINES\n");
    return 2;
  }
  QuietView view(argv[2], argv[3], argv[4]);
  morvane::Generator generator(view, argv[1]);
  const auto begin = std::chrono::steady_clock::now();
  generator.PD();
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - begin;
  if (view.message != "Finished.") {
    std::fprintf(stderr, "the run did not finish: %s\n", view.message.c_str());
    return 1;
  }
  std::printf("%.1f\n", took.count());
  return 0;
}
