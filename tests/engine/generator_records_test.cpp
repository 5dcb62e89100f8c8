// What a run writes and shows per number: the record bytes, the progress line
// at multiples of 10,000, and runs from a fractional or negative From.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/run_fixture.h"

namespace morvane {
namespace {

using enginetest::ExpectedRecords;
using enginetest::RunFixture;
using Texts = std::vector<std::string>;

using Records = RunFixture;

TEST_F(Records, BlanksSeparatorsAndLineEndsAreExact) {
  Run("-4", "-3");
  EXPECT_EQ(File("Morvane--4-99995.txt"), "-4 ,  16 ,  16\r\n-3 ,  9 , -7\r\n");

  Run("9", "10");
  EXPECT_EQ(File("Morvane-9-100008.txt"), " 9 ,  81 ,  81\r\n 10 ,  100 ,  19\r\n");
}

TEST_F(Records, EveryRunStartsItsDifferencesFromZero) {
  Run("1", "3");
  Run("7", "8");
  EXPECT_EQ(File("Morvane-7-100006.txt"), " 7 ,  49 ,  49\r\n 8 ,  64 ,  15\r\n");
}

TEST_F(Records, RunsAcrossZeroKeepTheSignsOfEveryNumber) {
  Run("-3", "3");
  EXPECT_EQ(File("Morvane--3-99996.txt"), ExpectedRecords("-3", "3"));
}

TEST_F(Records, ProgressShowsOnlyAtMultiplesOfTenThousand) {
  Run("9999", "20001");
  EXPECT_EQ(view.statusHistory,
            (Texts{"10000  99980001 - 100000000 : 19999", "20000  399960001 - 400000000 : 39999",
                   "File saved to " + folder.path()}));
  EXPECT_EQ(view.eventsProcessed, 10003);
  EXPECT_EQ(view.repaints, 10003);

  // A view that asks for its events only every 1000 numbers gets them so,
  // and the same progress.
  view.eventsProcessed = view.repaints = 0;
  view.statusHistory.clear();
  view.numbersPerEventPass = 1000;
  Run("9999", "20001");
  EXPECT_EQ(view.statusHistory.size(), 3U);
  EXPECT_EQ(view.eventsProcessed, 10);
  EXPECT_EQ(view.repaints, 10);
}

TEST_F(Records, NegativeMultiplesOfTenThousandShowProgressToo) {
  Run("-10001", "-9999");
  EXPECT_EQ(view.statusHistory,
            (Texts{"-10000  100020001 - 100000000 : -20001", "File saved to " + folder.path()}));
}

TEST_F(Records, AFractionalFromStepsByOneAndKeepsItsFraction) {
  Run("0.5", "3", "2");
  EXPECT_EQ(folder.Names(), (Texts{"Morvane-0.5-1.5.txt", "Morvane-2.5-3.txt"}));
  EXPECT_EQ(File("Morvane-0.5-1.5.txt"), " 0.5 ,  0.25 ,  0.25\r\n 1.5 ,  2.25 ,  2\r\n");
  EXPECT_EQ(File("Morvane-2.5-3.txt"), " 2.5 ,  6.25 ,  4\r\n");
  ExpectFinished(true);
}

}  // namespace
}  // namespace morvane
