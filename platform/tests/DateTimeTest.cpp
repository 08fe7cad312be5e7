#include <gtest/gtest.h>

#include <cmath>

#include "DateTime.h"

using namespace orn;

TEST(DateTime, ZeroDateAndKnownDays) {
  EXPECT_EQ(*EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(*EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(*EncodeDate(2000, 1, 1), 36526.0);
  EXPECT_FALSE(EncodeDate(2026, 2, 31).has_value());
  EXPECT_FALSE(EncodeDate(2026, 13, 1).has_value());
  EXPECT_TRUE(EncodeDate(2024, 2, 29).has_value());
  EXPECT_FALSE(EncodeDate(2100, 2, 29).has_value());
  // The last day there is, and numbers no day has (an expression may compute
  // any), which give the zero date instead of an undefined conversion.
  EXPECT_EQ(DecodeDate(*EncodeDate(9999, 12, 31) + 0.5).year, 9999);
  for (double none : {1e300, -1e300, std::nan("")}) EXPECT_EQ(DecodeDate(none).year, 1899) << none;
}

TEST(DateTime, RoundTripsEveryDayOfSomeYears) {
  for (int y : {1899, 1900, 1999, 2000, 2024, 2026, 2100}) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= DaysInMonth(y, m); ++d) {
        auto v = EncodeDate(y, m, d);
        ASSERT_TRUE(v);
        DateParts p = DecodeDate(*v + 0.75);
        ASSERT_EQ(p.year, y);
        ASSERT_EQ(p.month, m);
        ASSERT_EQ(p.day, d);
      }
    }
  }
}

TEST(DateTime, WeekdaysAndFormats) {
  EXPECT_EQ(DayOfWeek(*EncodeDate(2025, 12, 7)), 1);   // a Sunday
  EXPECT_EQ(DayOfWeek(*EncodeDate(2025, 12, 8)), 2);   // a Monday
  EXPECT_EQ(DayOfWeek(*EncodeDate(1899, 12, 30)), 7);  // a Saturday
  DateTime t = *EncodeDate(2026, 12, 7) + EncodeTime(9, 5, 3);
  EXPECT_EQ(FormatShortDate(t), "07.12.2026");
  EXPECT_EQ(FormatLogStamp(t), "07.12.2026 09:05:03");
}
