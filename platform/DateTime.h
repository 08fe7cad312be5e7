// Calendar dates as the archiver keeps them: a day count (with the time of day
// as a fraction) from 30 December 1899, so that "the zero date" and "a date
// greater than 100" mean what the job file and the evaluator expect.
#pragma once

#include <optional>
#include <string>

namespace orn {

using DateTime = double;

struct DateParts {
  int year = 1899;
  int month = 12;
  int day = 30;
};

struct TimeParts {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The day count of a calendar date, or nothing when the date does not exist
// (31 February, month 13, year 0).
std::optional<DateTime> EncodeDate(int year, int month, int day);
DateTime EncodeTime(int hour, int minute, int second, int millisecond = 0);
DateParts DecodeDate(DateTime value);
TimeParts DecodeTime(DateTime value);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(DateTime value);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// "dd.mm.yyyy", the process's short date format.
std::string FormatShortDate(DateTime value);
// "dd.mm.yyyy hh:nn:ss", the log's time stamp.
std::string FormatLogStamp(DateTime value);

}  // namespace orn
