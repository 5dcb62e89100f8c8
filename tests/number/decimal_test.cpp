// Decimal against its fixed points and against GMP as an exact oracle.
#include "number/decimal.h"

#include <gtest/gtest.h>

#include "number/failure.h"
#include "number/number_text.h"

namespace morvane {
namespace {

Decimal Whole(std::uint64_t value) { return Decimal::FromParts(false, 0, value, 0); }

int FailureNumberOf(auto&& operation) {
  try {
    operation();
  } catch (const Failure& failure) {
    return failure.number();
  }
  return 0;
}

TEST(DecimalMultiply, ExactAtLargestSquare) {
  const Decimal n = Whole(281'474'976'710'655ULL);
  EXPECT_EQ(PlainNumber(n * n), "79228162514263774643590529025");
}

TEST(DecimalMultiply, OverflowsPastTwoToThe48) {
  const Decimal n = Whole(281'474'976'710'656ULL);
  EXPECT_EQ(FailureNumberOf([&] { (void)(n * n); }), kOverflowError);
}

TEST(DecimalFromDouble, HoldsFifteenDigitsExactly) {
  EXPECT_EQ(Decimal(0.1), Decimal::FromParts(false, 0, 1, 1));
  EXPECT_EQ(Decimal(1e15), Whole(1'000'000'000'000'000ULL));
  EXPECT_EQ(PlainNumber(Decimal(0.1)), "0.1");
}

TEST(DecimalDivide, ProgressQuotientAndItsFloor) {
  const Decimal divisor(10000);
  const Decimal q1 = Decimal(10000) / divisor;
  EXPECT_EQ(q1, Decimal(1));
  EXPECT_EQ(Floor(q1), Decimal(1));
  EXPECT_EQ(q1 - Floor(q1), Decimal(0));

  const Decimal q2 = Decimal(10001) / divisor;
  EXPECT_EQ(q2, Decimal::FromParts(false, 0, 10001, 4));
  EXPECT_EQ(Floor(q2), Decimal(1));
  EXPECT_EQ(q2 - Floor(q2), Decimal::FromParts(false, 0, 1, 4));

  const Decimal q3 = Decimal(-5) / divisor;
  EXPECT_EQ(q3, Decimal::FromParts(true, 0, 5, 4));
  EXPECT_EQ(Floor(q3), Decimal(-1));
  EXPECT_EQ(q3 - Floor(q3), Decimal::FromParts(false, 0, 9995, 4));
}

TEST(DecimalCompare, IgnoresScaleAndSignOfZero) {
  EXPECT_EQ(Decimal::FromParts(false, 0, 25, 1), Decimal::FromParts(false, 0, 250, 2));
  EXPECT_EQ(Decimal::FromParts(true, 0, 0, 0), Decimal(0));
  EXPECT_EQ(FormatNumber(Decimal::FromParts(true, 0, 0, 3)), " 0");
}

TEST(DecimalDivide, ByZeroIsItsOwnFailure) {
  EXPECT_EQ(FailureNumberOf([] { (void)(Decimal(1) / Decimal(0)); }), kDivisionByZeroError);
}

TEST(FormatNumber, RecordForms) {
  EXPECT_EQ(FormatNumber(Decimal(1)), " 1");
  EXPECT_EQ(FormatNumber(Decimal(0)), " 0");
  EXPECT_EQ(FormatNumber(Decimal(-7)), "-7");
  EXPECT_EQ(FormatNumber(Decimal(100000000)), " 100000000");
  EXPECT_EQ(FormatNumber(Decimal(2.5)), " 2.5");
  EXPECT_EQ(FormatNumber(Decimal(0.5)), " 0.5");
  EXPECT_EQ(FormatNumber(Decimal(-0.5)), "-0.5");
  EXPECT_EQ(PlainNumber(Decimal(19999)), "19999");
  EXPECT_EQ(PlainNumber(Decimal(-7)), "-7");
}

}  // namespace
}  // namespace morvane
