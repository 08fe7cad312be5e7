#include "OrnCheckBox.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontInfo>

#include "OrnAccessible.h"
#include "OrnLabel.h"

namespace orn {

int FontPixelHeight(const QFont& font) { return QFontInfo(font).pixelSize(); }

int ChoicePanelHeight(int fontPixels) { return RoundHalfEven(0.3 * fontPixels) + fontPixels + 2; }

}  // namespace orn

TOrnCheckBox::TOrnCheckBox(QWidget* parent) : QFrame(parent) {
  orn::InstallOrnAccessibility();
  setFrameShape(QFrame::NoFrame);
  box_ = new QCheckBox(this);
  box_->setObjectName(QStringLiteral("Box"));
  label_ = new TOrnLabel(this);
  label_->setObjectName(QStringLiteral("CaptionLabel"));
  label_->SetTransparent(true);
  setFocusProxy(box_);
  setFocusPolicy(Qt::StrongFocus);
  box_->installEventFilter(this);

  connect(box_, &QCheckBox::clicked, this, &TOrnCheckBox::Clicked);
  connect(box_, &QCheckBox::toggled, this, &TOrnCheckBox::Toggled);
  connect(label_, &TOrnLabel::Clicked, this, [this] {
    box_->setFocus(Qt::MouseFocusReason);
    box_->click();
  });
  SetCaption(QStringLiteral("CheckBox"));
  resize(100, height());
  Relayout();
}

void TOrnCheckBox::SetCaption(const QString& caption) {
  caption_ = caption;
  label_->SetCaption(QLatin1Char(' ') + caption);
  updateGeometry();
}

bool TOrnCheckBox::Checked() const { return box_->checkState() == Qt::Checked; }

void TOrnCheckBox::SetChecked(bool checked) { SetState(checked ? OrnTypes::cbChecked : OrnTypes::cbUnchecked); }

TCheckBoxState TOrnCheckBox::State() const {
  switch (box_->checkState()) {
    case Qt::Checked:
      return OrnTypes::cbChecked;
    case Qt::PartiallyChecked:
      return OrnTypes::cbGrayed;
    default:
      return OrnTypes::cbUnchecked;
  }
}

void TOrnCheckBox::SetState(TCheckBoxState state) {
  if (state == OrnTypes::cbGrayed) box_->setTristate(true);
  box_->setCheckState(state == OrnTypes::cbChecked  ? Qt::Checked
                      : state == OrnTypes::cbGrayed ? Qt::PartiallyChecked
                                                    : Qt::Unchecked);
}

QSize TOrnCheckBox::sizeHint() const {
  return QSize(17 + label_->fontMetrics().horizontalAdvance(label_->text()) + 6, height());
}

void TOrnCheckBox::Relayout() {
  if (inLayout_) return;
  inLayout_ = true;
  const int panelHeight = orn::ChoicePanelHeight(orn::FontPixelHeight(label_->font()));
  setFixedHeight(panelHeight);
  box_->setGeometry(0, orn::RoundHalfEven((panelHeight - 17) / 2.0), 17, 17);
  label_->setGeometry(17, 1, width() - 17, panelHeight);
  if (label_->FocusMark()) label_->SetFocusMark(true, panelHeight);
  inLayout_ = false;
  emit Resized();
}

void TOrnCheckBox::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  Relayout();
}

void TOrnCheckBox::changeEvent(QEvent* event) {
  QFrame::changeEvent(event);
  if (event->type() == QEvent::FontChange) Relayout();
}

bool TOrnCheckBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == box_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
    label_->SetFocusMark(event->type() == QEvent::FocusIn, height());
  return QFrame::eventFilter(watched, event);
}
