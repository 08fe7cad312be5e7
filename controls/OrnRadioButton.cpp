#include "OrnRadioButton.h"

#include <QCheckBox>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include "OrnAccessible.h"
#include "OrnCheckBox.h"
#include "OrnLabel.h"
#include "OrnRadioCircle.h"

TOrnRadioMark::TOrnRadioMark(QWidget* parent) : QWidget(parent) { resize(17, 17); }

void TOrnRadioMark::SetChecked(bool checked) {
  checked_ = checked;
  update();
}

void TOrnRadioMark::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QWidget* panel = parentWidget() ? parentWidget() : this;
  const QColor background = panel->autoFillBackground() ? panel->palette().color(panel->backgroundRole()) : QColor();
  orn::DrawRadioCircle(painter, QPoint(0, 0), checked_, isEnabled(), palette(), background);
}

void TOrnRadioMark::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit Clicked();
  event->accept();
}

TOrnRadioButton::TOrnRadioButton(QWidget* parent) : QFrame(parent) {
  orn::InstallOrnAccessibility();
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::NoFocus);
  mark_ = new TOrnRadioMark(this);
  mark_->setObjectName(QStringLiteral("Mark"));
  label_ = new TOrnLabel(this);
  label_->setObjectName(QStringLiteral("CaptionLabel"));
  label_->SetTransparent(true);
  // Outside the visible area: it only takes the keyboard focus.
  holder_ = new QCheckBox(this);
  holder_->setObjectName(QStringLiteral("FocusHolder"));
  holder_->setGeometry(-25, 0, 18, 18);
  holder_->installEventFilter(this);

  connect(mark_, &TOrnRadioMark::Clicked, this, &TOrnRadioButton::CheckByUser);
  connect(label_, &TOrnLabel::Clicked, this, &TOrnRadioButton::CheckByUser);
  connect(holder_, &QCheckBox::clicked, this, [this] {
    holder_->setChecked(false);
    CheckByUser();
  });
  SetCaption(QStringLiteral("Radio button"));
  resize(100, height());
  Relayout();
}

void TOrnRadioButton::SetCaption(const QString& caption) {
  caption_ = caption;
  label_->SetCaption(QLatin1Char(' ') + caption);
  // The hidden holder takes the focus, so it is what a screen reader names.
  holder_->setAccessibleName(caption);
  updateGeometry();
}

void TOrnRadioButton::SetChecked(bool checked) {
  const bool changed = checked != mark_->Checked();
  mark_->SetChecked(checked);
  if (checked) UncheckSiblings();
  if (changed) emit Toggled(checked);
}

void TOrnRadioButton::UncheckSiblings() {
  if (!parentWidget()) return;
  const auto siblings = parentWidget()->findChildren<TOrnRadioButton*>(Qt::FindDirectChildrenOnly);
  for (TOrnRadioButton* other : siblings) {
    if (other == this || !other->Checked()) continue;
    other->mark_->SetChecked(false);
    emit other->Toggled(false);
  }
}

void TOrnRadioButton::CheckByUser() {
  if (!isEnabled()) return;
  SetChecked(true);
  emit Clicked();
  if (window()->isVisible()) holder_->setFocus(Qt::MouseFocusReason);
}

QSize TOrnRadioButton::sizeHint() const {
  return QSize(17 + label_->fontMetrics().horizontalAdvance(label_->text()) + 6, height());
}

void TOrnRadioButton::Relayout() {
  if (inLayout_) return;
  inLayout_ = true;
  const int panelHeight = orn::ChoicePanelHeight(orn::FontPixelHeight(label_->font()));
  setFixedHeight(panelHeight);
  mark_->setGeometry(0, orn::RoundHalfEven((panelHeight - 17) / 2.0), 17, 17);
  label_->setGeometry(17, 1, width() - 17, panelHeight);
  if (label_->FocusMark()) label_->SetFocusMark(true, panelHeight);
  inLayout_ = false;
  emit Resized();
}

void TOrnRadioButton::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  Relayout();
}

void TOrnRadioButton::changeEvent(QEvent* event) {
  QFrame::changeEvent(event);
  if (event->type() == QEvent::FontChange) Relayout();
}

bool TOrnRadioButton::eventFilter(QObject* watched, QEvent* event) {
  if (watched == holder_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
    label_->SetFocusMark(event->type() == QEvent::FocusIn, height());
  return QFrame::eventFilter(watched, event);
}
