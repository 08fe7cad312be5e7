// Dates as the evaluator writes and reads them: the short date format
// "dd.mm.yyyy". Reading is as forgiving as the platform's date conversion:
// "1.2.2024", a two-digit year (nearest century, 50-year window), "dd.mm"
// meaning this year, and a trailing time of day.
#pragma once

#include <optional>
#include <string>

#include "DateTime.h"

namespace orn {

std::optional<DateTime> ParseShortDate(const std::string& text);
// The date text of a day count: "dd.mm.yyyy".
std::string DateText(DateTime value);
// A date-and-time value: the date, and " hh:nn:ss" when the time is not midnight.
std::string DateTimeText(DateTime value);
// "hh:nn:ss".
std::string TimeText(DateTime value);

}  // namespace orn
