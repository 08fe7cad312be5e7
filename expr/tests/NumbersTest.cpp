// Reading and writing numbers and dates, below the rules that use them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Clock.h"
#include "EvalError.h"
#include "ExprDates.h"
#include "Numbers.h"

namespace orn {
namespace {

TEST(ExprNumbers, GeneralFormHasAtMostFifteenDigits) {
  const std::vector<std::pair<double, std::string>> cases = {
      {0, "0"},
      {2.5, "2.5"},
      {-0.5, "-0.5"},
      {123.456, "123.456"},
      {1.0 / 3, "0.333333333333333"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {2.5e-7, "2.5E-7"},
      {999999999999999, "999999999999999"},
      {1e15, "1E15"},
      {-1.5e20, "-1.5E20"},
      {0.1 + 0.2, "0.3"},
  };
  for (const auto& [value, text] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(FormatGeneral(value), text);
  }
}

TEST(ExprNumbers, RoundingNudgesAwayFromZero) {
  struct Row {
    const char* what;
    double x;
    int n;
    const char* general;
    const char* fixed;
  };
  const std::vector<Row> rows = {
      {"binary 2.675 rounds up", 2.675, 2, "2.68", "2.68"},
      {"negative half rounds away", -2.5, 0, "-3", "-3"},
      {"positive half rounds away", 0.125, 2, "0.13", "0.13"},
      {"trailing zeros only in the fixed form", 2.5, 2, "2.5", "2.50"},
      {"whole number", 2, 3, "2", "2.000"},
      {"the nudge itself shows from ten decimals on", 1.5, 12, "1.5000000001", "1.500000000100"},
      {"negative decimals count as 0", 7.6, -2, "8", "8"},
      {"small negative becomes zero, not -0", -0.001, 2, "0", "0.00"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(RoundedText(r.x, r.n), r.general);
    EXPECT_EQ(RoundedFixedText(r.x, r.n), r.fixed);
  }
  EXPECT_EQ(RoundedText(2.0 / 3, 40), RoundedText(2.0 / 3, 18)) << "decimals beyond 18 count as 18";
}

TEST(ExprNumbers, DecimalCounts) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"12", 0}, {"1.25", 2}, {"1.", 0}, {"-0.125", 3}, {"1.5E-3", 3}, {"2e+4", 0}, {"2E4", 0}, {"1E- 7", 0},
  };
  for (const auto& [text, count] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(DecimalCount(text), count);
  }
  EXPECT_EQ(QuotientDecimals(7.0 / 2), 1);
  EXPECT_EQ(QuotientDecimals(1.0 / 8), 3);
  EXPECT_EQ(QuotientDecimals(1.0 / 3), 12);
  EXPECT_EQ(QuotientDecimals(6.0 / 3), 0);
  EXPECT_EQ(QuotientDecimals(0), 0);
  EXPECT_EQ(QuotientDecimals(3.141592653589793e-20), 15);
}

TEST(ExprNumbers, StrictAndLenientReading) {
  EXPECT_EQ(StrictInt("42"), 42);
  EXPECT_EQ(StrictInt(" -7"), -7);
  EXPECT_EQ(StrictInt("+7"), 7);
  EXPECT_EQ(StrictInt("-2147483648"), -2147483648LL);
  for (const char* bad : {"", " ", "1.0", "2147483648", "12 ", "0x10", "--1", "1e3"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(StrictInt(bad), EvalError);
  }
  EXPECT_DOUBLE_EQ(StrictReal(" 1.5e2 "), 150);
  EXPECT_DOUBLE_EQ(StrictReal(".5"), 0.5);
  for (const char* bad : {"", "1.5x", "abc", "1e999", "1,5"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(StrictReal(bad), EvalError);
  }
  EXPECT_DOUBLE_EQ(LenientReal("2.5kg"), 2.5);
  EXPECT_DOUBLE_EQ(LenientReal("3E"), 3);
  EXPECT_DOUBLE_EQ(LenientReal("abc"), 0);
  EXPECT_DOUBLE_EQ(LenientReal(""), 0);
}

TEST(ExprDates, ShortDatesAreReadForgivingly) {
  auto previous = SetClock(std::make_unique<FixedClock>(*EncodeDate(2026, 3, 15)));
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"05.01.2026", "05.01.2026"},
      {"5.1.2026", "05.01.2026"},
      {"05.01.26", "05.01.2026"},
      {"05.01.77", "05.01.1977"},
      {"05.01.75", "05.01.2075"},
      {"05.01", "05.01.2026"},
      {" 01.02.2026 13:30:00", "01.02.2026"},
      {"29.02.2024", "29.02.2024"},
  };
  for (const auto& [text, date] : cases) {
    SCOPED_TRACE(text);
    auto value = ParseShortDate(text);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(DateText(*value), date);
  }
  for (const char* bad : {"", "abc", "29.02.2025", "32.01.2026", "01/02/2026", "1.2.2026x", "5"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ParseShortDate(bad).has_value());
  }
  EXPECT_EQ(DateTimeText(*EncodeDate(2026, 2, 1) + EncodeTime(13, 5, 9)), "01.02.2026 13:05:09");
  SetClock(std::move(previous));
}

}  // namespace
}  // namespace orn
