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

#include "bench/quiet_view.h"
#include "engine/files/file_system.h"
#include "engine/files/native_file_system.h"
#include "engine/generator.h"

namespace {

using Clock = morvane::bench::QuietView::Clock;

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
  morvane::bench::QuietView view(argv[2], argv[3], argv[4]);
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
