#include "ExprDates.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "Clock.h"

namespace orn {

std::optional<DateTime> ParseShortDate(const std::string& text) {
  std::vector<int> parts;
  std::vector<int> widths;
  size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return std::nullopt;
  while (parts.size() < 3) {
    int value = 0, width = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && width < 9)
      value = value * 10 + (text[i++] - '0'), ++width;
    if (width == 0) return std::nullopt;
    parts.push_back(value);
    widths.push_back(width);
    if (i < text.size() && text[i] == '.' && parts.size() < 3) {
      ++i;
      continue;
    }
    break;
  }
  if (parts.size() < 2) return std::nullopt;
  // What may follow is blanks and a time of day, which a date ignores.
  size_t rest = text.find_first_not_of(' ', i);
  if (rest != std::string::npos) {
    if (rest == i) return std::nullopt;
    for (size_t j = rest; j < text.size(); ++j)
      if (!((text[j] >= '0' && text[j] <= '9') || text[j] == ':' || text[j] == ' ')) return std::nullopt;
  }
  const int thisYear = DecodeDate(Now()).year;
  int year = parts.size() == 3 ? parts[2] : thisYear;
  if (parts.size() == 3 && widths[2] <= 2) {
    const int base = thisYear - 50;
    year += base / 100 * 100;
    if (year < base) year += 100;
  }
  return EncodeDate(year, parts[1], parts[0]);
}

std::string DateText(DateTime value) { return FormatShortDate(value); }

std::string TimeText(DateTime value) {
  TimeParts t = DecodeTime(value);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return buf;
}

std::string DateTimeText(DateTime value) {
  if (value == std::floor(value)) return DateText(value);
  return DateText(value) + " " + TimeText(value);
}

}  // namespace orn
