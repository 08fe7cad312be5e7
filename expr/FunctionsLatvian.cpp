// Latvian letters of code page 1257: to and from the in-house DOS codes,
// to bank-safe capitals, and to markup character references.
#include <array>
#include <cstdint>

#include "FunctionLibrary.h"
#include "StrUtil.h"

namespace orn {

namespace {
using K = TokenKind;

struct LatvianLetter {
  std::uint8_t cp1257;
  std::uint8_t dos;
  std::uint16_t unicode;
};

// Š (0xD0) has no DOS code; 0 marks that.
constexpr std::array<LatvianLetter, 22> kLetters = {{
    {0xC2, 0xB5, 0x100}, {0xE2, 0xC6, 0x101}, {0xC8, 0xD3, 0x10C}, {0xE8, 0xD2, 0x10D}, {0xC7, 0xF0, 0x112},
    {0xE7, 0xF1, 0x113}, {0xCC, 0xF2, 0x122}, {0xEC, 0xD6, 0x123}, {0xCE, 0xD7, 0x12A}, {0xEE, 0xD8, 0x12B},
    {0xCD, 0xF4, 0x136}, {0xED, 0xF3, 0x137}, {0xCF, 0xF6, 0x13B}, {0xEF, 0xF5, 0x13C}, {0xD2, 0xFC, 0x145},
    {0xF2, 0xB7, 0x146}, {0xD0, 0x00, 0x160}, {0xF0, 0xFD, 0x161}, {0xDB, 0xDE, 0x16A}, {0xFB, 0xDD, 0x16B},
    {0xDE, 0xF8, 0x17D}, {0xFE, 0xF7, 0x17E},
}};

// Per-byte tables, so each character is converted once and never chained.
struct Tables {
  std::array<std::uint8_t, 256> toDos{};
  std::array<std::uint8_t, 256> fromDos{};
  std::array<std::uint8_t, 256> bank{};
  std::array<std::uint16_t, 256> unicode{};

  Tables() {
    for (int b = 0; b < 256; ++b) toDos[b] = fromDos[b] = bank[b] = static_cast<std::uint8_t>(b);
    for (const LatvianLetter& l : kLetters) {
      if (l.dos != 0) {
        toDos[l.cp1257] = l.dos;
        fromDos[l.dos] = l.cp1257;
      }
      unicode[l.cp1257] = l.unicode;
    }
    // Capitals without diacritics; the small letters go the same way, since
    // the text is upper-cased first.
    const char plain[] = "ACEGIKLNSUZ";
    const std::uint8_t capitals[] = {0xC2, 0xC8, 0xC7, 0xCC, 0xCE, 0xCD, 0xCF, 0xD2, 0xD0, 0xDB, 0xDE};
    for (int i = 0; i < 11; ++i) {
      bank[capitals[i]] = static_cast<std::uint8_t>(plain[i]);
      bank[capitals[i] + 0x20] = static_cast<std::uint8_t>(plain[i]);
    }
    for (int c = 'a'; c <= 'z'; ++c) bank[c] = static_cast<std::uint8_t>(c - 'a' + 'A');
  }
};

const Tables& T() {
  static const Tables tables;
  return tables;
}

std::string MapBytes(const std::string& s, const std::array<std::uint8_t, 256>& table) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(table[static_cast<std::uint8_t>(c)]);
  return out;
}

void Latv(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, MapBytes(a[0]->text, T().fromDos), K::Str);
}
void LatvDos(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, MapBytes(a[0]->text, T().toDos), K::Str);
}
void LatvBank(const CallContext&, const Token* const* a, Token& r) {
  SetResult(r, MapBytes(a[0]->text, T().bank), K::Str);
}

void LatvUnicode(const CallContext&, const Token* const* a, Token& r) {
  std::string out;
  for (char c : a[0]->text) {
    const std::uint8_t b = static_cast<std::uint8_t>(c);
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        if (T().unicode[b] != 0)
          out += "&#" + std::to_string(T().unicode[b]) + ";";
        else
          out += c;
    }
  }
  CheckTextLength(out.size());
  SetResult(r, std::move(out), K::Str);
}
}  // namespace

void AddLatvianFunctions(std::vector<FunctionRow>& rows) {
  rows.insert(rows.end(), {
                              {Fn::LATV, "S", Latv},
                              {Fn::LATVBANK, "S", LatvBank},
                              {Fn::LATVDOS, "S", LatvDos},
                              {Fn::LATVUNICODE, "S", LatvUnicode},
                          });
}

}  // namespace orn
