#include "Tokens.h"

namespace orn {

const char* KindName(TokenKind kind) {
  switch (kind) {
    case TokenKind::Empty:
      return "";
    case TokenKind::Pole:
      return "Pole";
    case TokenKind::Par:
      return "Par";
    case TokenKind::ParR:
      return "ParR";
    case TokenKind::Str:
      return "Str";
    case TokenKind::ParStr:
      return "ParStr";
    case TokenKind::Arr:
      return "Arr";
    case TokenKind::Func:
      return "Func";
    case TokenKind::FuncX:
      return "FuncX";
    case TokenKind::Znak:
      return "Znak";
    case TokenKind::LParen:
      return "(";
    case TokenKind::RParen:
      return ")";
    case TokenKind::Plus:
      return "+";
    case TokenKind::Comma:
      return ",";
    case TokenKind::Minus:
      return "-";
    case TokenKind::Star:
      return "*";
    case TokenKind::Slash:
      return "/";
    case TokenKind::Bool:
      return "Bool";
    case TokenKind::Date:
      return "Date";
    case TokenKind::Time:
      return "Time";
    case TokenKind::Nil:
      return "Nil";
  }
  return "";
}

}  // namespace orn
