// The scanner. Five steps: one empty start token, the logical words rewritten
// to "&" and "^", unary minus marked "@", a character-by-character scan, and
// the classification of names, numbers and operators.
#include "Tokenizer.h"

#include <array>
#include <cstring>
#include <string_view>

#include "Evaluator.h"
#include "FunctionNames.h"
#include "TextUtil.h"

namespace orn {

namespace {

unsigned long long tokenizations = 0;

// The 30 replacements, in the order they are applied.
struct WordRule {
  std::string_view from;
  std::string_view to;
};
constexpr std::array<WordRule, 30> kWordRules = {{
    {" and ", "&"},    {" or ", "^"},    {" AND ", "&"},    {" OR ", "^"},    {" And ", "&"},    {" Or ", "^"},
    {".and.", "&"},    {".or.", "^"},    {".AND.", "&"},    {".OR.", "^"},    {".And.", "&"},    {".Or.", "^"},
    {")and(", ")&("},  {")or(", ")^("},  {")AND(", ")&("},  {")OR(", ")^("},  {")And(", ")&("},  {")Or(", ")^("},
    {") and(", ")&("}, {") or(", ")^("}, {") AND(", ")&("}, {") OR(", ")^("}, {") And(", ")&("}, {") Or(", ")^("},
    {")and (", ")&("}, {")or (", ")^("}, {")AND (", ")&("}, {")OR (", ")^("}, {")And (", ")&("}, {")Or (", ")^("},
}};

bool MentionsLogicalWord(const std::string& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    char a = UpperAsciiChar(text[i]), b = UpperAsciiChar(text[i + 1]);
    if ((a == 'O' && b == 'R') || (a == 'A' && b == 'N' && i + 2 < text.size() && UpperAsciiChar(text[i + 2]) == 'D'))
      return true;
  }
  return false;
}

void ReplaceAll(std::string& s, std::string_view from, std::string_view to) {
  size_t pos = s.find(from);
  if (pos == std::string::npos) return;
  std::string out;
  size_t copied = 0;
  for (; pos != std::string::npos; pos = s.find(from, copied)) {
    out.append(s, copied, pos - copied);
    out += to;
    copied = pos + from.size();
  }
  out.append(s, copied, std::string::npos);
  s = std::move(out);
}

// The rewriting acts on the text between string literals only: a literal
// such as "Smith and Sons" or "(-1)" is data and keeps its characters.
void RewriteCode(std::string& code, bool words) {
  if (words)
    for (const WordRule& rule : kWordRules) ReplaceAll(code, rule.from, rule.to);
  ReplaceAll(code, "(-", "(@");
}

bool IsNumberStart(char c) { return std::strchr("0123456789.@", c) != nullptr && c != '\0'; }
bool IsPunctuation(char c) { return c != '\0' && std::strchr("()+,-*/", c) != nullptr; }
bool IsOperatorChar(char c) { return c != '\0' && std::strchr("><=!#&^", c) != nullptr; }

TokenKind PunctuationKind(char c) {
  switch (c) {
    case '(':
      return TokenKind::LParen;
    case ')':
      return TokenKind::RParen;
    case '+':
      return TokenKind::Plus;
    case ',':
      return TokenKind::Comma;
    case '-':
      return TokenKind::Minus;
    case '*':
      return TokenKind::Star;
    default:
      return TokenKind::Slash;
  }
}

void Scan(const std::string& text, TokenList& tokens) {
  tokens.assign(1, Token{});
  char quote = 0;
  auto prevKind = [&tokens]() { return tokens.size() >= 2 ? tokens[tokens.size() - 2].kind : TokenKind::Empty; };
  // A single-character token goes into the current token while that is still
  // empty, else it is appended; an empty token follows it.
  auto single = [&tokens](char c, TokenKind kind) {
    Token& cur = tokens.back();
    if (cur.text.empty()) {
      cur.text.assign(1, c);
      cur.kind = kind;
    } else {
      tokens.push_back(Token{std::string(1, c), kind});
    }
    tokens.emplace_back();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    Token& cur = tokens.back();
    if (c == '[' && !IsStr(cur.kind)) {
      cur.kind = TokenKind::Arr;
      continue;
    }
    if (c == ']' && cur.kind == TokenKind::Arr) {
      tokens.emplace_back();
      continue;
    }
    if (cur.kind == TokenKind::Arr) {
      cur.text += c;
      continue;
    }
    if (quote == 0 && (c == '"' || c == '\'')) quote = c;
    if (c == quote && !IsStr(cur.kind)) {
      cur.kind = prevKind() == TokenKind::Comma ? TokenKind::ParStr : TokenKind::Str;
    } else if (c == quote) {
      quote = 0;
      tokens.emplace_back();
    } else if (IsStr(cur.kind)) {
      cur.text += c;
    } else if (IsPunctuation(c)) {
      if (i > 0 && (text[i - 1] == 'E' || text[i - 1] == 'e') && !cur.text.empty() && IsNumberStart(cur.text[0]))
        cur.text += c;  // the sign of an exponent: 1.5E-3
      else
        single(c, PunctuationKind(c));
    } else if (IsOperatorChar(c)) {
      single(c, TokenKind::Znak);
    } else if (c != ' ') {
      // A blank only joins the words of a name; it does not start a token,
      // so a trailing blank leaves nothing behind.
      cur.text += c;
      cur.kind = prevKind() == TokenKind::Comma ? TokenKind::Par : TokenKind::Pole;
    }
  }
}

void Classify(TokenList& tokens) {
  const UserFunctionRegistry& registry = UserFunctions();
  for (Token& t : tokens) {
    if (t.kind != TokenKind::Pole && t.kind != TokenKind::Par) continue;
    std::string upper = UpperAscii(t.text);
    int index = FindBuiltinFunction(upper);
    if (index >= 0) {
      t.kind = TokenKind::Func;
      t.func = static_cast<std::int16_t>(index);
    } else if (!registry.Empty() && registry.Find(upper) != nullptr) {
      t.kind = TokenKind::FuncX;
    }
  }
  for (Token& t : tokens) {
    const bool numberStart = !t.text.empty() && IsNumberStart(t.text[0]);
    if (t.kind == TokenKind::Par && !numberStart)
      t.kind = TokenKind::Pole;
    else if (t.kind == TokenKind::Pole && numberStart)
      t.kind = TokenKind::Par;
    if (t.kind != TokenKind::Par) continue;
    if (t.text[0] == '@') {
      t.text[0] = '-';
      if (t.text == "-") {
        t.kind = TokenKind::Minus;
        continue;
      }
    }
    if (t.text.find_first_of(".Ee") != std::string::npos) t.kind = TokenKind::ParR;
  }
  // Neighbouring operator characters form one operator: ">=", "<>", "&!".
  for (size_t i = 0; i + 1 < tokens.size();) {
    if (tokens[i].kind == TokenKind::Znak && tokens[i + 1].kind == TokenKind::Znak) {
      tokens[i].text += tokens[i + 1].text;
      tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    } else {
      ++i;
    }
  }
}

}  // namespace

std::string NormalizeExpressionText(const std::string& text) {
  const bool words = MentionsLogicalWord(text);
  std::string out;
  out.reserve(text.size());
  std::string code;
  char quote = 0;
  for (char c : text) {
    if (quote == 0 && (c == '"' || c == '\'')) {
      RewriteCode(code, words);
      out += code;
      code.clear();
      quote = c;
      out += c;
    } else if (quote != 0) {
      out += c;
      if (c == quote) quote = 0;
    } else {
      code += c;
    }
  }
  RewriteCode(code, words);
  out += code;
  // A leading minus makes the first number negative (leading blanks aside).
  size_t first = out.find_first_not_of(' ');
  if (first != std::string::npos && out[first] == '-') out[first] = '@';
  return out;
}

unsigned long long TokenizationCount() { return tokenizations; }

}  // namespace orn

void TokenizeExpression(const std::string& text, orn::TokenList& tokens) {
  ++orn::tokenizations;
  orn::Scan(orn::NormalizeExpressionText(text), tokens);
  orn::Classify(tokens);
}
