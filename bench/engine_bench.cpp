// A whole generation run, computed from the previous record's digits (the
// program's way) and with Decimal for every number (the reference), beside
// two baselines, in the same binary.
//
// Each run writes 10 million records, N = 100,000 per file (100 files), from
// n = 1 and from n = 2^47, where squares have 29 digits. The window's event
// processing and repainting do nothing here, so what is measured is the
// run's own work: the arithmetic, the formatting and the buffered output.
//  - Run: into real files.
//  - Generation: into a file layer that throws the bytes away, so that only
//    the making of the records is timed.
//  - WarmBuffer: the same number of bytes in files of the same sizes, written
//    from one 64 KiB buffer that stays in the cache: the speed of the system
//    calls and the page cache alone, the most a run could reach.
// WarmUp runs first and writes and deletes as many bytes once, so that no
// side is timed on memory the machine has not handed out before. Run with
// --benchmark_enable_random_interleaving=true so that the sides alternate.
//
// PeakMemory runs 50 million numbers and reports the peak resident size after
// 10 and after 50 million; its view deletes the files as the run goes, so the
// disk holds at most two of them.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench/quiet_view.h"
#include "engine/files/native_file_system.h"
#include "engine/generator.h"

namespace {

namespace fs = std::filesystem;
using morvane::Generator;
using morvane::WholeRunArithmetic;

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
  // Removes every file but the one named keep.
  void Empty(const std::string& keep = {}) const {
    for (const auto& entry : fs::directory_iterator(path_)) {
      if (entry.path().filename() != keep) fs::remove(entry.path());
    }
  }

 private:
  std::string path_;
};

BenchFolder& Folder() {
  static BenchFolder folder;
  return folder;
}

using morvane::bench::QuietView;

// A file layer that takes every byte and keeps none.
class DiscardingFileSystem : public morvane::FileSystem {
 public:
  bool Exists(const std::string&) noexcept override { return false; }
  int Unlink(const std::string&) noexcept override { return 0; }
  int CreateNew(const std::string&, morvane::FileHandle& file) noexcept override {
    file = 3;
    return 0;
  }
  int Write(morvane::FileHandle, const char* data, std::size_t size, std::size_t& written) noexcept override {
    benchmark::DoNotOptimize(data);
    written = size;
    return 0;
  }
  int Truncate(morvane::FileHandle, std::uint64_t) noexcept override { return 0; }
  int Close(morvane::FileHandle) noexcept override { return 0; }
  int StartWriteBack(morvane::FileHandle) noexcept override { return 0; }
  int FlushFile(morvane::FileHandle) noexcept override { return 0; }
  int FlushClosedFiles(const std::string&) noexcept override { return 0; }
  int FlushFolder(const std::string&) noexcept override { return 0; }
  int HasName(morvane::FileHandle, bool& named) noexcept override {
    named = true;
    return 0;
  }
  int LockFolder(const std::string&, morvane::FileHandle& lock, bool&) noexcept override {
    lock = 4;
    return 0;
  }
  void UnlockFolder(morvane::FileHandle) noexcept override {}
  // A disk that never fills, so that the reserve's check costs what it does
  // on a roomy real one.
  int SpaceOf(const std::string&, Space& space) noexcept override {
    space.size = space.available = std::uint64_t{1} << 50;
    return 0;
  }
};

