// The bounds of the numbers: the square overflow at 2^48, the lines-per-file
// field read and rounded, and the reset that follows an overflow.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "tests/engine/run_fixture.h"

namespace morvane {
namespace {

using enginetest::ExpectedRecords;
using enginetest::RunFixture;

using Bounds = RunFixture;

void ExpectOverflowReset(const enginetest::FakeRunView& view) {
  ASSERT_EQ(view.messages.size(), 1U);
  EXPECT_EQ(view.messages[0].text, "Bounds of program have been exceeded");
  EXPECT_EQ(view.messages[0].icon, MessageIcon::kCritical);
  EXPECT_EQ(view.from, "1");
  EXPECT_EQ(view.to, "1000000000000000");
  EXPECT_EQ(view.caption, "Start");
  EXPECT_EQ(view.status, "status before the run");
}

TEST_F(Bounds, TheLastSquareThatFitsIsWrittenAndTwoToThe48Overflows) {
  Run("281474976710650", "1000000000000000");
  EXPECT_EQ(File("Morvane-281474976710650-281474976810649.txt"),
            ExpectedRecords("281474976710650", "281474976710655"));
  ExpectOverflowReset(view);
}

// The six records before the bound wait in the buffer when the square
// overflows; a disk that refuses them must not pass unnoticed behind the
// bound's message.
TEST(BoundsWithAFullDisk, TheRecordsThatCouldNotBeWrittenAreReportedAfterTheBound) {
  // Creating the file is the first operation; the write at the close the second.
  enginetest::FailingFileSystem files(2, false, ENOSPC);
  enginetest::TestRun run(files);
  run.Run("281474976710650", "1000000000000000");
  ASSERT_EQ(run.view.messages.size(), 2U);
  EXPECT_EQ(run.view.messages[0].text, "Bounds of program have been exceeded");
  EXPECT_EQ(run.view.messages[1].text,
            "Cannot write " + (run.folder / "Morvane-281474976710650-281474976810649.txt") + ": No space left on device");
  EXPECT_EQ(run.view.messages[1].icon, MessageIcon::kCritical);
  EXPECT_EQ(run.view.caption, "Start");
  EXPECT_EQ(files.openFiles(), 0);
}

TEST_F(Bounds, AResetRunStartsAfreshFromZero) {
  Run("281474976710654", "1000000000000000", "10");
  view.messages.clear();
  Run("3", "4", "10");
  EXPECT_EQ(File("Morvane-3-12.txt"), " 3 ,  9 ,  9\r\n 4 ,  16 ,  7\r\n");
}

TEST_F(Bounds, LinesBeyondThirtyTwoBitsOverflowBeforeAnyFileIsOpened) {
  for (const char* lines : {"1e12", "2147483647.5", "-2147483649"}) {
    SCOPED_TRACE(lines);
    view.messages.clear();
    Run("1", "5", lines);
    EXPECT_TRUE(folder.Names().empty());
    ExpectOverflowReset(view);
  }
}

TEST_F(Bounds, TheLinesFieldIsRoundedHalfToEvenOrDefaultsWhenNotNumeric) {
  const struct {
    const char* text;
    const char* firstFile;
  } cases[] = {
      {"# lines per file", "Morvane-1-100000.txt"}, {"10000", "Morvane-1-10000.txt"},
      {"2.5", "Morvane-1-2.txt"},                    {"3.5", "Morvane-1-4.txt"},
      {"2.6", "Morvane-1-3.txt"},                    {"-2.5", "Morvane-1--2.txt"},
      {"100,000", "Morvane-1-100.txt"},              {"", "Morvane-1-100000.txt"},
      {"2147483646.5", "Morvane-1-2147483646.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    enginetest::TestRun run;
    run.Run("1", "1", c.text);
    EXPECT_EQ(run.folder.Names(), std::vector<std::string>{c.firstFile});
  }
}

TEST_F(Bounds, AFromOrToBeyondTheNumbersOverflows) {
  Run("1e30", "1e31");
  EXPECT_TRUE(folder.Names().empty());
  ExpectOverflowReset(view);

  view.messages.clear();
  Run("1", "1e400");
  ExpectOverflowReset(view);
}

}  // namespace
}  // namespace morvane
