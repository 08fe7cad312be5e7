// Rule group 1: a Nil operand (a field of a form that is not open) next to
// an arithmetic operator takes the other operand's kind and counts as the
// empty text or 0. Changes tokens in place at every position.
#include "Reduction.h"

namespace orn {

namespace {
bool IsArithmetic(TokenKind k) {
  return k == TokenKind::Plus || k == TokenKind::Minus || k == TokenKind::Slash || k == TokenKind::Star;
}

void TakeKindOf(Token& nil, TokenKind kind) {
  nil.kind = kind;
  nil.text = IsStr(kind) ? "" : "0";
}
}  // namespace

bool ReduceNilOperands(TokenList& w) {
  bool changed = false;
  if (w.size() < 3) return false;
  for (size_t pos = 0; pos + 3 <= w.size(); ++pos) {
    Token& left = w[pos];
    Token& right = w[pos + 2];
    if (!IsArithmetic(w[pos + 1].kind)) continue;
    if ((IsStr(left.kind) || IsNum(left.kind)) && right.kind == TokenKind::Nil) {
      TakeKindOf(right, left.kind);
      changed = true;
    } else if (left.kind == TokenKind::Nil && (IsStr(right.kind) || IsNum(right.kind))) {
      TakeKindOf(left, right.kind);
      changed = true;
    }
  }
  return changed;
}

}  // namespace orn
