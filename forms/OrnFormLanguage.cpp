// Run-time translation and fonts of a window: the form base's side of the
// language dictionary (LangTranslation), the "$" settings and character sets
// (LangSettings) and the font rules (FontManagement).
#include <stdexcept>

#include "FileSystem.h"
#include "FontManagement.h"
#include "FrameworkState.h"
#include "LangSettings.h"
#include "LangTranslation.h"
#include "OrnForma.h"

void TOrnForm::ApplyFontSettings() { orn::ApplyFontSettingsTo(this); }

void TOrnForm::ChangeLanguage() {
  orn::FrameworkState& fw = orn::Framework();
  orn::FollowLanguageInQt(fw.values.sysLanguage);
  if (!fw.dictionary && orn::FileExists(languageIni_.toStdString()))
    orn::AcquireDictionary(ownership_, languageIni_.toStdString());
  if (!fw.dictionary || fw.dictionary->Empty()) return;
  orn::TranslateForm(this);
}

void TOrnForm::ChangeCompFont() { orn::ApplyCharsetsTo(this); }

// Every character set follows its own kind's index: a window switched to
// Russian system texts must not keep the Baltic set for them.
void TOrnForm::ReloadCharSets() { orn::ReloadAllCharsets(orn::Framework().values); }

void TOrnForm::SaveCompToINI() {
  orn::FrameworkState& fw = orn::Framework();
  if (!fw.dictionary) orn::AcquireDictionary(ownership_, languageIni_.toStdString());
  orn::CollectFormTexts(this, *fw.dictionary);
  std::string error;
  if (!fw.dictionary->Save(languageIni_.toStdString(), &error))
    throw std::runtime_error(error.empty() ? "Cannot write the language file \"" + languageIni_.toStdString() + "\""
                                           : error);
}
