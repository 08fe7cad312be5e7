// String functions: trimming, cutting, padding, searching, tokens and
// replacement, STR and VAL.
#include "EvalError.h"
#include "FunctionLibrary.h"
#include "Numbers.h"
#include "StrUtil.h"

namespace orn {

namespace {
using K = TokenKind;
const std::string& A(const Token* const* args, int i) { return args[i]->text; }
int I(const Token* const* args, int i) { return StrictInt(args[i]->text); }

void Alltrim(const CallContext&, const Token* const* a, Token& r) { SetResult(r, TrimText(A(a, 0)), K::Str); }
void Ltrim(const CallContext&, const Token* const* a, Token& r) { SetResult(r, TrimLeftText(A(a, 0)), K::Str); }
void Rtrim(const CallContext&, const Token* const* a, Token& r) { SetResult(r, TrimRightText(A(a, 0)), K::Str); }

void Left(const CallContext&, const Token* const* a, Token& r) { SetResult(r, CopyText(A(a, 0), 1, I(a, 1)), K::Str); }

void Right(const CallContext&, const Token* const* a, Token& r) {
  const std::string& s = A(a, 0);
  int n = I(a, 1);
  if (n <= 0) return SetResult(r, "", K::Str);
  SetResult(r, static_cast<size_t>(n) >= s.size() ? s : s.substr(s.size() - static_cast<size_t>(n)), K::Str);
}

void Substr(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, CopyText(A(a, 0), I(a, 1), I(a, 2)), K::Str);
}

void Stuff(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, StuffText(A(a, 0), I(a, 1), I(a, 2), A(a, 3)), K::Str);
}

void Replicate(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, ReplicateText(A(a, 0), I(a, 1)), K::Str);
}

void Space(const CallContext&, const Token* const* a, Token& r) {
  // A real count matches the call's pattern but is not a count.
  if (a[0]->kind != K::Par) throw EvalError("SPACE needs an integer");
  SetResult(r, PadRightText("", I(a, 0), " "), K::Str);
}

void PadL(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, PadLeftText(A(a, 0), I(a, 1), " "), K::Str);
}
void PadR(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, PadRightText(A(a, 0), I(a, 1), " "), K::Str);
}
void PadC(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, PadCenterText(A(a, 0), I(a, 1), " "), K::Str);
}
void PadL3(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, PadLeftText(A(a, 0), I(a, 1), A(a, 2)), K::Str);
}
void PadR3(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, PadRightText(A(a, 0), I(a, 1), A(a, 2)), K::Str);
}
void PadC3(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, PadCenterText(A(a, 0), I(a, 1), A(a, 2)), K::Str);
}

int PosOf(const std::string& sub, const std::string& text) {
  size_t p = FindText(text, sub);
  return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}
void Pos(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, std::to_string(PosOf(A(a, 0), A(a, 1))), K::Par);
}
void In(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, PosOf(A(a, 0), A(a, 1)) > 0 ? "T" : "F", K::Bool);
}

void Length(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, std::to_string(A(a, 0).size()), K::Par);
}
void Empty(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, TrimText(A(a, 0)).empty() ? "T" : "F", K::Bool);
}

void Atnum(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, std::to_string(AtNum(A(a, 0), A(a, 1), I(a, 2), I(a, 3))), K::Par);
}
void Beforatnum(const CallContext&, const Token* const* a, Token& r) {
  int p = AtNum(A(a, 0), A(a, 1), I(a, 2), I(a, 3));
  SetResult(r, p > 0 ? A(a, 1).substr(0, static_cast<size_t>(p) - 1) : std::string(), K::Str);
}
void Afteratnum(const CallContext&, const Token* const* a, Token& r) {
  int p = AtNum(A(a, 0), A(a, 1), I(a, 2), I(a, 3));
  SetResult(r, p > 0 ? A(a, 1).substr(static_cast<size_t>(p) - 1 + A(a, 0).size()) : std::string(), K::Str);
}
void Numat(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, std::to_string(NumAt(A(a, 0), A(a, 1), I(a, 2))), K::Par);
}
void Attoken(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, std::to_string(AtToken(A(a, 0), A(a, 1), I(a, 2))), K::Par);
}
void TokenFn(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, TokenText(A(a, 0), A(a, 1), I(a, 2), I(a, 3)), K::Str);
}
void Strtran(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, StrTranText(A(a, 0), A(a, 1), A(a, 2), I(a, 3), I(a, 4)), K::Str);
}
void Replquota(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, ReplaceQuotes(A(a, 0), A(a, 1)), K::Str);
}

void Str(const CallContext&, const Token* const* a, Token& r) { SetResult(r, A(a, 0), K::Str); }
void Val(const CallContext&, const Token* const* a, Token& r) {
  const std::string& s = A(a, 0);
  SetResult(r, s, s.find_first_of(".Ee") != std::string::npos ? K::ParR : K::Par);
}
}  // namespace

void AddTextFunctions(std::vector<FunctionRow>& rows) {
  rows.insert(rows.end(), {
                              {Fn::STRTRAN, "SSSII", Strtran},
                              {Fn::ATNUM, "SSII", Atnum},
                              {Fn::TOKEN, "SSII", TokenFn},
                              {Fn::BEFORATNUM, "SSII", Beforatnum},
                              {Fn::AFTERATNUM, "SSII", Afteratnum},
                              {Fn::STUFF, "SIIS", Stuff},
                              {Fn::PADC, "SIS", PadC3},
                              {Fn::PADL, "SIS", PadL3},
                              {Fn::PADR, "SIS", PadR3},
                              {Fn::ATTOKEN, "SSI", Attoken},
                              {Fn::NUMAT, "SSI", Numat},
                              {Fn::SUBSTR, "SII", Substr},
                              {Fn::REPLQUOTA, "SS", Replquota},
                              {Fn::LEFT, "SI", Left},
                              {Fn::RIGHT, "SI", Right},
                              {Fn::PADC, "SI", PadC},
                              {Fn::PADL, "SI", PadL},
                              {Fn::PADR, "SI", PadR},
                              {Fn::REPLICATE, "SI", Replicate},
                              {Fn::POS, "SS", Pos},
                              {Fn::IN, "SS", In},
                              {Fn::ALLTRIM, "S", Alltrim},
                              {Fn::RTRIM, "S", Rtrim},
                              {Fn::LTRIM, "S", Ltrim},
                              {Fn::SPACE, "N", Space},
                              {Fn::STR, "N", Str},
                              {Fn::VAL, "S", Val},
                              {Fn::LENGTH, "S", Length},
                              {Fn::EMPTY, "S", Empty},
                          });
}

}  // namespace orn
