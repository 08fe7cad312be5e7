// Each kind of text reads its own language's line of the process-wide
// dictionary. The answer is untrimmed on purpose: a translation may start
// with spaces that the layout relies on; callers decide what blank means.
#include "TextLookups.h"

#include "FrameworkState.h"

namespace orn {

namespace {
std::string LookupIn(const std::string& key, int index) {
  const FrameworkState& fw = Framework();
  if (!fw.dictionary) return {};
  return fw.dictionary->Lookup(key, index);
}
}  // namespace

std::string LabelText(const std::string& key) { return LookupIn(key, Framework().values.language); }
std::string EditText(const std::string& key) { return LookupIn(key, Framework().values.editLanguage); }
std::string SystemText(const std::string& key) { return LookupIn(key, Framework().values.sysLanguage); }
std::string HelpText(const std::string& key) { return LookupIn(key, Framework().values.helpLanguage); }
std::string PrintText(const std::string& key) { return LookupIn(key, Framework().values.printLanguage); }

}  // namespace orn
