#include "RunNames.h"

#include <cctype>

#include "FileSystem.h"
#include "ProgramFolders.h"

namespace orn {

namespace {
std::string DayMonthYear(DateTime date) {
  DateParts d = DecodeDate(date);
  return std::to_string(d.day) + "," + std::to_string(d.month) + "," + std::to_string(d.year);
}
}  // namespace

int IsoWeekday(DateTime date) { return (DayOfWeek(date) + 5) % 7 + 1; }

std::string RotationSuffix(char rotationScheme, DateTime date) {
  DateParts d = DecodeDate(date);
  switch (rotationScheme) {
    case 'W':
      return "(Day_" + std::to_string(IsoWeekday(date)) + "-th).zip";
    case 'M':
      return "(Day_" + std::to_string(d.day) + "of_month).zip";
    case 'Y':
      return "(Day_" + std::to_string(d.day) + "of_month_" + std::to_string(d.month) + ").zip";
    default:
      return ".zip";
  }
}

std::string PlusSuffix(char rotationScheme, DateTime date) {
  if (rotationScheme == 'W' || rotationScheme == 'M' || rotationScheme == 'Y')
    return RotationSuffix(rotationScheme, date);
  return RotationSuffix('W', date);
}

std::string UniqueSuffix(DateTime date) { return "(DATE=" + DayMonthYear(date) + ").zip"; }

std::optional<DateTime> DecideUniqueSave(char uniqueScheme, DateTime today, DateTime lastArchivingDate) {
  today = static_cast<double>(static_cast<long>(today));
  DateParts now = DecodeDate(today);
  DateParts last = DecodeDate(lastArchivingDate);
  switch (uniqueScheme) {
    case 'W': {
      if (IsoWeekday(today) == 1) return today;
      DateTime monday = today - IsoWeekday(today) + 1;
      if (monday > lastArchivingDate) return today;
      return std::nullopt;
    }
    case 'M':
      if (now.year != last.year || now.month > last.month) return today;
      return std::nullopt;
    case 'Y':
      if (now.year != last.year) return today;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

std::string ArchiveTag(const std::string& fileName) {
  auto open = fileName.find('(');
  if (open == std::string::npos) return {};
  auto close = fileName.find(')', open);
  if (close == std::string::npos) return {};
  return fileName.substr(open, close - open + 1);
}

std::optional<int> VolumeNumber(const std::string& fileName) {
  auto dot = fileName.find('.');
  if (dot == std::string::npos || dot < 3) return std::nullopt;
  int value = 0;
  for (size_t i = dot - 3; i < dot; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(fileName[i]))) return std::nullopt;
    value = value * 10 + (fileName[i] - '0');
  }
  return value;
}

std::string WithVolumeNumber(const std::string& fileName, int number) {
  auto dot = fileName.find('.');
  if (dot == std::string::npos || dot < 3) return fileName;
  std::string digits = std::to_string(number % 1000);
  digits.insert(0, 3 - digits.size(), '0');
  return fileName.substr(0, dot - 3) + digits + fileName.substr(dot);
}

std::string TaggedName(const std::string& fileName, const std::string& tag, bool volumeSet) {
  auto open = fileName.find('(');
  if (open != std::string::npos) {
    auto close = fileName.find(')', open);
    // An unclosed "(" is treated as running to the end of the name, so the
    // tag still replaces it rather than being lost.
    if (close == std::string::npos) close = fileName.size() - 1;
    return fileName.substr(0, open) + tag + fileName.substr(close + 1);
  }
  auto dot = fileName.find('.');
  if (dot == std::string::npos) return fileName + tag;
  size_t at = volumeSet && VolumeNumber(fileName) ? dot - 3 : dot;
  return fileName.substr(0, at) + tag + fileName.substr(at);
}

std::string DefaultTemporaryDirectory() {
  return IncludeTrailingDelimiter(ProgramWorkParentDir() + kTemporaryDirectoryName);
}

std::string UserLogPath() { return JoinPath(UserStateDir(), kLogFileName); }

}  // namespace orn
