// The function library as the reduction engine sees it: rows of (function,
// argument kinds, body). A call is reduced only when a row of its name and
// arity accepts the kinds of all its arguments; otherwise it stays and the
// expression ends at the pass limit.
#pragma once

#include <vector>

#include "ExprData.h"
#include "FunctionNames.h"
#include "Tokens.h"

namespace orn {

struct CallContext {
  const ExprDataset* dataset = nullptr;
  ExprForm* form = nullptr;
  bool showMessages = true;
};

// Computes a call's value into `result` (text and kind); throws EvalError.
using FunctionBody = void (*)(const CallContext& context, const Token* const* args, Token& result);

// Argument kind letters: S string, I integer, N number, D date, B boolean,
// L bracketed list, V any value, C string or number, T time, 0 Nil.
struct FunctionRow {
  Fn fn;
  const char* argKinds;
  FunctionBody body;
};

bool ArgMatches(char letter, TokenKind kind);
// The row that accepts a call of built-in `func` with `arity` arguments, or null.
const FunctionRow* MatchFunction(int func, int arity, const Token* const* args);

// The rows of each family, in the order the rule groups try them.
void AddTextFunctions(std::vector<FunctionRow>& rows);
void AddLatvianFunctions(std::vector<FunctionRow>& rows);
void AddNumberFunctions(std::vector<FunctionRow>& rows);
void AddDateFunctions(std::vector<FunctionRow>& rows);
void AddLogicFunctions(std::vector<FunctionRow>& rows);

// A user function call (FuncX): reduced when the registry entry takes
// `arity` arguments; false leaves the call as it is.
bool CallUserFunction(const Token& name, int arity, const Token* const* args, Token& result);

// Shorthand for function bodies.
inline void SetResult(Token& result, std::string text, TokenKind kind) {
  result.text = std::move(text);
  result.kind = kind;
}

}  // namespace orn
