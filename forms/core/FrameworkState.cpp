#include "FrameworkState.h"

#include "DialogService.h"
#include "FileSystem.h"
#include "TextUtil.h"

namespace orn {

namespace {
std::function<std::shared_ptr<void>()>& CacheFactory() {
  static std::function<std::shared_ptr<void>()> factory;
  return factory;
}
}  // namespace

FrameworkState& Framework() {
  static FrameworkState state;
  return state;
}

void SetExpressionCacheFactory(std::function<std::shared_ptr<void>()> factory) { CacheFactory() = std::move(factory); }

FrameworkOwnership AcquireFrameworkSettings(const std::string& paramsFile) {
  FrameworkState& fw = Framework();
  FrameworkOwnership own;
  if (!fw.expressionCache) {
    fw.expressionCache = CacheFactory() ? CacheFactory()() : std::make_shared<int>(0);
    own.ownsExpressionCache = true;
  }
  if (!fw.paramList) {
    FrameworkValues defaults;
    fw.values = defaults;
    fw.paramList = std::make_unique<std::vector<std::string>>();
    own.ownsParamList = true;
    fw.settingsFromLanguageFile = false;
    // Until the user chooses a language, the program speaks the locale's.
    const int firstStart = LanguageOfLocale(MessagesLocale());
    std::optional<std::string> bytes = FileExists(paramsFile) ? ReadWholeFile(paramsFile) : std::nullopt;
    if (bytes) {
      *fw.paramList = SplitLines(*bytes);
      own.dirty = ReadParams(*fw.paramList, fw.values, firstStart);
    } else {
      own.dirty = true;
      fw.settingsFromLanguageFile = true;
      fw.values.language = fw.values.sysLanguage = fw.values.helpLanguage = firstStart;
    }
  }
  return own;
}

bool AcquireDictionary(FrameworkOwnership& own, const std::string& languageIni) {
  FrameworkState& fw = Framework();
  if (fw.dictionary) return false;
  fw.values.labelCharset = fw.values.editCharset = fw.values.systemCharset = fw.values.printCharset = 186;
  fw.dictionary = std::make_unique<LanguageDictionary>();
  own.ownsDictionary = true;
  if (FileExists(languageIni)) fw.dictionary->Load(languageIni);
  return true;
}

void ReleaseFramework(FrameworkOwnership& own, const std::string& paramsFile) {
  FrameworkState& fw = Framework();
  if (own.ownsDictionary) fw.dictionary.reset();
  if (own.ownsParamList) {
    std::string error;
    if (own.dirty && !SaveParams(paramsFile, &error)) Diagnostic(error);
    fw.paramList.reset();
  }
  if (own.ownsExpressionCache) fw.expressionCache.reset();
  own = FrameworkOwnership();
}

bool SaveParams(const std::string& paramsFile, std::string* error) {
  FrameworkState& fw = Framework();
  std::vector<std::string> lines = ParamsLines(fw.values);
  if (fw.paramList) *fw.paramList = lines;
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  std::string why;
  if (WriteFileAtomically(paramsFile, bytes, &why)) return true;
  if (error) *error = why.empty() ? "Cannot write settings file \"" + paramsFile + "\"" : why;
  return false;
}

std::string ParamValue(const std::string& name) {
  const FrameworkState& fw = Framework();
  return fw.paramList ? ParamValue(*fw.paramList, name) : std::string();
}

}  // namespace orn
