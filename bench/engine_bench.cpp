// A whole generation run into real files, beside a baseline that writes the
// same bytes with large sequential writes, in the same binary.
//
// Each run writes 10 million records, N = 100,000 per file (100 files), from
// n = 1 and from n = 2^47, where squares have 29 digits. The window's event
// processing and repainting do nothing here, so what is measured is the
// run's own work: the arithmetic, the formatting and the buffered output.
// The baseline reads the run's files back into memory, then writes each one
// in 1 MiB pieces. run / baseline is the run's share of the disk's speed.
//
// PeakMemory runs 50 million numbers and reports the peak resident size after
// 10 and after 50 million; its view deletes the files as the run goes, so the
// disk holds at most two of them. It is registered first so that the
// baseline's copy of the files in memory cannot count towards that peak.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/generator.h"
#include "engine/run_view.h"

namespace {

namespace fs = std::filesystem;
using morvane::Generator;
using morvane::MessageIcon;

constexpr std::int64_t kNumbersPerRun = 10'000'000;
constexpr char kLinesPerFile[] = "100000";

// One folder for the whole program, emptied before each repetition and
// removed at the end.
class BenchFolder {
 public:
  BenchFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/morvane-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~BenchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  void Empty() const {
    for (const auto& entry : fs::directory_iterator(path_)) fs::remove(entry.path());
  }

 private:
  std::string path_;
};

BenchFolder& Folder() {
  static BenchFolder folder;
  return folder;
}

// A window that does nothing but hold the fields and remember the message.
class QuietView : public morvane::RunView {
 public:
  QuietView(std::string from, std::string to) : from_(std::move(from)), to_(std::move(to)) {}
  std::string FromText() const override { return from_; }
  std::string ToText() const override { return to_; }
  std::string LinesPerFileText() const override { return kLinesPerFile; }
  void SetFromText(std::string_view) override {}
  void SetToText(std::string_view) override {}
  void SetStatusText(std::string_view) override {}
  void SetStatusToolTip(std::string_view) override {}
  void SetButtonCaption(std::string_view) override {}
  void ShowMessage(std::string_view text, MessageIcon) override { message = text; }
  void ProcessEvents() override {}
  void Repaint() override {}

  std::string message;

 private:
  std::string from_;
  std::string to_;
};

// Runs the generator over count numbers from `from`; fails the benchmark
// unless the run finished.
bool RunGenerator(benchmark::State& state, std::int64_t from, std::int64_t count, QuietView* viewToUse = nullptr) {
  QuietView ownView(std::to_string(from), std::to_string(from + count - 1));
  QuietView& view = viewToUse ? *viewToUse : ownView;
  Generator generator(view, Folder().path());
  generator.PD();
  if (view.message != "Finished.") {
    state.SkipWithError(("the run did not finish: " + view.message).c_str());
    return false;
  }
  return true;
}

std::int64_t FolderBytes() {
  std::int64_t bytes = 0;
  for (const auto& entry : fs::directory_iterator(Folder().path())) {
    bytes += static_cast<std::int64_t>(entry.file_size());
  }
  return bytes;
}

void Run(benchmark::State& state) {
  const std::int64_t from = state.range(0);
  std::int64_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Folder().Empty();
    state.ResumeTiming();
    if (!RunGenerator(state, from, kNumbersPerRun)) return;
    state.PauseTiming();
    bytes += FolderBytes();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(bytes);
  state.counters["records_per_s"] =
      benchmark::Counter(static_cast<double>(kNumbersPerRun * static_cast<std::int64_t>(state.iterations())),
                         benchmark::Counter::kIsRate);
}

struct FileBytes {
  std::string path;
  std::string bytes;
};

// The files of a run from `from`, read back into memory (written first if
// the run benchmark was filtered out).
std::vector<FileBytes> RunFiles(benchmark::State& state, std::int64_t from) {
  const std::string first = Folder().path() + "/Morvane-" + std::to_string(from) + "-" +
                            std::to_string(from + 100000 - 1) + ".txt";
  if (!fs::exists(first)) {
    Folder().Empty();
    if (!RunGenerator(state, from, kNumbersPerRun)) return {};
  }
  std::vector<FileBytes> files;
  for (const auto& entry : fs::directory_iterator(Folder().path())) {
    std::ifstream in(entry.path(), std::ios::binary);
    files.push_back({entry.path().string(), {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}});
  }
  std::sort(files.begin(), files.end(), [](const FileBytes& a, const FileBytes& b) { return a.path < b.path; });
  return files;
}

void WriteAllOrThrow(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written <= 0) throw std::runtime_error("baseline write failed");
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void Baseline(benchmark::State& state) {
  constexpr std::size_t kPiece = 1 << 20;
  const std::vector<FileBytes> files = RunFiles(state, state.range(0));
  if (files.empty()) return;
  std::int64_t bytesPerRun = 0;
  for (const FileBytes& file : files) bytesPerRun += static_cast<std::int64_t>(file.bytes.size());

  for (auto _ : state) {
    state.PauseTiming();
    Folder().Empty();
    state.ResumeTiming();
    for (const FileBytes& file : files) {
      const int fd = ::open(file.path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
      if (fd < 0) throw std::runtime_error("baseline open failed");
      for (std::size_t at = 0; at < file.bytes.size(); at += kPiece) {
        WriteAllOrThrow(fd, file.bytes.data() + at, std::min(kPiece, file.bytes.size() - at));
      }
      ::close(fd);
    }
  }
  state.SetBytesProcessed(bytesPerRun * static_cast<std::int64_t>(state.iterations()));
  state.counters["records_per_s"] =
      benchmark::Counter(static_cast<double>(kNumbersPerRun * static_cast<std::int64_t>(state.iterations())),
                         benchmark::Counter::kIsRate);
}

double PeakRssMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Deletes the run's files as it goes (an open file's space is freed when it
// is closed) and notes the peak resident size after 10 million numbers.
class MemoryWatchView : public QuietView {
 public:
  using QuietView::QuietView;
  void ProcessEvents() override {
    ++numbers_;
    if (numbers_ % 100000 == 0) Folder().Empty();
    if (numbers_ == 10'000'000) peakAfter10M = PeakRssMiB();
  }
  double peakAfter10M = 0;

 private:
  std::int64_t numbers_ = 0;
};

void PeakMemory(benchmark::State& state) {
  constexpr std::int64_t kNumbers = 50'000'000;
  for (auto _ : state) {
    Folder().Empty();
    const double before = PeakRssMiB();
    MemoryWatchView view("1", std::to_string(kNumbers));
    if (!RunGenerator(state, 1, kNumbers, &view)) return;
    state.counters["peak_rss_MiB_before"] = before;
    state.counters["peak_rss_MiB_after_10M"] = view.peakAfter10M;
    state.counters["peak_rss_MiB_after_50M"] = PeakRssMiB();
    Folder().Empty();
  }
}

BENCHMARK(PeakMemory)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Run)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Baseline)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Run)->Arg(1LL << 47)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Baseline)->Arg(1LL << 47)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
