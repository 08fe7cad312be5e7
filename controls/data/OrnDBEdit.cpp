#include "OrnDBEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>

#include "DateTime.h"
#include "DialogService.h"

namespace orn {

std::optional<double> RangeValue(const QString& text) {
  const QString t = text.trimmed();
  if (t.count('.') == 2) {
    const QStringList parts = t.split('.');
    bool okD = false, okM = false, okY = false;
    int day = parts[0].toInt(&okD), month = parts[1].toInt(&okM), year = parts[2].toInt(&okY);
    if (!okD || !okM || !okY) return std::nullopt;
    if (parts[2].size() <= 2) year += year < 50 ? 2000 : 1900;
    return EncodeDate(year, month, day);
  }
  bool ok = false;
  const double value = t.toDouble(&ok);
  if (!ok) return std::nullopt;
  return value;
}

bool InRange(const QString& text, double min, double max) {
  if (text.trimmed().isEmpty() || (min == 0 && max == 0)) return true;
  const auto value = RangeValue(text);
  return value && *value >= min && *value <= max;
}

QString RightJustified(const QString& text, int size) {
  if (text.trimmed().isEmpty() || text.size() >= size) return text;
  bool ok = false;
  const long long number = text.trimmed().toLongLong(&ok);
  const QString body = ok ? QString::number(number) : text;
  return body.rightJustified(size, ' ', false);
}

}  // namespace orn

TOrnDBEdit::TOrnDBEdit(QWidget* parent) : TDBEdit(parent) {}

void TOrnDBEdit::focusInEvent(QFocusEvent* event) {
  TDBEdit::focusInEvent(event);
  enterLeft_ = x();
  if (maxWidth_ > 0 && width() == maxWidth_ && enterWidth_ > 0) resize(enterWidth_, height());
  enterWidth_ = width();
}

void TOrnDBEdit::keyPressEvent(QKeyEvent* event) {
  if (maxWidth_ > 0 && width() < maxWidth_) {
    const int right = x() + width();
    resize(maxWidth_, height());
    // Grow to the left when the parent has no room on the right.
    if (parentWidget() && x() + maxWidth_ > parentWidget()->width()) move(qMax(0, right - maxWidth_), y());
    raise();
  }
  TDBEdit::keyPressEvent(event);
}

bool TOrnDBEdit::Leave() {
  // The range is checked before anything is written, so that a value out of
  // range never reaches the table.
  if (!orn::InRange(text(), min_, max_)) {
    orn::MessageBoxRequest request;
    request.caption = capt_.toStdString();
    request.message = txt_.toStdString();
    request.iconIndex = 1;
    request.defaultButton = 0;
    request.buttons = 0;
    orn::Dialogs().MessageBox(request);
    return false;
  }
  TFieldDataLink* link = FieldLink();
  if (right_ && link->Active()) {
    const auto field = link->Field();
    if (field && field->DataType() == "Alpha") {
      const QString padded = orn::RightJustified(text(), field->Size());
      if (padded != text()) setText(padded);
    }
  }
  UpdateRecord();
  return true;
}

void TOrnDBEdit::focusOutEvent(QFocusEvent* event) {
  TOrnEdit::focusOutEvent(event);
  if (event->reason() == Qt::PopupFocusReason || leaving_) return;
  leaving_ = true;
  const bool passed = Leave();
  if (enterWidth_ > 0) setGeometry(enterLeft_, y(), enterWidth_, height());
  leaving_ = false;
  // The focus comes back after the focus change that is under way.
  if (!passed) QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
}
