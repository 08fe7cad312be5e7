// Rule group 8: "!" directly before a boolean negates it.
#include "Reduction.h"

namespace orn {

bool ReduceNegation(TokenList& w) {
  for (size_t pos = 0; pos + 2 <= w.size(); ++pos) {
    if (w[pos].kind == TokenKind::Znak && w[pos].text == "!" && w[pos + 1].kind == TokenKind::Bool) {
      ReduceWindow(w, pos, 2, w[pos + 1].text == "T" ? "F" : "T", TokenKind::Bool);
      return true;
    }
  }
  return false;
}

}  // namespace orn
