// Date functions over date texts "dd.mm.yyyy": parts, conversions, month
// arithmetic. DATE() itself is a rule of the binary group (it has no
// argument).
#include "EvalError.h"
#include "ExprDates.h"
#include "FunctionLibrary.h"
#include "Numbers.h"
#include "StrUtil.h"

namespace orn {

namespace {
using K = TokenKind;

DateParts ReadDate(const std::string& text) {
  std::optional<DateTime> value = ParseShortDate(text);
  if (!value) throw EvalError("not a date: " + text);
  return DecodeDate(*value);
}

std::string MakeDate(int year, int month, int day) {
  std::optional<DateTime> value = EncodeDate(year, month, day);
  if (!value) throw EvalError("invalid date");
  return DateText(*value);
}

void DtocDate(const CallContext&, const Token* const* a, Token& r) { SetResult(r, a[0]->text, K::Str); }
void DtocNumber(const CallContext&, const Token* const*, Token& r) { SetResult(r, " ", K::Str); }
void DtocNil(const CallContext&, const Token* const*, Token& r) { SetResult(r, "", K::Str); }

void Ctod(const CallContext&, const Token* const* a, Token& r) {
  std::optional<DateTime> value = ParseShortDate(a[0]->text);
  SetResult(r, value ? DateText(*value) : "11.11.11", K::Date);
}

void Day(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, std::to_string(StrictInt(CopyText(a[0]->text, 1, 2))), K::Par);
}
void Month(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, std::to_string(StrictInt(CopyText(a[0]->text, 4, 2))), K::Par);
}
// The whole year written in the date: 2026 from "08.12.2026", 11 from
// "11.11.11" (not only the first two digits of a four-digit year).
void Year(const CallContext&, const Token* const* a, Token& r) {
  std::string year = CopyText(a[0]->text, 7, 4);
  size_t digits = 0;
  while (digits < year.size() && year[digits] >= '0' && year[digits] <= '9') ++digits;
  SetResult(r, std::to_string(StrictInt(year.substr(0, digits))), K::Par);
}
void DayStr(const CallContext&, const Token* const* a, Token& r) { SetResult(r, CopyText(a[0]->text, 1, 2), K::Str); }
void MonthStr(const CallContext&, const Token* const* a, Token& r) { SetResult(r, CopyText(a[0]->text, 4, 2), K::Str); }
void YearStr(const CallContext&, const Token* const* a, Token& r) { SetResult(r, CopyText(a[0]->text, 7, 4), K::Str); }

void Bom(const CallContext&, const Token* const* a, Token& r) {
  DateParts d = ReadDate(a[0]->text);
  SetResult(r, MakeDate(d.year, d.month, 1), K::Date);
}
void Eom(const CallContext&, const Token* const* a, Token& r) {
  DateParts d = ReadDate(a[0]->text);
  SetResult(r, MakeDate(d.year, d.month, DaysInMonth(d.year, d.month)), K::Date);
}

void AddMonth(const CallContext&, const Token* const* a, Token& r) {
  const int n = StrictInt(a[1]->text);
  if (n == 0) return SetResult(r, a[0]->text, K::Date);
  DateParts d = ReadDate(a[0]->text);
  long long months = static_cast<long long>(d.year) * 12 + (d.month - 1) + n;
  long long year = months >= 0 ? months / 12 : (months - 11) / 12;
  int month = static_cast<int>(months - year * 12) + 1;
  if (year < 1 || year > 9999) throw EvalError("invalid date");
  // The day is kept unless the target month is shorter (February of a leap
  // year has its 29th).
  int day = std::min(d.day, DaysInMonth(static_cast<int>(year), month));
  SetResult(r, MakeDate(static_cast<int>(year), month, day), K::Date);
}
}  // namespace

void AddDateFunctions(std::vector<FunctionRow>& rows) {
  rows.insert(rows.end(), {
                              {Fn::ADDMONTH, "DI", AddMonth},
                              {Fn::TTOC, "N", DtocNumber},
                              {Fn::DTOC, "N", DtocNumber},
                              {Fn::DTOC, "0", DtocNil},
                              {Fn::TTOC, "0", DtocNil},
                              {Fn::TTOC, "T", DtocDate},
                              {Fn::DTOC, "D", DtocDate},
                              {Fn::YEARSTR, "D", YearStr},
                              {Fn::MONTHSTR, "D", MonthStr},
                              {Fn::DAYSTR, "D", DayStr},
                              {Fn::BOM, "D", Bom},
                              {Fn::EOM, "D", Eom},
                              {Fn::YEAR, "D", Year},
                              {Fn::MONTH, "D", Month},
                              {Fn::DAY, "D", Day},
                              {Fn::CTOD, "S", Ctod},
                          });
}

}  // namespace orn
