#include "OrnLabel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace orn {

void DrawStyledText(QPainter& painter, const QRect& rect, int flags, const QString& text, TLabelStyle style,
                    const QColor& shadowColor, int shadowInterval, const QColor& textColor, const QPalette& palette) {
  const QColor shadow = SystemColor(palette, SysColor::BtnShadow);
  const QColor highlight = SystemColor(palette, SysColor::BtnHighlight);
  auto drawAt = [&](int dx, int dy, const QColor& color) {
    painter.setPen(color);
    painter.drawText(rect.translated(dx, dy), flags, text);
  };
  switch (style) {
    case OrnTypes::lsRaised:
      drawAt(1, 1, shadow);
      drawAt(-1, -1, highlight);
      break;
    case OrnTypes::lsLowered:
      drawAt(1, 1, highlight);
      drawAt(-1, -1, shadow);
      break;
    case OrnTypes::lsShadow:
      drawAt(shadowInterval, shadowInterval, shadowColor);
      break;
    case OrnTypes::ls_None:
      break;
  }
  drawAt(0, 0, textColor);
}

}  // namespace orn

TOrnLabel::TOrnLabel(QWidget* parent) : TOrnLabel(QString(), parent) {}

TOrnLabel::TOrnLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The label's colour follows its parent's, which the style may paint in
  // shades of its own (group boxes, tab pages): let the parent show through.
  setAutoFillBackground(false);
}

QColor TOrnLabel::ShadowColor() const {
  return shadowColor_.isValid() ? shadowColor_ : orn::SystemColor(palette(), orn::SysColor::BtnShadow);
}

void TOrnLabel::SetShadowColor(const QColor& color) {
  shadowColor_ = color;
  update();
}

void TOrnLabel::ResetShadowColor() { SetShadowColor(QColor()); }

void TOrnLabel::SetShadowInterval(int pixels) {
  shadowInterval_ = pixels;
  updateGeometry();
  update();
}

void TOrnLabel::SetLabelStyle(TLabelStyle style) {
  labelStyle_ = style;
  updateGeometry();
  update();
}

void TOrnLabel::SetTransparent(bool transparent) {
  setAutoFillBackground(!transparent);
  update();
}

void TOrnLabel::SetShowAccelChar(bool show) {
  showAccelChar_ = show;
  update();
}

void TOrnLabel::SetFocusMark(bool on, int ownerHeight) {
  focusMark_ = on;
  focusOwnerHeight_ = ownerHeight;
  update();
}

static int DecorationRoom(TLabelStyle style, int interval) {
  if (style == OrnTypes::lsShadow) return qMax(0, interval);
  return style == OrnTypes::ls_None ? 0 : 1;
}

QSize TOrnLabel::sizeHint() const {
  const int room = DecorationRoom(labelStyle_, shadowInterval_);
  return QLabel::sizeHint() + QSize(room, room);
}

QSize TOrnLabel::minimumSizeHint() const {
  const int room = DecorationRoom(labelStyle_, shadowInterval_);
  return QLabel::minimumSizeHint() + QSize(room, room);
}

int TOrnLabel::TextFlags() const {
  int flags =
      int(alignment() & Qt::AlignHorizontal_Mask) | int(alignment() & Qt::AlignVertical_Mask) | Qt::TextExpandTabs;
  if (wordWrap()) flags |= Qt::TextWordWrap;
  if (showAccelChar_) flags |= Qt::TextShowMnemonic;
  return flags;
}

QRect TOrnLabel::FocusMarkRect() const {
  const int textWidth = fontMetrics().horizontalAdvance(text());
  return QRect(1, 0, textWidth + 4, focusOwnerHeight_ - 3);
}

void TOrnLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawFrame(&painter);
  const QColor textColor =
      isEnabled() ? palette().color(QPalette::WindowText) : orn::SystemColor(palette(), orn::SysColor::GrayText);
  orn::DrawStyledText(painter, contentsRect(), TextFlags(), text(), labelStyle_, ShadowColor(), shadowInterval_,
                      textColor, palette());
  if (focusMark_) {
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = FocusMarkRect();
    option.backgroundColor = palette().color(backgroundRole());
    // The mark shows whenever the focus holder has the focus, not only after
    // keyboard navigation.
    option.state |= QStyle::State_KeyboardFocusChange;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
  }
}

void TOrnLabel::mousePressEvent(QMouseEvent* event) {
  // Accept the press so that the release comes back here and makes a click.
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void TOrnLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click) emit Clicked();
}
