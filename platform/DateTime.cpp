#include "DateTime.h"

#include <cmath>
#include <cstdio>

namespace orn {

namespace {
// Days from 0001-01-01 (day 1) to 1899-12-30, as the proleptic Gregorian calendar counts them.
constexpr long kDelta = 693594;

long DaysBeforeYear(long y) { return y * 365 + y / 4 - y / 100 + y / 400; }
}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

std::optional<DateTime> EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return std::nullopt;
  long days = day;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  days += DaysBeforeYear(year - 1);
  return static_cast<DateTime>(days - kDelta);
}

DateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / 86400000.0;
}

DateParts DecodeDate(DateTime value) {
  DateParts p;
  // Beyond the year 9999 (or no number at all) there is no date to give, and
  // the cast below would be undefined.
  if (!(value > -kDelta && value < 2958466.0)) return p;
  long days = static_cast<long>(std::floor(value)) + kDelta;  // 1 = 0001-01-01
  if (days <= 0) return p;
  long n = days - 1;
  long y400 = n / 146097;
  n %= 146097;
  long y100 = n / 36524;
  if (y100 == 4) y100 = 3;
  n -= y100 * 36524;
  long y4 = n / 1461;
  n %= 1461;
  long y1 = n / 365;
  if (y1 == 4) y1 = 3;
  n -= y1 * 365;
  p.year = static_cast<int>(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);
  p.month = 1;
  while (n >= DaysInMonth(p.year, p.month)) {
    n -= DaysInMonth(p.year, p.month);
    ++p.month;
  }
  p.day = static_cast<int>(n + 1);
  return p;
}

TimeParts DecodeTime(DateTime value) {
  double frac = value - std::floor(value);
  long ms = std::lround(frac * 86400000.0);
  if (ms >= 86400000) ms = 86399999;
  TimeParts t;
  t.hour = static_cast<int>(ms / 3600000);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.millisecond = static_cast<int>(ms % 1000);
  return t;
}

int DayOfWeek(DateTime value) {
  // 30 December 1899 was a Saturday (7).
  long days = static_cast<long>(std::floor(value));
  long r = ((days % 7) + 7) % 7;  // 0 = Saturday
  return r == 0 ? 7 : static_cast<int>(r);
}

std::string FormatShortDate(DateTime value) {
  DateParts p = DecodeDate(value);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", p.day, p.month, p.year);
  return buf;
}

std::string FormatLogStamp(DateTime value) {
  TimeParts t = DecodeTime(value);
  char buf[32];
  std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", t.hour, t.minute, t.second);
  return FormatShortDate(value) + buf;
}

}  // namespace orn
