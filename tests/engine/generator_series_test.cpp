// The file series of a run: which files, their names, what each one holds.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <string>
#include <vector>

#include "tests/engine/run_fixture.h"

namespace morvane {
namespace {

using enginetest::ExpectedRecords;
using enginetest::RunFixture;
using enginetest::WriteFile;
using Names = std::vector<std::string>;

using FileSeries = RunFixture;

TEST_F(FileSeries, OneToTwentyFiveByTenSwitchesFilesAtEachTenth) {
  Run("1", "25", "10");
  EXPECT_EQ(folder.Names(), (Names{"Morvane-1-10.txt", "Morvane-11-20.txt", "Morvane-21-25.txt"}));
  EXPECT_EQ(File("Morvane-1-10.txt"), ExpectedRecords("1", "10"));
  EXPECT_EQ(File("Morvane-11-20.txt") + File("Morvane-21-25.txt"),
            ExpectedRecords("1", "25").substr(File("Morvane-1-10.txt").size()));
  ExpectFinished(true);
}

TEST_F(FileSeries, ExactlyNRecordsOpenNoSecondFile) {
  Run("1", "10", "10");
  EXPECT_EQ(folder.Names(), Names{"Morvane-1-10.txt"});
  EXPECT_EQ(File("Morvane-1-10.txt"), ExpectedRecords("1", "10"));
  ExpectFinished(false);
}

TEST_F(FileSeries, OneRecordPastNOpensAOneRecordFile) {
  Run("1", "11", "10");
  EXPECT_EQ(folder.Names(), (Names{"Morvane-1-10.txt", "Morvane-11-11.txt"}));
  EXPECT_EQ(File("Morvane-11-11.txt"), " 11 ,  121 ,  21\r\n");
  ExpectFinished(true);
}

TEST_F(FileSeries, AnEmptyRangeLeavesOneEmptyFileNamedWithTheDefaultN) {
  Run("5", "3");
  EXPECT_EQ(folder.Names(), Names{"Morvane-5-100004.txt"});
  EXPECT_EQ(File("Morvane-5-100004.txt"), "");
  ExpectFinished(false);
}

TEST_F(FileSeries, TheFirstNameKeepsTheFromTextAsTyped) {
  Run("01", "3");
  EXPECT_EQ(folder.Names(), Names{"Morvane-01-100000.txt"});
  EXPECT_EQ(File("Morvane-01-100000.txt"), ExpectedRecords("1", "3"));

  Run(" 7", "8");
  EXPECT_EQ(File("Morvane- 7-100006.txt"), ExpectedRecords("7", "8"));
}

TEST_F(FileSeries, ZeroLinesLeaveTheFirstFileEmptyAndPutEverythingInTheSecond) {
  Run("01", "30", "0");
  EXPECT_EQ(folder.Names(), (Names{"Morvane-01-0.txt", "Morvane-1-0.txt"}));
  EXPECT_EQ(File("Morvane-01-0.txt"), "");
  EXPECT_EQ(File("Morvane-1-0.txt"), ExpectedRecords("1", "30"));
  ExpectFinished(true);
}

TEST_F(FileSeries, NegativeLinesPutEverythingInTheFirstFile) {
  Run("1", "30", "-5");
  EXPECT_EQ(folder.Names(), Names{"Morvane-1--5.txt"});
  EXPECT_EQ(File("Morvane-1--5.txt"), ExpectedRecords("1", "30"));
  ExpectFinished(false);
}

TEST_F(FileSeries, EditingToDuringTheRunChangesOnlyLaterFileNames) {
  view.onProcessEvents = [this](int numbersWritten) {
    if (numbersWritten == 5) view.to = "22";
  };
  Run("1", "25", "10");
  EXPECT_EQ(folder.Names(), (Names{"Morvane-1-10.txt", "Morvane-11-20.txt", "Morvane-21-22.txt"}));
  EXPECT_EQ(File("Morvane-21-22.txt"), ExpectedRecords("1", "25").substr(ExpectedRecords("1", "20").size()));
}

TEST_F(FileSeries, ASecondRunReplacesTheFirstRunsFiles) {
  Run("1", "25", "10");
  WriteFile(folder / "Morvane-11-20.txt", std::string(5000, 'x'));
  view.messages.clear();
  Run("1", "25", "10");
  EXPECT_EQ(File("Morvane-1-10.txt") + File("Morvane-11-20.txt") + File("Morvane-21-25.txt"),
            ExpectedRecords("1", "25"));
  ExpectFinished(true);
}

// Windows: tested with the Windows file layer (tests/windows).
#ifndef _WIN32
TEST_F(FileSeries, AFolderWhereALaterFileMustGoEndsTheRunAndIsKept) {
  ASSERT_EQ(::mkdir((folder / "Morvane-11-20.txt").c_str(), 0700), 0);
  Run("1", "25", "10");
  ASSERT_EQ(view.messages.size(), 1U);
  EXPECT_EQ(view.messages[0].text, "Cannot delete " + (folder / "Morvane-11-20.txt") + ": Is a directory");
  EXPECT_EQ(view.messages[0].icon, MessageIcon::kCritical);
  EXPECT_EQ(folder.Names(), (Names{"Morvane-1-10.txt", "Morvane-11-20.txt"}));
  EXPECT_EQ(File("Morvane-1-10.txt"), ExpectedRecords("1", "10"));
  EXPECT_EQ(view.caption, "Stop");
  EXPECT_EQ(view.status, "status before the run");
}
#endif

}  // namespace
}  // namespace morvane
