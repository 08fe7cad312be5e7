#include "OrnStringGrid.h"

#include <QEvent>
#include <QFontInfo>
#include <QHeaderView>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {

// Face, size and style: what makes two fonts "the same" for following.
bool SameFont(const QFont& a, const QColor& aColor, const QFont& b, const QColor& bColor) {
  return a.family() == b.family() && a.pointSizeF() == b.pointSizeF() && a.pixelSize() == b.pixelSize() &&
         a.bold() == b.bold() && a.italic() == b.italic() && a.underline() == b.underline() &&
         a.strikeOut() == b.strikeOut() && aColor == bColor;
}

}  // namespace

TOrnStringGrid::TOrnStringGrid(QWidget* parent) : QTableWidget(parent) {
  // Tab and Shift+Tab leave the grid for the next control; the arrows move
  // inside it. A keyboard user is never kept in a grid.
  setTabKeyNavigation(false);
  horizontalHeader()->hide();
  verticalHeader()->hide();
  horizontalHeader()->setDefaultSectionSize(64);
  verticalHeader()->setDefaultSectionSize(24);
  verticalHeader()->setMinimumSectionSize(4);
  setEditTriggers(NoEditTriggers);
  setSelectionMode(SingleSelection);
  setItemDelegate(new TOrnStringGridDelegate(this));
  setColumnCount(5);
  setRowCount(5);
  resultFont_ = fixedFont_ = altFont_ = previousFont_ = font();
  resultColor_ = fixedColor_ = altColor_ = previousColor_ = FontColor();
}

QString TOrnStringGrid::Cells(int col, int row) const {
  const QTableWidgetItem* it = item(row, col);
  return it ? it->text() : QString();
}

void TOrnStringGrid::SetCells(int col, int row, const QString& text) {
  if (row < 0 || col < 0 || row >= rowCount() || col >= columnCount()) return;
  if (QTableWidgetItem* it = item(row, col))
    it->setText(text);
  else
    setItem(row, col, new QTableWidgetItem(text));
}

void TOrnStringGrid::SetFixedCols(int count) {
  fixedCols_ = qMax(0, count);
  Redraw();
}

void TOrnStringGrid::SetFixedRows(int count) {
  fixedRows_ = qMax(0, count);
  Redraw();
}

void TOrnStringGrid::SetResultColCount(int count) {
  resultColCount_ = count;
  Redraw();
}

void TOrnStringGrid::SetResultRowCount(int count) {
  resultRowCount_ = count;
  Redraw();
}

void TOrnStringGrid::SetResultFont(const QFont& font) {
  resultFont_ = font;
  Redraw();
}

void TOrnStringGrid::SetResultFontColor(const QColor& color) {
  resultColor_ = color;
  Redraw();
}

void TOrnStringGrid::SetFixedFont(const QFont& font) {
  fixedFont_ = font;
  Redraw();
}

void TOrnStringGrid::SetFixedFontColor(const QColor& color) {
  fixedColor_ = color;
  Redraw();
}

void TOrnStringGrid::SetAltFont(const QFont& font) {
  altFont_ = font;
  Redraw();
}

void TOrnStringGrid::SetAltFontColor(const QColor& color) {
  altColor_ = color;
  Redraw();
}

QColor TOrnStringGrid::FontColor() const { return palette().color(QPalette::Text); }

void TOrnStringGrid::SetFontColor(const QColor& color) {
  QPalette pal = palette();
  pal.setColor(QPalette::Text, color);
  setPalette(pal);
}

void TOrnStringGrid::SetAltFontCondition(TOrnAltFontCondition condition) {
  altFontCondition_ = condition;
  Redraw();
}

void TOrnStringGrid::SetOwnerDrawColumns(const QString& columns) {
  ownerDrawColumns_ = columns;
  ownerDrawList_.clear();
  // A blank or non-numeric field matches no column.
  for (const QString& field : columns.split(QLatin1Char(';'))) {
    bool ok = false;
    const int col = field.trimmed().toInt(&ok);
    if (ok) ownerDrawList_ << col;
  }
  Redraw();
}

bool TOrnStringGrid::IsOwnerDrawColumn(int col) const { return ownerDrawList_.contains(col); }

bool TOrnStringGrid::IsResultCell(int col, int row) const {
  return col >= columnCount() - resultColCount_ || row >= rowCount() - resultRowCount_;
}

bool TOrnStringGrid::AltFontApplies(TOrnAltFontCondition condition, const QString& text) {
  if (condition == OrnTypes::acNone) return false;
  bool ok = false;
  const double value = QLocale::c().toDouble(text.trimmed(), &ok);
  const bool isNumber = ok && std::isfinite(value);
  if (condition == OrnTypes::acStrings) return !isNumber;
  if (!isNumber) return false;
  switch (condition) {
    case OrnTypes::acNegative:
      return value < 0;
    case OrnTypes::acZero:
      return value == 0;
    case OrnTypes::acPositive:
      return value > 0;
    case OrnTypes::acZeroNegative:
      return value <= 0;
    case OrnTypes::acZeroPositive:
      return value >= 0;
    case OrnTypes::acNotZero:
      return value != 0;
    default:
      return false;
  }
}

