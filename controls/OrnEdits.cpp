#include "OrnEdits.h"

QStringList TOrnMemo::Lines() const {
  const QString text = toPlainText();
  if (text.isEmpty()) return {};
  return text.split(QLatin1Char('\n'));
}
