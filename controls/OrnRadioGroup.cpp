#include "OrnRadioGroup.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "OrnAccessible.h"
#include "OrnRadioCircle.h"

using orn::RoundHalfEven;

TOrnRadioGroupGeometry::TOrnRadioGroupGeometry(int itemCount, int columnCount, int width, int height, int textHeightPx)
    : columns(columnCount >= 1 && columnCount <= 16 ? columnCount : 1), textHeight(textHeightPx) {
  const int h = textHeight;
  rows = (itemCount + columns - 1) / columns;
  double e9 = 0;
  if (rows > 1) {
    e9 = double(height) / ((rows - 1) * 9);
    e12 = double(height) / ((rows - 1) * 12);
  }
  const int halfH = RoundHalfEven(h / 2.0);
  rowStep = rows > 0 ? RoundHalfEven((height - h - halfH + e9) / rows) : 0;
  columnWidth = RoundHalfEven(double(width - h - halfH) / columns);
  firstRowTop = RoundHalfEven(h / 2.0 + e12);
  firstColumnLeft = RoundHalfEven(h / 3.0);
}

QPoint TOrnRadioGroupGeometry::Cell(int index) const {
  const int row = rows > 0 ? index % rows : 0;
  const int column = rows > 0 ? index / rows : 0;
  return {firstColumnLeft + column * columnWidth, firstRowTop + row * rowStep};
}

TOrnRadioGroup::TOrnRadioGroup(QWidget* parent) : QGroupBox(parent) {
  orn::InstallOrnAccessibility();
  setFocusPolicy(Qt::StrongFocus);
}

void TOrnRadioGroup::SetColumns(int columns) {
  columns_ = (columns >= 1 && columns <= 16) ? columns : 1;
  updateGeometry();
  update();
}

void TOrnRadioGroup::SetItems(const QStringList& items) {
  items_ = items;
  updateGeometry();
  update();
}

void TOrnRadioGroup::SetItemIndex(int index) {
  if (index == itemIndex_) return;
  itemIndex_ = index;
  update();
  emit ItemIndexChanged(index);
}

TOrnRadioGroupGeometry TOrnRadioGroup::Geometry() const {
  return TOrnRadioGroupGeometry(int(items_.size()), columns_, width(), height(), fontMetrics().height());
}

QSize TOrnRadioGroup::sizeHint() const {
  const QFontMetrics fm = fontMetrics();
  const int h = fm.height();
  const int columns = columns_;
  const int rows = (int(items_.size()) + columns - 1) / columns;
  int widest = 0;
  for (const QString& item : items_) widest = qMax(widest, fm.horizontalAdvance(item));
  const int width =
      qMax(columns * (widest + 25 + 8) + h + RoundHalfEven(h / 2.0), fm.horizontalAdvance(title()) + 2 * h);
  return QSize(width, rows * (h + 6) + 2 * h);
}

void TOrnRadioGroup::paintEvent(QPaintEvent* event) {
  // Frame and caption from the style.
  QGroupBox::paintEvent(event);
  QPainter painter(this);
  painter.setFont(font());
  const TOrnRadioGroupGeometry g = Geometry();
  const int h = g.textHeight;
  // The group's interior is the style's; the circles leave it showing.
  const QColor background;
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  for (int i = 0; i < items_.size(); ++i) {
    const QPoint cell = g.Cell(i);
    const int x = cell.x();
    const int y = RoundHalfEven(cell.y() + h / 2.0);
    // The 13-pixel circle starts 8 pixels right of x; in the 17-pixel box
    // it starts one pixel in.
    orn::DrawRadioCircle(painter, QPoint(x + 7, y), i == itemIndex_, isEnabled(), palette(), background);
    const int textTop = y - RoundHalfEven((h - 16) / 2.0);
    painter.drawText(QRect(x + 25, textTop, qMax(0, g.columnWidth - 25), h),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic, items_[i]);
  }
  if (hasFocus() && itemIndex_ >= 0 && itemIndex_ < items_.size()) {
    const QPoint cell = g.Cell(itemIndex_);
    const int y = RoundHalfEven(cell.y() + h / 2.0) - RoundHalfEven((h - 16) / 2.0);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = QRect(cell.x() + 23, y - 1, fontMetrics().horizontalAdvance(items_[itemIndex_]) + 4, h + 2);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
  }
}

int TOrnRadioGroup::ItemAt(const QPoint& pos) const {
  const TOrnRadioGroupGeometry g = Geometry();
  const int h = g.textHeight;
  const double bandWidth = double(width()) / g.columns;
  for (int column = 0; column < g.columns; ++column) {
    const int left = g.firstColumnLeft + column * g.columnWidth;
    if (!(pos.x() > left && pos.x() < left + bandWidth)) continue;
    for (int row = 0; row < g.rows; ++row) {
      const int top = g.firstRowTop + row * g.rowStep;
      if (pos.y() > top + RoundHalfEven(h / 2.0) && pos.y() < top + RoundHalfEven(3 * h / 2.0)) {
        const int index = row + g.rows * column;
        return index < items_.size() ? index : -1;
      }
    }
  }
  return -1;
}

void TOrnRadioGroup::mousePressEvent(QMouseEvent* event) {
  QGroupBox::mousePressEvent(event);
  if (event->button() != Qt::LeftButton) return;
  const int index = ItemAt(event->position().toPoint());
  if (index < 0) return;
  setFocus(Qt::MouseFocusReason);
  SetItemIndex(index);
  emit Clicked();
}

void TOrnRadioGroup::keyPressEvent(QKeyEvent* event) {
  int step = 0;
  if (event->key() == Qt::Key_Down || event->key() == Qt::Key_Right) step = 1;
  if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Left) step = -1;
  if (step == 0 || items_.isEmpty()) return QGroupBox::keyPressEvent(event);
  SetItemIndex(qBound(0, itemIndex_ + step, int(items_.size()) - 1));
  emit Clicked();
}