// Runs the generator over count numbers from `from`; fails the benchmark
// unless the run finished.
bool RunGenerator(benchmark::State& state, std::int64_t from, std::int64_t count,
                  WholeRunArithmetic arithmetic = WholeRunArithmetic::kIncremental,
                  morvane::FileSystem& files = morvane::SystemFileSystem(), QuietView* viewToUse = nullptr) {
  QuietView ownView(std::to_string(from), std::to_string(from + count - 1), kLinesPerFile);
  QuietView& view = viewToUse ? *viewToUse : ownView;
  Generator generator(view, Folder().path(), files, morvane::OutputFile::kDefaultBufferBytes, arithmetic);
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

void CountRecords(benchmark::State& state) {
  state.counters["records_per_s"] =
      benchmark::Counter(static_cast<double>(kNumbersPerRun * static_cast<std::int64_t>(state.iterations())),
                         benchmark::Counter::kIsRate);
}

void Run(benchmark::State& state, WholeRunArithmetic arithmetic) {
  const std::int64_t from = state.range(0);
  std::int64_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Folder().Empty();
    state.ResumeTiming();
    if (!RunGenerator(state, from, kNumbersPerRun, arithmetic)) return;
    state.PauseTiming();
    bytes += FolderBytes();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(bytes);
  CountRecords(state);
}

void Generation(benchmark::State& state, WholeRunArithmetic arithmetic) {
  DiscardingFileSystem discard;
  for (auto _ : state) {
    if (!RunGenerator(state, state.range(0), kNumbersPerRun, arithmetic, discard)) return;
  }
  CountRecords(state);
}

// The sizes of the files of a run from `from`, in the order written (the
// run is made first if it was filtered out).
std::vector<std::int64_t> RunFileSizes(benchmark::State& state, std::int64_t from) {
  const std::string first = Folder().path() + "/Morvane-" + std::to_string(from) + "-" +
                            std::to_string(from + 100000 - 1) + ".txt";
  if (!fs::exists(first)) {
    Folder().Empty();
    if (!RunGenerator(state, from, kNumbersPerRun)) return {};
  }
  std::vector<std::int64_t> sizes;
  for (const auto& entry : fs::directory_iterator(Folder().path())) {
    sizes.push_back(static_cast<std::int64_t>(entry.file_size()));
  }
  return sizes;
}

void WriteAllOrThrow(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written <= 0) throw std::runtime_error("baseline write failed");
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

// Writes files of the given sizes from one buffer of 64 KiB.
void WriteFromOneBuffer(const std::vector<std::int64_t>& sizes) {
  constexpr std::size_t kBuffer = 64 * 1024;
  static const std::string buffer(kBuffer, '7');
  int index = 0;
  for (const std::int64_t size : sizes) {
    const std::string path = Folder().path() + "/warm-" + std::to_string(index++) + ".txt";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) throw std::runtime_error("baseline open failed");
    for (std::int64_t left = size; left > 0; left -= static_cast<std::int64_t>(kBuffer)) {
      WriteAllOrThrow(fd, buffer.data(), std::min(kBuffer, static_cast<std::size_t>(left)));
    }
    ::close(fd);
  }
}

void WarmBuffer(benchmark::State& state) {
  const std::vector<std::int64_t> sizes = RunFileSizes(state, state.range(0));
  if (sizes.empty()) return;
  std::int64_t bytesPerRun = 0;
  for (const std::int64_t size : sizes) bytesPerRun += size;
  for (auto _ : state) {
    state.PauseTiming();
    Folder().Empty();
    state.ResumeTiming();
    WriteFromOneBuffer(sizes);
  }
  state.SetBytesProcessed(bytesPerRun * static_cast<std::int64_t>(state.iterations()));
  CountRecords(state);
}

// Makes the machine hand out the memory the runs will use, once, untimed in
// effect: the largest run's bytes written and deleted.
void WarmUp(benchmark::State& state) {
  for (auto _ : state) {
    WriteFromOneBuffer(RunFileSizes(state, 1LL << 47));
    Folder().Empty();
  }
}

double PeakRssMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Deletes the run's files as it goes, all but the one being written, which
// the run must find in place when it closes it, and notes the peak resident
// size after 10 million numbers.
class MemoryWatchView : public QuietView {
 public:
  using QuietView::QuietView;
  // Counts numbers through the passes; what it measures is memory, not time.
  std::uint32_t NumbersPerEventPass() const override { return 1; }
  void ProcessEvents() override {
    ++numbers_;
    if (numbers_ % 100000 == 0) {
      Folder().Empty("Morvane-" + std::to_string(numbers_ - 99999) + "-" + std::to_string(numbers_) + ".txt");
    }
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
    MemoryWatchView view("1", std::to_string(kNumbers), kLinesPerFile);
    if (!RunGenerator(state, 1, kNumbers, WholeRunArithmetic::kIncremental, morvane::SystemFileSystem(), &view)) {
      return;
    }
    state.counters["peak_rss_MiB_before"] = before;
    state.counters["peak_rss_MiB_after_10M"] = view.peakAfter10M;
    state.counters["peak_rss_MiB_after_50M"] = PeakRssMiB();
    Folder().Empty();
  }
}

BENCHMARK(WarmUp)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PeakMemory)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Run, Incremental, WholeRunArithmetic::kIncremental)
    ->Arg(1)
    ->Arg(1LL << 47)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Run, Decimal, WholeRunArithmetic::kDecimal)
    ->Arg(1)
    ->Arg(1LL << 47)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Generation, Incremental, WholeRunArithmetic::kIncremental)
    ->Arg(1)
    ->Arg(1LL << 47)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Generation, Decimal, WholeRunArithmetic::kDecimal)
    ->Arg(1)
    ->Arg(1LL << 47)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(WarmBuffer)->Arg(1)->Arg(1LL << 47)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
