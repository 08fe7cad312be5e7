#include "FunctionNames.h"

#include <array>

namespace orn {

namespace {
constexpr std::array<std::string_view, kFunctionCount> kNames = {
    "AFTERATNUM", "ALLTRIM",    "ATNUM",     "ATTOKEN", "BEFORATNUM",  "LTRIM",   "NUMAT",      "PADL",
    "PADR",       "PADC",       "REPLICATE", "RIGHT",   "RTRIM",       "LEFT",    "SPACE",      "STRTRAN",
    "STUFF",      "TOKEN",      "SUBSTR",    "POS",     "STR",         "VAL",     "DATE",       "DTOC",
    "CTOD",       "TTOC",       "YEAR",      "MONTH",   "DAY",         "YEARSTR", "MONTHSTR",   "SQR",
    "SQRT",       "DAYSTR",     "NOT",       "IF",      "IN",          "EMPTY",   "LENGTH",     "ROUND",
    "ROUNDF",     "LATV",       "LATVBANK",  "LATVDOS", "LATVUNICODE", "GETKURS", "FORMANALIT", "CASESTR",
    "CASENUM",    "FORMNOTNIL", "ADDMONTH",  "BOM",     "EOM",         "TRY",     "REPLQUOTA"};
}  // namespace

std::string_view FunctionName(int index) {
  return index >= 0 && index < kFunctionCount ? kNames[static_cast<size_t>(index)] : std::string_view();
}

int FindBuiltinFunction(std::string_view upperName) {
  // The longest name has 11 letters; most words in an expression are field
  // names, which this first test turns away cheaply.
  if (upperName.size() < 2 || upperName.size() > 11) return -1;
  for (int i = 0; i < kFunctionCount; ++i)
    if (kNames[static_cast<size_t>(i)] == upperName) return i;
  return -1;
}

}  // namespace orn
