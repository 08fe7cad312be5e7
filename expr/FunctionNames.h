// The built-in function table: 55 names in the order the language defines
// them. A Func token carries its index here, so the rules never compare
// names during a pass.
#pragma once

#include <string_view>

namespace orn {

enum class Fn : int {
  AFTERATNUM,
  ALLTRIM,
  ATNUM,
  ATTOKEN,
  BEFORATNUM,
  LTRIM,
  NUMAT,
  PADL,
  PADR,
  PADC,
  REPLICATE,
  RIGHT,
  RTRIM,
  LEFT,
  SPACE,
  STRTRAN,
  STUFF,
  TOKEN,
  SUBSTR,
  POS,
  STR,
  VAL,
  DATE,
  DTOC,
  CTOD,
  TTOC,
  YEAR,
  MONTH,
  DAY,
  YEARSTR,
  MONTHSTR,
  SQR,
  SQRT,
  DAYSTR,
  NOT,
  IF,
  IN,
  EMPTY,
  LENGTH,
  ROUND,
  ROUNDF,
  LATV,
  LATVBANK,
  LATVDOS,
  LATVUNICODE,
  GETKURS,
  FORMANALIT,
  CASESTR,
  CASENUM,
  FORMNOTNIL,
  ADDMONTH,
  BOM,
  EOM,
  TRY,
  REPLQUOTA,
};

constexpr int kFunctionCount = 55;

// The name of entry `index` of the table.
std::string_view FunctionName(int index);
// The index of an upper-case name in the table, or -1.
int FindBuiltinFunction(std::string_view upperName);

}  // namespace orn
