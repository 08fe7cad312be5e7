// Each kind of text reads its own language's line of the process-wide
// dictionary. The answer is untrimmed on purpose: a translation may start
// with spaces that the layout relies on; callers decide what blank means.
// An index past an entry that has no closing line would land on the next
// entry's key line; that is no translation, so it answers empty.
#include "TextLookups.h"

#include "FrameworkState.h"

namespace orn {

std::string TextInLanguage(const std::string& key, int index) {
  const FrameworkState& fw = Framework();
  if (!fw.dictionary) return {};
  std::string text = fw.dictionary->Lookup(key, index);
  if (!text.empty() && text[0] == '*') return {};
  return text;
}

std::string LabelText(const std::string& key) { return TextInLanguage(key, Framework().values.language); }
std::string EditText(const std::string& key) { return TextInLanguage(key, Framework().values.editLanguage); }
std::string SystemText(const std::string& key) { return TextInLanguage(key, Framework().values.sysLanguage); }
std::string HelpText(const std::string& key) { return TextInLanguage(key, Framework().values.helpLanguage); }
std::string PrintText(const std::string& key) { return TextInLanguage(key, Framework().values.printLanguage); }

}  // namespace orn
