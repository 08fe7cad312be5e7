// Logic, choice and look-up functions: NOT, IF, TRY, CASESTR, CASENUM,
// FORMNOTNIL, FORMANALIT, GETKURS and the user functions of the registry.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "EvalError.h"
#include "Evaluator.h"
#include "ExprDates.h"
#include "Numbers.h"
#include "Reduction.h"
#include "StrUtil.h"

namespace orn {

namespace {
using K = TokenKind;

TokenKind Plain(TokenKind kind) { return kind == K::ParStr ? K::Str : kind; }

void Not(const CallContext&, const Token* const* a, Token& r) { SetResult(r, a[0]->text == "T" ? "F" : "T", K::Bool); }

void If(const CallContext&, const Token* const* a, Token& r) {
  const Token& chosen = a[0]->text == "T" ? *a[1] : *a[2];
  SetResult(r, chosen.text, Plain(chosen.kind));
}

void Try(const CallContext&, const Token* const* a, Token& r) {
  const Token& chosen = a[0]->kind == K::Nil ? *a[1] : *a[0];
  SetResult(r, chosen.text, Plain(chosen.kind));
}

// The nested evaluations reuse the working lists; the outer reduction gets
// its own back whatever happens.
class WorkingListsSaver {
 public:
  WorkingListsSaver() : saved_(WorkingTokens()) {}
  ~WorkingListsSaver() { WorkingTokens() = std::move(saved_); }

 private:
  TokenList saved_;
};

std::string CaseAnswer(const CallContext& context, const Token* const* a) {
  // Copies: the nested evaluations overwrite the working lists that the
  // arguments live in.
  const std::string value = a[0]->text;
  const std::string conditions = a[1]->text;
  const std::string answers = a[2]->text;
  const std::string fallback = a[3]->text;
  std::optional<std::string> answer;  // missing answer: the "$ELSE$" of the search
  {
    WorkingListsSaver saver;
    const int count = static_cast<int>(std::count(conditions.begin(), conditions.end(), ';')) + 1;
    for (int k = 1; k <= count && !answer; ++k)
      if (EvaluateItem(TokenText(conditions, ";", k, 1), context) == value)
        answer = EvaluateItem(TokenText(answers, ";", k, 1), context);
  }
  return answer ? *answer : fallback;
}

void CaseStr(const CallContext& c, const Token* const* a, Token& r) { SetResult(r, CaseAnswer(c, a), K::Str); }
void CaseNum(const CallContext& c, const Token* const* a, Token& r) { SetResult(r, CaseAnswer(c, a), K::Par); }

void FormNotNil(const CallContext&, const Token* const* a, Token& r) {
  ExprHost* host = CurrentExprHost();
  const std::string name = HostText(a[0]->text);
  bool open = false;
  if (host != nullptr)
    open = host->MainFormIsMdiFrame() ? host->FindMdiChild(name) != nullptr : host->HasApplicationComponent(name);
  SetResult(r, open ? "T" : "F", K::Bool);
}

void FormAnalit(const CallContext&, const Token* const* a, Token& r) {
  if (!AnalyticFormatHandler) throw EvalError("FORMANALIT: no handler installed");
  std::string value;
  AnalyticFormatHandler(a[0]->text, a[1]->text, value);
  SetResult(r, std::move(value), K::Str);
}

bool SameCode(const RateRecord& record, const std::string& code) { return record.valKod == code; }

void GetKurs(const CallContext&, const Token* const* a, Token& r) {
  if (TrimText(a[0]->text).empty()) return SetResult(r, "1", K::ParR);
  RateDataset* rates = KursDataset();
  if (rates == nullptr) throw EvalError("GETKURS: no rate table installed");
  std::optional<DateTime> date = ParseShortDate(a[1]->text);
  if (!date) throw EvalError("not a date: " + a[1]->text);
  if (!rates->Active()) rates->Open();
  const std::string code = HostText(a[0]->text);
  // The nearest key is the first record at or after (code, date); the rate
  // in force is the one that started last on or before the date, so step
  // back one record unless the search landed on that start day exactly.
  bool positioned = rates->FindNearest(code, *date);
  if (positioned) {
    RateRecord at = rates->Current();
    if (!SameCode(at, code) || at.dataNach > *date) positioned = rates->Prior();
  } else {
    positioned = rates->Prior();
  }
  if (!positioned) return SetResult(r, "0", K::ParR);
  RateRecord record = rates->Current();
  if (!SameCode(record, code) || *date < record.dataNach || *date > record.dataKon) return SetResult(r, "0", K::ParR);
  if (record.valKf == 0) throw EvalError("GETKURS: rate quoted for 0 units");
  // Nine decimals, as the rate table's "0.000000000" pattern writes it.
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, record.valKurs / record.valKf, std::chars_format::fixed, 9);
  if (ec != std::errc()) throw EvalError("GETKURS: rate out of range");
  double rate = 0;
  std::from_chars(buf, end, rate);
  SetResult(r, FormatGeneral(rate), K::ParR);
}
}  // namespace

bool CallUserFunction(const Token& name, int arity, const Token* const* args, Token& result) {
  std::string upper = name.text;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  const std::string* value = UserFunctions().Find(upper);
  if (value == nullptr) return false;
  size_t bar = value->find('|');
  if (bar == std::string::npos || bar != static_cast<size_t>(arity)) return false;
  for (int i = 0; i < arity; ++i)
    if (!IsValue(args[i]->kind)) return false;
  TokenKind kind;
  switch (bar + 1 < value->size() ? (*value)[bar + 1] : '\0') {
    case 'B':
      kind = K::Bool;
      break;
    case 'S':
      kind = K::Str;
      break;
    case 'I':
      kind = K::Par;
      break;
    case 'N':
      kind = K::ParR;
      break;
    case 'D':
      kind = K::Date;
      break;
    default:
      throw EvalError("user function " + upper + ": unknown result kind in the registry");
  }
  if (!UserFunctionHandler) throw EvalError("user function " + upper + ": no handler installed");
  std::vector<std::string> texts;
  for (int i = 0; i < arity; ++i) texts.push_back(args[i]->text);
  std::string out;
  UserFunctionHandler(upper, texts, out);
  SetResult(result, std::move(out), kind);
  return true;
}

void AddLogicFunctions(std::vector<FunctionRow>& rows) {
  rows.insert(rows.end(), {
                              {Fn::CASESTR, "CLLC", CaseStr},
                              {Fn::CASENUM, "CLLC", CaseNum},
                              {Fn::IF, "BVV", If},
                              {Fn::FORMANALIT, "SS", FormAnalit},
                              {Fn::GETKURS, "SD", GetKurs},
                              {Fn::TRY, "VV", Try},
                              {Fn::NOT, "B", Not},
                              {Fn::FORMNOTNIL, "S", FormNotNil},
                          });
}

}  // namespace orn