QFont TOrnStringGrid::CellFont(int col, int row) const {
  if (IsFixedCell(col, row)) return fixedFont_;
  if (IsResultCell(col, row)) return resultFont_;
  QFont f = font();
  if (AltFontApplies(altFontCondition_, Cells(col, row))) {
    // Size and style come from the alternative font; the face stays the grid's.
    if (altFont_.pixelSize() > 0)
      f.setPixelSize(altFont_.pixelSize());
    else
      f.setPointSizeF(altFont_.pointSizeF());
    f.setBold(altFont_.bold());
    f.setWeight(altFont_.weight());
    f.setItalic(altFont_.italic());
    f.setUnderline(altFont_.underline());
    f.setStrikeOut(altFont_.strikeOut());
  }
  return f;
}

QColor TOrnStringGrid::CellFontColor(int col, int row, bool selected) const {
  if (IsFixedCell(col, row)) return fixedColor_;
  if (selected) return Qt::white;
  if (IsResultCell(col, row)) return resultColor_;
  return AltFontApplies(altFontCondition_, Cells(col, row)) ? altColor_ : FontColor();
}

QList<QPoint> TOrnStringGrid::LinePositions(const QRect& cell, const QFont& font, int lineCount) {
  const int step = QFontInfo(font).pixelSize() + 2;
  QList<QPoint> points;
  for (int i = 0; i < lineCount; ++i) points << QPoint(cell.left() + 3, cell.top() + 1 + i * step);
  return points;
}

void TOrnStringGrid::FollowFont() {
  const QFont now = font();
  const QColor nowColor = FontColor();
  if (SameFont(fixedFont_, fixedColor_, previousFont_, previousColor_)) {
    fixedFont_ = now;
    fixedColor_ = nowColor;
  }
  if (SameFont(altFont_, altColor_, previousFont_, previousColor_)) {
    altFont_ = now;
    altColor_ = nowColor;
  }
  if (SameFont(resultFont_, resultColor_, previousFont_, previousColor_)) {
    resultFont_ = now;
    resultColor_ = nowColor;
  }
  previousFont_ = now;
  previousColor_ = nowColor;
  Redraw();
}

void TOrnStringGrid::changeEvent(QEvent* event) {
  QTableWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) FollowFont();
}

QItemSelectionModel::SelectionFlags TOrnStringGrid::selectionCommand(const QModelIndex& index,
                                                                     const QEvent* event) const {
  // Fixed cells are headings: they cannot be selected.
  if (index.isValid() && IsFixedCell(index.column(), index.row())) return QItemSelectionModel::NoUpdate;
  return QTableWidget::selectionCommand(index, event);
}

QModelIndex TOrnStringGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
  // The keyboard moves among the data cells; the headings stay put.
  const QModelIndex next = QTableWidget::moveCursor(cursorAction, modifiers);
  if (!next.isValid() || !IsFixedCell(next.column(), next.row())) return next;
  const int row = qMax(next.row(), fixedRows_);
  const int col = qMax(next.column(), fixedCols_);
  if (row >= rowCount() || col >= columnCount()) return currentIndex();
  return model()->index(row, col);
}

void TOrnStringGrid::mousePressEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->position().toPoint());
  if (at.isValid() && IsFixedCell(at.column(), at.row())) {
    event->accept();
    return;
  }
  QTableWidget::mousePressEvent(event);
}

void TOrnStringGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  const int col = index.column();
  const int row = index.row();
  const QRect rect = option.rect;
  const bool fixed = grid_->IsFixedCell(col, row);
  const bool selected = !fixed && (option.state & QStyle::State_Selected);
  const QString text = index.data(Qt::DisplayRole).toString();
  const QPalette& pal = grid_->palette();
  const QColor fixedBrush = orn::SystemColor(pal, orn::SysColor::BtnFace);
  const QColor dataBrush = pal.color(QPalette::Base);

  painter->save();
  painter->setClipRect(rect);
  // The default drawing, which the window's handler may draw over.
  painter->fillRect(rect, fixed ? fixedBrush : dataBrush);
  painter->setFont(grid_->font());
  painter->setPen(grid_->FontColor());
  painter->drawText(rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  painter->restore();

  painter->save();
  emit grid_->DrawCell(painter, col, row, rect, selected);
  painter->restore();
  if (grid_->IsOwnerDrawColumn(col)) return;

  painter->save();
  painter->setClipRect(rect);
  const QFont cellFont = grid_->CellFont(col, row);
  painter->setFont(cellFont);
  painter->fillRect(rect,
                    selected ? orn::SystemColor(pal, orn::SysColor::ActiveCaption) : (fixed ? fixedBrush : dataBrush));
  painter->setPen(grid_->CellFontColor(col, row, selected));
  const QStringList lines = text.split(QLatin1Char('|'));
  const QList<QPoint> origins = TOrnStringGrid::LinePositions(rect, cellFont, int(lines.size()));
  for (int i = 0; i < lines.size(); ++i)
    painter->drawText(QRect(origins[i], rect.bottomRight()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      lines[i]);
  painter->restore();
}
