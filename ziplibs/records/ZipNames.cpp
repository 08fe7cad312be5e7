#include "ZipNames.h"

#include <algorithm>
#include <vector>

#include "CodePage.h"
#include "TextUtil.h"

namespace orn {
namespace {

std::vector<std::string> Parts(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i <= path.size()) {
    std::size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    parts.push_back(path.substr(i, j - i));
    i = j + 1;
  }
  return parts;
}

// The code points of UTF-8 text; a byte that starts no valid sequence
// counts as U+FFFD.
std::u32string CodePoints(const std::string& text) {
  std::u32string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > text.size() || !IsValidUtf8(text.substr(i, len))) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (std::size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    out.push_back(cp);
    i += len;
  }
  return out;
}

// The letters of a language, upper and lower case, beyond ASCII.
using Letters = std::u32string_view;

// The languages written in each family of code pages. A name whose
// letters beyond ASCII all belong to one of them reads as meant.
constexpr Letters kLatvian = U"ĀāČčĒēĢģĪīĶķĻļŅņŠšŪūŽž";
constexpr Letters kLithuanian = U"ĄąČčĘęĖėĮįŠšŲųŪūŽž";
constexpr Letters kEstonian = U"ŠšŽžÕõÄäÖöÜü";
constexpr Letters kWestern = U"ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞßàáâãäåæçèéêëìíîïðñòóôõöøùúûüýþÿŒœŠšŽžŸ";
constexpr Letters kPolish = U"ĄąĆćĘęŁłŃńÓóŚśŹźŻż";
constexpr Letters kCzechSlovak = U"ÁáÄäČčĎďÉéĚěÍíĹĺĽľŇňÓóÔôŔŕŘřŠšŤťÚúŮůÝýŽž";
constexpr Letters kHungarian = U"ÁáÉéÍíÓóÖöŐőÚúÜüŰű";
constexpr Letters kRomanian = U"ĂăÂâÎîȘșŞşȚțŢţ";
constexpr Letters kSouthSlavic = U"ČčĆćĐđŠšŽž";
constexpr Letters kGerman = U"ÄäÖöÜüß";
constexpr Letters kTurkish = U"ÇçĞğİıÖöŞşÜüÂâÎîÛû";

// Typographic marks the Windows pages have and people put into names.
constexpr Letters kNameMarks = U"\u00a0\u00a7\u00b0\u2013\u2014\u2018\u2019\u201c\u201d\u2116";

enum class Script { Latin, Cyrillic, Greek };

struct PageFamily {
  Script script;
  std::vector<Letters> languages;  // empty: every letter of the script
};

PageFamily FamilyOf(int codePage) {
  switch (codePage) {
    case 775:
    case 1257:
    case 28594:
    case 28603:
      return {Script::Latin, {kLatvian, kLithuanian, kEstonian}};
    case 852:
    case 1250:
    case 28592:
      return {Script::Latin, {kPolish, kCzechSlovak, kHungarian, kRomanian, kSouthSlavic, kGerman}};
    case 857:
    case 1254:
    case 28599:
      return {Script::Latin, {kTurkish}};
    case 866:
    case 855:
    case 1251:
    case 20866:
    case 21866:
    case 28595:
      return {Script::Cyrillic, {}};
    case 737:
    case 869:
    case 1253:
    case 28597:
      return {Script::Greek, {}};
    default:
      return {Script::Latin, {kWestern}};
  }
}

bool IsAsciiLetter(char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'); }

bool InScript(char32_t c, Script script) {
  switch (script) {
    case Script::Cyrillic:
      return (c >= 0x400 && c <= 0x45F) || c == 0x490 || c == 0x491;
    case Script::Greek:
      return c >= 0x386 && c <= 0x3CE && c != 0x387;
    case Script::Latin:
      break;
  }
  return false;
}

}  // namespace

