// The process-wide framework state shared by every window: the settings of
// Params.ini, the parameter list, the language dictionary and the
// evaluator's expression cache. Owner: the first window that finds a piece
// missing creates it and owns it (in practice the main window owns all of
// it); the owner writes Params.ini when dirty and releases the pieces when it
// is destroyed. A window created after that starts the cycle again.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FrameworkSettings.h"
#include "LanguageDictionary.h"

namespace orn {

struct FrameworkState {
  FrameworkValues values;
  std::unique_ptr<std::vector<std::string>> paramList;  // absent until loaded
  std::unique_ptr<LanguageDictionary> dictionary;       // absent until loaded
  std::shared_ptr<void> expressionCache;                // absent until created
  // Params.ini was missing: the language file's "$" settings supply the values.
  bool settingsFromLanguageFile = false;
};

// The one instance of the process.
FrameworkState& Framework();

// What one window owns of the shared state, and whether the settings must be
// written when it goes away.
struct FrameworkOwnership {
  bool ownsDictionary = false;
  bool ownsParamList = false;
  bool ownsExpressionCache = false;
  bool dirty = false;
};

// The evaluator installs the factory of its cache; until then an empty
// placeholder stands for it.
void SetExpressionCacheFactory(std::function<std::shared_ptr<void>()> factory);

// Creation steps of the settings: creates the expression cache and the
// parameter list when missing (reading `paramsFile` when it exists) and
// records what the calling window owns.
FrameworkOwnership AcquireFrameworkSettings(const std::string& paramsFile);

// Creates the dictionary when missing and loads `languageIni` into it when
// that file exists. Returns true when this call created it.
bool AcquireDictionary(FrameworkOwnership& ownership, const std::string& languageIni);

// Destruction step: frees what `ownership` owns, writing `paramsFile` first
// when dirty. A write failure is reported through the diagnostic line (there
// is nobody to ask at that point).
void ReleaseFramework(FrameworkOwnership& ownership, const std::string& paramsFile);

// Replaces the parameter list with the current values and writes it to
// `paramsFile`, replacing the file as a whole. False (and `error`) on failure.
bool SaveParams(const std::string& paramsFile, std::string* error = nullptr);

// Value of `name` in the parameter list; empty when the list is absent or
// the name is missing.
std::string ParamValue(const std::string& name);

}  // namespace orn
