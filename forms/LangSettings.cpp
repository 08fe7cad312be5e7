#include "LangSettings.h"

#include <QApplication>
#include <QWidget>

#include "FrameworkState.h"
#include "OrnForma.h"

namespace orn {

bool SwitchLanguage(int chosen, const std::string& paramsFile, std::string* error) {
  FrameworkValues& v = Framework().values;
  v.language = v.sysLanguage = v.helpLanguage = chosen + 1;
  ReloadAllCharsets(v);
  for (QWidget* window : QApplication::topLevelWidgets()) {
    auto* form = qobject_cast<TOrnForm*>(window);
    if (!form) continue;
    form->ChangeCompFont();
    form->ChangeLanguage();
  }
  return SaveParams(paramsFile, error);
}

}  // namespace orn
