// One run through the engine without a window, from Start to "Finished.",
// timed: the program's own work and writes, with event passes that do
// nothing, as often as the window asks for them. For durable_bench.sh, with
// the run's files on the disk when it says so or, with --unflushed, the old
// way that waited for no disk; and for wine_bench.sh, under wine.
//   headless_run FOLDER FROM TO LINES [--unflushed]
// Prints the milliseconds and the bytes the run wrote, or the message it
// showed instead of "Finished." and fails.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/file_system.h"
#include "engine/generator.h"
#include "engine/run_view.h"

namespace {

using Clock = std::chrono::steady_clock;

// Holds the fields, notes when the run shows its message, and asks for its
// event passes as often as the program's window does.
class TimingView : public morvane::RunView {
 public:
  TimingView(const char* from, const char* to, const char* lines) : from_(from), to_(to), lines_(lines) {}
  std::string FromText() const override { return from_; }
  std::string ToText() const override { return to_; }
  std::string LinesPerFileText() const override { return lines_; }
  void SetFromText(std::string_view) override {}
  void SetToText(std::string_view) override {}
  void SetStatusText(std::string_view) override {}
  void SetStatusToolTip(std::string_view) override {}
  void SetButtonCaption(std::string_view) override {}
  void ShowMessage(std::string_view text, morvane::MessageIcon) override {
    if (message.empty()) shown = Clock::now();
    message = text;
  }
  void ProcessEvents() override {}
  void Repaint() override {}
  std::uint32_t NumbersPerEventPass() const override { return 1024; }

  std::string message;
  Clock::time_point shown;

 private:
  std::string from_, to_, lines_;
};

// The file layer as it was before the run waited for the disk.
class UnflushedFileSystem : public morvane::NativeFileSystem {
 public:
  int StartWriteBack(morvane::FileHandle) noexcept override { return 0; }
  int FlushFile(morvane::FileHandle) noexcept override { return 0; }
  int FlushClosedFiles(const std::string&) noexcept override { return 0; }
  int FlushFolder(const std::string&) noexcept override { return 0; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || argc > 6 || (argc == 6 && std::string_view(argv[5]) != "--unflushed")) {
    std::fprintf(stderr, "usage: headless_run FOLDER FROM TO LINES [--unflushed]\n");
    return 2;
  }
  UnflushedFileSystem unflushed;
  morvane::FileSystem& files = argc == 6 ? unflushed : static_cast<morvane::FileSystem&>(morvane::SystemFileSystem());
  TimingView view(argv[2], argv[3], argv[4]);
  morvane::Generator generator(view, argv[1], files);
  const Clock::time_point start = Clock::now();
  generator.PD();
  if (view.message != "Finished.") {
    std::fprintf(stderr, "the run did not finish: %s\n", view.message.c_str());
    return 1;
  }
  std::uintmax_t bytes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) bytes += entry.file_size();
  std::printf("%.1f %ju\n", std::chrono::duration<double, std::milli>(view.shown - start).count(), bytes);
  return 0;
}