NameKind KindOfName(const std::string& stored, std::uint16_t flags, std::uint8_t versionMadeBy, std::uint8_t hostSystem,
                    const NameDecoding& decoding) {
  if (IsPlainAscii(stored) || ((flags & kFlagUtf8Name) && IsValidUtf8(stored))) return NameKind::AsStored;
  const bool unixHost = hostSystem == kHostUnix || hostSystem == kHostMacOsX;
  if (decoding.chosenCodePage != 0) return unixHost && IsValidUtf8(stored) ? NameKind::AsStored : NameKind::Chosen;
  const bool oem = decoding.codePage == cpOEM || (decoding.codePage == cpAuto && hostSystem == kHostDos) ||
                   hostSystem == kHostHpfs || (hostSystem == kHostNtfs && versionMadeBy == 50);
  if (oem) return NameKind::Oem;
  // A Unix host's names are bytes, as they are here: they stay as stored,
  // UTF-8 or not, so that they come back byte for byte.
  if (unixHost || IsValidUtf8(stored)) return NameKind::AsStored;
  // Bytes that are not UTF-8 come from a Windows host in its ANSI page.
  return NameKind::Ansi;
}

std::string DecodeEntryText(const std::string& stored, std::uint16_t flags, std::uint8_t versionMadeBy,
                            std::uint8_t hostSystem, const NameDecoding& decoding) {
  switch (KindOfName(stored, flags, versionMadeBy, hostSystem, decoding)) {
    case NameKind::Oem:
      return ToUtf8(stored, decoding.oemCodePage);
    case NameKind::Ansi:
      return ToUtf8(stored, decoding.ansiCodePage);
    case NameKind::Chosen:
      return ToUtf8(stored, decoding.chosenCodePage);
    case NameKind::AsStored:
      break;
  }
  return stored;
}

std::string DecodeEntryName(const std::string& stored, std::uint16_t flags, std::uint8_t versionMadeBy,
                            std::uint8_t hostSystem, const NameDecoding& decoding) {
  std::string name = DecodeEntryText(stored, flags, versionMadeBy, hostSystem, decoding);
  if (hostSystem != kHostUnix && hostSystem != kHostMacOsX) return ForwardSlashes(std::move(name));
  return name;
}

std::string MatchingForm(const std::string& name) { return ForwardSlashes(name); }

namespace {

// The common case, decided in one pass without splitting: a relative name
// of plain parts ("a/b.txt", a folder "a/b/"), no backslash, no drive, no
// zero byte, no empty, "." or ".." part. Its path is the name (without a
// folder's trailing "/").
bool PlainRelativeName(const std::string& name) {
  if (name.empty() || name[0] == '/' || (name.size() >= 2 && name[1] == ':')) return false;
  std::size_t partStart = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    const char c = i < name.size() ? name[i] : '/';
    if (c == '\\' || c == '\0') return false;
    if (c != '/') continue;
    const std::size_t length = i - partStart;
    const bool last = i >= name.size() - (name.back() == '/' ? 1 : 0);
    if (length == 0 && !(last && i == name.size())) return false;
    if ((length == 1 && name[partStart] == '.') ||
        (length == 2 && name[partStart] == '.' && name[partStart + 1] == '.'))
      return false;
    partStart = i + 1;
  }
  return true;
}

}  // namespace

