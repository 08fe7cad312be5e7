// Translated texts by key, one lookup per text kind (labels, edits, system
// texts, help, print), each in its own language index. A key without a
// translation answers the empty text, so callers keep their design texts.
#pragma once

#include <string>

namespace orn {

std::string LabelText(const std::string& key);
std::string EditText(const std::string& key);
std::string SystemText(const std::string& key);
std::string HelpText(const std::string& key);
std::string PrintText(const std::string& key);
// The translation of `key` in language `index`, whatever the indexes are
// (the language chooser names each language in itself).
std::string TextInLanguage(const std::string& key, int index);

}  // namespace orn
