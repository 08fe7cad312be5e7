#include "LangSettings.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>
#include <memory>

#include "FrameworkState.h"
#include "OrnForma.h"

namespace orn {

void FollowLanguageInQt(int sysLanguage) {
  // One translator for the process, replaced when the language changes.
  static QTranslator* installed = nullptr;
  static int installedFor = 0;
  if (sysLanguage == installedFor) return;
  installedFor = sysLanguage;
  if (installed) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
    installed = nullptr;
  }
  const char* code = sysLanguage == kLatvian ? "lv" : sysLanguage == kRussian ? "ru" : nullptr;
  if (!code || !QCoreApplication::instance()) return;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QString("qtbase_") + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return;
  installed = translator.release();
  QCoreApplication::installTranslator(installed);
}

bool SwitchLanguage(int chosen, const std::string& paramsFile, std::string* error) {
  FrameworkValues& v = Framework().values;
  v.language = v.sysLanguage = v.helpLanguage = chosen + 1;
  ReloadAllCharsets(v);
  FollowLanguageInQt(v.sysLanguage);
  for (QWidget* window : QApplication::topLevelWidgets()) {
    auto* form = qobject_cast<TOrnForm*>(window);
    if (!form) continue;
    form->ChangeCompFont();
    form->ChangeLanguage();
  }
  return SaveParams(paramsFile, error);
}

}  // namespace orn
