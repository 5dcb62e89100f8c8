// How a signal ends the program: on the window's thread when that answers,
// after closing the output; from the signals' own thread when it does not,
// with the file at its last whole record. Each ending runs in a child process.
#include "ui/qt/ending_signals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "engine/files/file_system.h"
#include "engine/files/native_file_system.h"
#include "engine/files/output_file.h"
#include "tests/ui/ui_test_support.h"

namespace morvane::ui_test {
namespace {

using namespace std::chrono_literals;

// Handles the window's events until the signal has ended the child, which
// fails should it not.
[[noreturn]] void HandleEventsUntilEnded() {
  QTest::qWait(30'000);
  std::fprintf(stderr, "the signal did not end the program\n");
  std::exit(1);
}

TEST(EndingSignals, EndTheProgramByThemselvesOnceTheOutputIsClosed) {
  for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(strsignal(signalNumber));
    EXPECT_EXIT(
        {
          const EndingSignals endingSignals([] { std::fputs("output closed\n", stderr); }, [] {}, 60s);
          ::raise(signalNumber);
          HandleEventsUntilEnded();
        },
        testing::KilledBySignal(signalNumber), "output closed");
  }
  // As nohup starts a program: a hang-up does not end it, a logout does.
  EXPECT_EXIT(
      {
        ::signal(SIGHUP, SIG_IGN);
        const EndingSignals endingSignals([] {}, [] {}, 60s);
        ::raise(SIGHUP);
        ::raise(SIGTERM);
        HandleEventsUntilEnded();
      },
      testing::KilledBySignal(SIGTERM), "");
}

void NoteNothing(int) {}

TEST(EndingSignals, GiveBackTheHandlersTheyFound) {
  struct sigaction own {}, found {};
  own.sa_handler = NoteNothing;
  ::sigaction(SIGTERM, &own, &found);
  { const EndingSignals endingSignals([] {}, [] {}); }
  ::sigaction(SIGTERM, &found, &own);
  EXPECT_EQ(own.sa_handler, &NoteNothing);
}

// A disk that pauses in the middle of every hand-over, as a busy one may:
// it takes all but the last byte, the last line end, and the rest a moment
// later. Each pause brings a logout's SIGTERM; the first one counts.
class SlowDisk : public NativeFileSystem {
 public:
  int Write(FileHandle file, const char* data, std::size_t size, std::size_t& written) noexcept override {
    midway_ = !midway_ && size > 1;
    if (midway_) return NativeFileSystem::Write(file, data, size - 1, written);
    ::raise(SIGTERM);
    std::this_thread::sleep_for(10ms);
    return NativeFileSystem::Write(file, data, size, written);
  }

 private:
  bool midway_ = false;
};

// The window's thread never answers, as while it waits for a frozen display:
// here it writes on and handles no events. The signal ends the program all
// the same, once the hand-over in progress is complete.
TEST(EndingSignals, EndTheProgramWhileTheWindowsThreadDoesNotAnswer) {
  const QTemporaryDir dir;
  const std::string path = dir.path().toStdString() + "/records.txt";
  EXPECT_EXIT(
      {
        SlowDisk disk;
        OutputFile file(disk, 4096);
        file.Open(path);
        const EndingSignals endingSignals([] {}, [&file] { file.StopHandingOver(30s); }, 1ms);
        // A hundred hand-overs and more, a second or more of them.
        const std::string records = Records(1, 20000);
        for (std::size_t start = 0, end; (end = records.find('\n', start)) != std::string::npos; start = end + 1) {
          file.Write(std::string_view(records).substr(start, end + 1 - start));
        }
        std::fprintf(stderr, "the signal did not end the program\n");
        std::exit(1);
      },
      testing::KilledBySignal(SIGTERM), "");
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::uint64_t records = 0;
  EXPECT_TRUE(IsRunFrom(1, text, &records)) << records << " records, the last one cut or none";
}

}  // namespace
}  // namespace morvane::ui_test
