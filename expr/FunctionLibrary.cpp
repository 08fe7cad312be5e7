#include "FunctionLibrary.h"

#include <array>

namespace orn {

namespace {
struct Table {
  // rows[func][arity]: the candidate rows of a name and argument count.
  std::array<std::array<std::vector<FunctionRow>, 6>, kFunctionCount> rows;

  Table() {
    std::vector<FunctionRow> all;
    AddTextFunctions(all);
    AddLatvianFunctions(all);
    AddNumberFunctions(all);
    AddDateFunctions(all);
    AddLogicFunctions(all);
    for (const FunctionRow& row : all) {
      size_t arity = std::char_traits<char>::length(row.argKinds);
      rows[static_cast<size_t>(row.fn)][arity].push_back(row);
    }
  }
};

const Table& Rows() {
  static const Table table;
  return table;
}
}  // namespace

bool ArgMatches(char letter, TokenKind kind) {
  switch (letter) {
    case 'S':
      return IsStr(kind);
    case 'I':
      return kind == TokenKind::Par;
    case 'N':
      return IsNum(kind);
    case 'D':
      return kind == TokenKind::Date;
    case 'B':
      return kind == TokenKind::Bool;
    case 'L':
      return kind == TokenKind::Arr;
    case 'V':
      return IsValue(kind);
    case 'C':
      return IsStr(kind) || IsNum(kind);
    case 'T':
      return kind == TokenKind::Time;
    case '0':
      return kind == TokenKind::Nil;
    default:
      return false;
  }
}

const FunctionRow* MatchFunction(int func, int arity, const Token* const* args) {
  if (func < 0 || func >= kFunctionCount || arity < 0 || arity > 5) return nullptr;
  for (const FunctionRow& row : Rows().rows[static_cast<size_t>(func)][static_cast<size_t>(arity)]) {
    bool ok = true;
    for (int i = 0; i < arity && ok; ++i) ok = ArgMatches(row.argKinds[i], args[i]->kind);
    if (ok) return &row;
  }
  return nullptr;
}

}  // namespace orn
