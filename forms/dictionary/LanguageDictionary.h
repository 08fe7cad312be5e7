// The language dictionary: one plain-text file that holds, for every text
// key, one line per language. Key lines begin with "*" (several in a row are
// aliases of one entry), "$" lines are settings read when Params.ini is
// missing. Lines are kept as the file's raw 8-bit bytes, because each
// language's lines are in that language's own code page; a lookup decodes
// the line it returns with the code page of the language's "CharSetINI".
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orn {

// "BALTIC_CHARSET" -> 186, "RUSSIAN_CHARSET" -> 204, a decimal number -> that
// number; anything else, the empty text too, -> 186.
int CharsetFromText(const std::string& text);

class LanguageDictionary {
 public:
  LanguageDictionary() = default;
  explicit LanguageDictionary(std::vector<std::string> lines) : lines_(std::move(lines)) {}

  // Loads the file's lines (CR LF or LF); false when it cannot be read.
  bool Load(const std::string& path, std::string* error = nullptr);
  // Writes every line followed by CR LF, replacing the file as a whole.
  bool Save(const std::string& path, std::string* error = nullptr) const;

  const std::vector<std::string>& Lines() const { return lines_; }
  bool Empty() const { return lines_.empty(); }

  // Line number of the first line equal to "* " + key (letter case ignored).
  std::optional<size_t> FindKeyLine(const std::string& key) const;
  bool HasKey(const std::string& key) const { return FindKeyLine(key).has_value(); }

  // The raw line `index` lines below the entry's last key line, untrimmed;
  // empty when the key is missing or the position lies past the end.
  std::string RawLookup(const std::string& key, int index) const;
  // The same line decoded to UTF-8 with the code page of language `index`.
  std::string Lookup(const std::string& key, int index) const;
  // The character set of language `index` ("CharSetINI").
  int CharsetOf(int index) const { return CharsetFromText(RawLookup("CharSetINI", index)); }

  // Value of a "$ name" setting (the first following line that does not
  // begin with "$"), decoded as language 1; nothing when the setting is missing.
  std::optional<std::string> Setting(const std::string& name) const;

  // Adds `key` with `text` (UTF-8) as its language-1 line. When the text
  // already stands as the first translation of another entry, the key becomes
  // an alias of that entry; when it stands anywhere else (a later language's
  // line), a new entry is appended so that no other entry is broken.
  void AddTextEntry(const std::string& key, const std::string& text);
  // Inserts "* CHARSETINI", "* ORNCBPOPUPMENU_1" and "* ORNCBPOPUPMENU_2"
  // at the top, each only when missing.
  void InsertBuiltInEntries();

 private:
  // Position of the entry's last key line, from its first key line.
  size_t LastKeyLine(size_t first) const;
  std::string EncodeForLanguage(const std::string& text, int index) const;

  std::vector<std::string> lines_;
};

}  // namespace orn
