#include "LanguageDictionary.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "CodePage.h"
#include "FileSystem.h"
#include "TextUtil.h"

namespace orn {

namespace {

std::string TrimBlanks(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}
}  // namespace

int CharsetFromText(const std::string& text) {
  std::string t = UpperAscii(TrimBlanks(text));
  if (t == "BALTIC_CHARSET") return 186;
  if (t == "RUSSIAN_CHARSET") return 204;
  if (t.empty()) return 186;
  char* end = nullptr;
  long value = std::strtol(t.c_str(), &end, 10);
  if (*end != 0 || value < 0 || value > 255) return 186;
  return static_cast<int>(value);
}

bool LanguageDictionary::Load(const std::string& path, std::string* error) {
  auto bytes = ReadWholeFile(path, error);
  if (!bytes) return false;
  lines_.clear();
  size_t start = 0;
  const std::string& s = *bytes;
  while (start < s.size()) {
    size_t nl = s.find('\n', start);
    size_t end = nl == std::string::npos ? s.size() : nl;
    std::string line = s.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines_.push_back(std::move(line));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return true;
}

bool LanguageDictionary::Save(const std::string& path, std::string* error) const {
  std::string out;
  for (const std::string& line : lines_) out += line + "\r\n";
  return WriteFileAtomically(path, out, error);
}

std::optional<size_t> LanguageDictionary::FindKeyLine(const std::string& key) const {
  const std::string wanted = "* " + key;
  for (size_t i = 0; i < lines_.size(); ++i)
    if (EqualsIgnoringCase(lines_[i], wanted)) return i;
  return std::nullopt;
}

size_t LanguageDictionary::LastKeyLine(size_t first) const {
  size_t pos = first;
  while (pos + 1 < lines_.size() && !lines_[pos + 1].empty() && lines_[pos + 1][0] == '*') ++pos;
  return pos;
}

std::string LanguageDictionary::RawLookup(const std::string& key, int index) const {
  auto first = FindKeyLine(key);
  if (!first || index < 0) return {};
  size_t pos = LastKeyLine(*first) + static_cast<size_t>(index);
  return pos < lines_.size() ? lines_[pos] : std::string();
}

std::string LanguageDictionary::Lookup(const std::string& key, int index) const {
  std::string raw = RawLookup(key, index);
  if (raw.empty() || IsPlainAscii(raw)) return raw;
  return ToUtf8(raw, CharsetToCodePage(CharsetOf(index)));
}

std::optional<std::string> LanguageDictionary::Setting(const std::string& name) const {
  const std::string wanted = "$ " + name;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (!EqualsIgnoringCase(lines_[i], wanted)) continue;
    size_t pos = i + 1;
    while (pos < lines_.size() && !lines_[pos].empty() && lines_[pos][0] == '$') ++pos;
    if (pos >= lines_.size()) return std::string();
    return ToUtf8(lines_[pos], CharsetToCodePage(CharsetOf(1)));
  }
  return std::nullopt;
}

std::string LanguageDictionary::EncodeForLanguage(const std::string& text, int index) const {
  return FromUtf8(text, CharsetToCodePage(CharsetOf(index)));
}

void LanguageDictionary::AddTextEntry(const std::string& key, const std::string& text) {
  const std::string raw = EncodeForLanguage(text, 1);
  const std::string keyLine = "* " + key;
  for (size_t n = 0; n < lines_.size(); ++n) {
    if (!EqualsIgnoringCase(lines_[n], raw)) continue;
    // Key lines directly above the found line: it is a first translation.
    size_t above = n;
    bool aliasPresent = false;
    while (above > 0 && !lines_[above - 1].empty() && lines_[above - 1][0] == '*') {
      --above;
      if (EqualsIgnoringCase(lines_[above], keyLine)) aliasPresent = true;
    }
    if (above == n) break;  // a later language's line: inserting would break its entry
    if (!aliasPresent) lines_.insert(lines_.begin() + static_cast<long>(n), keyLine);
    return;
  }
  lines_.push_back(keyLine);
  lines_.push_back(raw);
  lines_.push_back("");
}

void LanguageDictionary::InsertBuiltInEntries() {
  struct BuiltIn {
    const char* key;
    const char* latvian;  // stored in code page 1257
    const char* russian;  // stored in code page 1251
    const char* english;  // stored in code page 1252
  };
  static const BuiltIn builtIns[] = {
      {"* ORNCBPOPUPMENU_2", "Rediģēt", "Исправить", "Edit"},
      {"* ORNCBPOPUPMENU_1", "Pielikt", "Добавить", "Add"},
      {"* CHARSETINI", "BALTIC_CHARSET", "RUSSIAN_CHARSET", "0"},
  };
  for (const BuiltIn& b : builtIns) {
    if (HasKey(std::string(b.key).substr(2))) continue;
    lines_.insert(lines_.begin(),
                  {b.key, FromUtf8(b.latvian, 1257), FromUtf8(b.russian, 1251), FromUtf8(b.english, 1252), " "});
  }
}

}  // namespace orn
