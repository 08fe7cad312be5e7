// The evaluator's token: a text and a kind word. A parsed expression is a
// list of them; the tokenizer fills it and the reduction engine rewrites it
// until one token, the result, is left. Kinds are kept as an enumeration so
// the reduction passes compare numbers, not words; KindName gives the word.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orn {

enum class TokenKind : std::uint8_t {
  Empty,   // ""
  Pole,    // a name: a field reference or an unknown word
  Par,     // an integer
  ParR,    // a real number
  Str,     // a string
  ParStr,  // a string standing right after a comma
  Arr,     // the content of a bracketed list
  Func,    // a built-in function name
  FuncX,   // a user function name
  Znak,    // a comparison or logical operator
  LParen,  // "("
  RParen,  // ")"
  Plus,    // "+"
  Comma,   // ","
  Minus,   // "-"
  Star,    // "*"
  Slash,   // "/"
  Bool,    // "T" or "F"
  Date,    // "dd.mm.yyyy"
  Time,    // the text of a time field
  Nil,     // a form-qualified name whose form is not open
};

struct Token {
  std::string text;
  TokenKind kind = TokenKind::Empty;
  // Index into the built-in function table for a Func token, else -1.
  std::int16_t func = -1;

  bool operator==(const Token&) const = default;
};

using TokenList = std::vector<Token>;

// The kind word: "Pole", "Par", "ParStr", "(", "" ...
const char* KindName(TokenKind kind);

inline bool IsStr(TokenKind k) { return k == TokenKind::Str || k == TokenKind::ParStr; }
inline bool IsNum(TokenKind k) { return k == TokenKind::Par || k == TokenKind::ParR; }
// Kinds that stand for a value (an operand), as opposed to punctuation,
// operators and names.
inline bool IsValue(TokenKind k) {
  switch (k) {
    case TokenKind::Str:
    case TokenKind::ParStr:
    case TokenKind::Par:
    case TokenKind::ParR:
    case TokenKind::Bool:
    case TokenKind::Date:
    case TokenKind::Time:
    case TokenKind::Nil:
    case TokenKind::Arr:
      return true;
    default:
      return false;
  }
}

}  // namespace orn
