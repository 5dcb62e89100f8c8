// What a run writes and shows per number: the record bytes, the progress line
// at multiples of 10,000, and runs from a fractional or negative From.
#include <gtest/gtest.h>

#include <cstdint>
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

TEST_F(Records, CarriesAndBorrowsCrossWholeWordsOfNinesAndZeros) {
  // Each square holds eight 9s or eight 0s just before its last digits: a
  // whole word of the digits the run moves on eight at a time. The step down
  // to a square of 9s borrows across that word (below zero, where squares
  // shrink), the step up to a square of 0s carries across it.
  const std::int64_t numbers[] = {
      1'078'501'414,    // 11631652 99999999 396
      3'257'862'029,    // 10613664 99999999 6841
      399'972'974'087,  // 15997837 99999999 73483569
      526'452'429,      // 27715216 00000000 41
      9'731'603'465,    // 94704106 00000000 6225
  };
  for (const std::int64_t number : numbers) {
    for (const std::int64_t n : {-number, number}) {
      // The first two records are computed afresh, the step to n is not.
      const std::string first = std::to_string(n - 2);
      const std::string last = std::to_string(n + 2);
      SCOPED_TRACE(first + " to " + last);
      Run(first, last, "5");
      EXPECT_EQ(File("Morvane-" + first + "-" + last + ".txt"), ExpectedRecords(first, last));
    }
  }
}

TEST_F(Records, ProgressShowsOnlyAtMultiplesOfTenThousand) {
  Run("9999", "20001");
  EXPECT_EQ(view.statusHistory,
            (Texts{"10000  99980001 - 100000000 : 19999", "20000  399960001 - 400000000 : 39999",
                   "File saved to " + folder.path()}));
  EXPECT_EQ(view.eventsProcessed, 10003);

  // A view that asks for its events only every 1000 numbers gets them so,
  // and the same progress.
  view.eventsProcessed = 0;
  view.statusHistory.clear();
  view.numbersPerEventPass = 1000;
  Run("9999", "20001");
  EXPECT_EQ(view.statusHistory.size(), 3U);
  EXPECT_EQ(view.eventsProcessed, 10);
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
