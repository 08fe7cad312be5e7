// Number functions: ROUND, ROUNDF, SQR, SQRT. Arguments are read strictly.
#include <cmath>

#include "EvalError.h"
#include "FunctionLibrary.h"
#include "Numbers.h"

namespace orn {

namespace {
using K = TokenKind;

void Round1(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, RoundedText(StrictReal(a[0]->text), 0), K::Par);
}
void Round2(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, RoundedText(StrictReal(a[0]->text), StrictInt(a[1]->text)), K::ParR);
}
void RoundF(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, RoundedFixedText(StrictReal(a[0]->text), StrictInt(a[1]->text)), K::ParR);
}
void Sqr(const CallContext&, const Token* const* a, Token& r) {
  double x = StrictReal(a[0]->text);
  SetResult(r, FormatGeneral(x * x), K::ParR);
}
void Sqrt(const CallContext&, const Token* const* a, Token& r) {
  double x = StrictReal(a[0]->text);
  if (x < 0) throw EvalError("SQRT of a negative number");
  SetResult(r, FormatGeneral(std::sqrt(x)), K::ParR);
}
}  // namespace

void AddNumberFunctions(std::vector<FunctionRow>& rows) {
  rows.insert(rows.end(), {
                              {Fn::ROUND, "NI", Round2},
                              {Fn::ROUNDF, "NI", RoundF},
                              {Fn::ROUND, "N", Round1},
                              {Fn::SQR, "N", Sqr},
                              {Fn::SQRT, "N", Sqrt},
                          });
}

}  // namespace orn