SafeName CheckEntryName(const std::string& name, bool keepDirs) {
  SafeName result;
  if (PlainRelativeName(name)) {
    result.verdict = NameVerdict::Write;
    const std::size_t end = name.back() == '/' ? name.size() - 1 : name.size();
    // Without folders, what follows the last "/" (npos + 1 is 0: none).
    const std::size_t start = keepDirs ? 0 : name.rfind('/', end - 1) + 1;
    result.path = name.substr(start, end - start);
    return result;
  }
  if (name.empty()) {
    result.reason = "empty name";
    return result;
  }
  if (name.find('\0') != std::string::npos) {
    result.reason = "zero byte in the name";
    return result;
  }
  if (name[0] == '/') {
    result.reason = "absolute name";
    return result;
  }
  // "C:" is a drive wherever the archive is restored from a Windows share;
  // "1:" names no drive but is refused alike, so no form of it slips through.
  if (name.size() >= 2 && name[1] == ':') {
    result.reason = "drive letter";
    return result;
  }
  // A backslash is part of a file name here, but a name that climbs when
  // read with Windows separators is refused too: it would climb wherever the
  // files are restored onto a Windows share, and no honest name looks so.
  std::string windowsForm = MatchingForm(name);
  if (windowsForm[0] == '/') {
    result.reason = "absolute name";
    return result;
  }
  for (const std::string& part : Parts(windowsForm))
    if (part == "..") {
      result.reason = "\"..\" in the name";
      return result;
    }
  std::vector<std::string> kept;
  for (std::string& part : Parts(name)) {
    if (!part.empty() && part != ".") kept.push_back(std::move(part));
  }
  if (kept.empty()) {
    result.verdict = NameVerdict::SkipQuiet;
    return result;
  }
  if (!keepDirs) kept.erase(kept.begin(), kept.end() - 1);
  for (const std::string& part : kept) {
    if (!result.path.empty()) result.path += '/';
    result.path += part;
  }
  result.verdict = NameVerdict::Write;
  return result;
}

std::string FlatPath(const SafeName& name) {
  const std::size_t slash = name.path.rfind('/');
  return slash == std::string::npos ? name.path : name.path.substr(slash + 1);
}

bool LikelyName(const std::string& name, int codePage) {
  if (IsPlainAscii(name)) return true;
  const std::u32string chars = CodePoints(name);
  const PageFamily family = FamilyOf(codePage);
  std::u32string beyond;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    const char32_t c = chars[i];
    if (c < 0x80 || kNameMarks.find(c) != Letters::npos) continue;
    if (family.script != Script::Latin) {
      if (!InScript(c, family.script)) return false;
      // "GrГmata": a Cyrillic or Greek letter inside a Latin word.
      if ((i > 0 && IsAsciiLetter(chars[i - 1])) || (i + 1 < chars.size() && IsAsciiLetter(chars[i + 1]))) return false;
      continue;
    }
    beyond.push_back(c);
  }
  if (family.script != Script::Latin) return true;
  for (Letters language : family.languages)
    if (std::all_of(beyond.begin(), beyond.end(), [language](char32_t c) { return language.find(c) != Letters::npos; }))
      return true;
  return false;
}

std::string PrintableName(const std::string& name) {
  std::string out;
  AppendPrintable(out, name);
  return out;
}

void AppendPrintable(std::string& out, const std::string& name) {
  if (std::none_of(name.begin(), name.end(), [](char ch) {
        const unsigned char c = static_cast<unsigned char>(ch);
        return c < 0x20 || c == 0x7F;
      })) {
    out += name;
    return;
  }
  for (const char ch : name) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c != 0x7F) {
      out += ch;
      continue;
    }
    static const char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
  }
}

bool LinkStaysInside(const std::string& linkPath, const std::string& target, std::vector<std::string>* visited) {
  if (target.empty() || target[0] == '/' || target.find('\0') != std::string::npos) return false;
  if (target.size() >= 2 && target[1] == ':') return false;
  // Resolve from the folder holding the link, never rising above the base.
  std::vector<std::string> stack = Parts(linkPath);
  stack.pop_back();
  stack.erase(std::remove_if(stack.begin(), stack.end(), [](const std::string& p) { return p.empty() || p == "."; }),
              stack.end());
  if (visited) visited->clear();
  for (const std::string& part : Parts(target)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (stack.empty()) return false;
      stack.pop_back();
      continue;
    }
    stack.push_back(part);
    if (visited) {
      std::string path;
      for (const std::string& p : stack) path += (path.empty() ? "" : "/") + p;
      visited->push_back(std::move(path));
    }
  }
  return true;
}

}  // namespace orn
