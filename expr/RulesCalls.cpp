// Rule groups 2 to 6: calls with five, four, three, two and one argument
// (windows 12, 10, 8, 6 and 4 tokens): NAME ( a , b , ... ). A built-in
// function is reduced when a row of the library accepts its argument kinds,
// a user function when the registry gives it that many arguments.
#include "Reduction.h"

namespace orn {

namespace {
// True when w[pos..] has the shape NAME ( v , v ... ) with `arity` arguments.
bool IsCallShape(const TokenList& w, size_t pos, int arity) {
  if (w[pos + 1].kind != TokenKind::LParen) return false;
  for (int i = 1; i < arity; ++i)
    if (w[pos + 1 + 2 * static_cast<size_t>(i)].kind != TokenKind::Comma) return false;
  return w[pos + 1 + 2 * static_cast<size_t>(arity)].kind == TokenKind::RParen;
}
}  // namespace

bool ReduceCalls(TokenList& w, int arity, const CallContext& context) {
  const size_t window = 2 * static_cast<size_t>(arity) + 2;
  if (w.size() < window) return false;
  for (size_t pos = 0; pos + window <= w.size(); ++pos) {
    const Token& name = w[pos];
    if ((name.kind != TokenKind::Func && name.kind != TokenKind::FuncX) || !IsCallShape(w, pos, arity)) continue;
    const Token* args[5];
    for (int i = 0; i < arity; ++i) args[i] = &w[pos + 2 + 2 * static_cast<size_t>(i)];
    Token result;
    if (name.kind == TokenKind::Func) {
      const FunctionRow* row = MatchFunction(name.func, arity, args);
      if (row == nullptr) continue;
      row->body(context, args, result);
    } else if (!CallUserFunction(name, arity, args, result)) {
      continue;
    }
    ReduceWindow(w, pos, window, std::move(result.text), result.kind);
    return true;
  }
  return false;
}

}  // namespace orn
