// Rule group 7 (window 3): arithmetic, concatenation, parentheses, DATE(),
// user functions without arguments, comparisons and and/or. At each
// position the patterns are tried in a fixed order; the first position that
// matches one is reduced.
#include <cmath>

#include "Clock.h"
#include "EvalError.h"
#include "ExprDates.h"
#include "Numbers.h"
#include "Reduction.h"
#include "StrUtil.h"

namespace orn {

namespace {
using K = TokenKind;

bool OneReal(K a, K b) { return IsNum(a) && IsNum(b) && (a == K::ParR || b == K::ParR); }

DateTime ReadDate(const std::string& text) {
  std::optional<DateTime> value = ParseShortDate(text);
  if (!value) throw EvalError("not a date: " + text);
  return *value;
}

double CheckedReal(double value) {
  if (!std::isfinite(value)) throw EvalError("number out of range");
  return value;
}

// "*" and "/". Returns true when a pattern matched.
bool Multiplicative(TokenList& w, size_t pos) {
  const Token& a = w[pos];
  const Token& b = w[pos + 2];
  const K op = w[pos + 1].kind;
  if (op == K::Star && a.kind == K::Par && b.kind == K::Par) {
    ReduceWindow(w, pos, 3, std::to_string(CheckedMul(StrictInt(a.text), StrictInt(b.text))), K::Par);
    return true;
  }
  if (op == K::Star && OneReal(a.kind, b.kind)) {
    double product = CheckedReal(LenientReal(a.text) * LenientReal(b.text));
    ReduceWindow(w, pos, 3, RoundedText(product, DecimalCount(a.text) + DecimalCount(b.text)), K::ParR);
    return true;
  }
  if (op == K::Slash && OneReal(a.kind, b.kind)) {
    double divisor = LenientReal(b.text);
    if (divisor == 0) throw EvalError("division by zero");
    double quotient = CheckedReal(LenientReal(a.text) / divisor);
    ReduceWindow(w, pos, 3, RoundedText(quotient, QuotientDecimals(quotient)), K::ParR);
    return true;
  }
  if (op == K::Slash && a.kind == K::Par && b.kind == K::Par) {
    int divisor = StrictInt(b.text);
    if (divisor == 0) throw EvalError("division by zero");
    double quotient = static_cast<double>(StrictInt(a.text)) / divisor;
    int decimals = QuotientDecimals(quotient);
    ReduceWindow(w, pos, 3, RoundedText(quotient, decimals), decimals == 0 ? K::Par : K::ParR);
    return true;
  }
  return false;
}

// "+" and "-", only when no "*" or "/" waits for the right operand.
bool Additive(TokenList& w, size_t pos) {
  if (pos + 3 < w.size() && (w[pos + 3].kind == K::Star || w[pos + 3].kind == K::Slash)) return false;
  const Token& a = w[pos];
  const Token& b = w[pos + 2];
  const K op = w[pos + 1].kind;
  if (op != K::Plus && op != K::Minus) return false;
  const bool plus = op == K::Plus;
  if (OneReal(a.kind, b.kind)) {
    double x = LenientReal(a.text), y = LenientReal(b.text);
    double sum = CheckedReal(plus ? x + y : x - y);
    ReduceWindow(w, pos, 3, RoundedText(sum, std::max(DecimalCount(a.text), DecimalCount(b.text))), K::ParR);
    return true;
  }
  if (a.kind == K::Par && b.kind == K::Par) {
    int x = StrictInt(a.text), y = StrictInt(b.text);
    ReduceWindow(w, pos, 3, std::to_string(plus ? CheckedAdd(x, y) : CheckedSub(x, y)), K::Par);
    return true;
  }
  if (a.kind == K::Date && IsNum(b.kind)) {
    double days = b.kind == K::Par ? StrictInt(b.text) : StrictReal(b.text);
    DateTime date = ReadDate(a.text) + (plus ? days : -days);
    if (date < -693593 || date > 2958465) throw EvalError("date out of range");
    ReduceWindow(w, pos, 3, DateText(date), K::Date);
    return true;
  }
  return false;
}

bool Compare(TokenList& w, size_t pos) {
  const Token& a = w[pos];
  const Token& b = w[pos + 2];
  const std::string& op = w[pos + 1].text;
  int order;  // <0, 0, >0
  if (IsStr(a.kind) && IsStr(b.kind)) {
    int c = a.text.compare(b.text);
    order = c < 0 ? -1 : c > 0;
  } else if (a.kind == K::Date && b.kind == K::Date) {
    DateTime x = ReadDate(a.text), y = ReadDate(b.text);
    order = x < y ? -1 : x > y;
  } else if (a.kind == K::Par && b.kind == K::Par) {
    int x = StrictInt(a.text), y = StrictInt(b.text);
    order = x < y ? -1 : x > y;
  } else if (OneReal(a.kind, b.kind)) {
    double x = StrictReal(a.text), y = StrictReal(b.text);
    order = x < y ? -1 : x > y;
  } else {
    return false;
  }
  bool truth;
  if (op == ">")
    truth = order > 0;
  else if (op == "<")
    truth = order < 0;
  else if (op == "=")
    truth = order == 0;
  else if (op == ">=")
    truth = order >= 0;
  else if (op == "<=")
    truth = order <= 0;
  else if (op == "<>" || op == "#")
    truth = order != 0;
  else
    return false;
  ReduceWindow(w, pos, 3, truth ? "T" : "F", K::Bool);
  return true;
}

bool TryAt(TokenList& w, size_t pos, const CallContext&) {
  const Token& a = w[pos];
  const Token& m = w[pos + 1];
  const Token& b = w[pos + 2];
  // 1. Concatenation.
  if (IsStr(a.kind) && m.kind == K::Plus && IsStr(b.kind)) {
    CheckTextLength(a.text.size() + b.text.size());
    ReduceWindow(w, pos, 3, a.text + b.text, K::Str);
    return true;
  }
  // 2-5. Products and quotients; 6. sums and differences.
  if (Multiplicative(w, pos) || Additive(w, pos)) return true;
  // 7. A user function without arguments.
  if (a.kind == K::FuncX && m.kind == K::LParen && b.kind == K::RParen) {
    Token result;
    if (CallUserFunction(a, 0, nullptr, result)) {
      ReduceWindow(w, pos, 3, std::move(result.text), result.kind);
      return true;
    }
  }
  // 8. Parentheses around one value, unless they belong to a call.
  if (a.kind == K::LParen && IsValue(m.kind) && b.kind == K::RParen &&
      (pos == 0 || (w[pos - 1].kind != K::Func && w[pos - 1].kind != K::FuncX))) {
    ReduceWindow(w, pos, 3, m.text, m.kind);
    return true;
  }
  // 9. Today.
  if (a.kind == K::Func && a.func == static_cast<int>(Fn::DATE) && m.kind == K::LParen && b.kind == K::RParen) {
    ReduceWindow(w, pos, 3, DateText(Today()), K::Date);
    return true;
  }
  // 10. Comparisons.
  if (m.kind == K::Znak && Compare(w, pos)) return true;
  // 11. And, or.
  if (a.kind == K::Bool && m.kind == K::Znak && b.kind == K::Bool && (m.text == "&" || m.text == "^")) {
    bool x = a.text == "T", y = b.text == "T";
    ReduceWindow(w, pos, 3, (m.text == "&" ? x && y : x || y) ? "T" : "F", K::Bool);
    return true;
  }
  return false;
}
}  // namespace

bool ReduceBinary(TokenList& w, const CallContext& context) {
  for (size_t pos = 0; pos + 3 <= w.size(); ++pos)
    if (TryAt(w, pos, context)) return true;
  return false;
}

}  // namespace orn
