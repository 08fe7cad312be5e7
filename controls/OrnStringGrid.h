// TOrnStringGrid: a grid of texts with fixed first rows and columns, a band
// of result rows and columns at the end in their own font, and an
// alternative font for data cells whose value meets a condition (negative
// amounts in red, say). Cell texts split at "|" into lines. Columns listed
// in OwnerDrawColumns are left to the window's DrawCell handler.
//
// A font here is a QFont plus a colour, as the forms keep them; the grid's
// own font colour is its palette's text colour.
#pragma once

#include <QStyledItemDelegate>
#include <QTableWidget>

#include "OrnTypes.h"

class TOrnStringGrid : public QTableWidget {
  Q_OBJECT
  Q_PROPERTY(int ColCount READ columnCount WRITE setColumnCount)
  Q_PROPERTY(int RowCount READ rowCount WRITE setRowCount)
  Q_PROPERTY(int FixedCols READ FixedCols WRITE SetFixedCols)
  Q_PROPERTY(int FixedRows READ FixedRows WRITE SetFixedRows)
  Q_PROPERTY(int ResultColCount READ ResultColCount WRITE SetResultColCount)
  Q_PROPERTY(int ResultRowCount READ ResultRowCount WRITE SetResultRowCount)
  Q_PROPERTY(QFont ResultFont READ ResultFont WRITE SetResultFont)
  Q_PROPERTY(QColor ResultFontColor READ ResultFontColor WRITE SetResultFontColor)
  Q_PROPERTY(QFont FixedFont READ FixedFont WRITE SetFixedFont)
  Q_PROPERTY(QColor FixedFontColor READ FixedFontColor WRITE SetFixedFontColor)
  Q_PROPERTY(QFont AltFont READ AltFont WRITE SetAltFont)
  Q_PROPERTY(QColor AltFontColor READ AltFontColor WRITE SetAltFontColor)
  Q_PROPERTY(QColor FontColor READ FontColor WRITE SetFontColor)
  Q_PROPERTY(OrnTypes::TOrnAltFontCondition AltFontCondition READ AltFontCondition WRITE SetAltFontCondition)
  Q_PROPERTY(QString OwnerDrawColumns READ OwnerDrawColumns WRITE SetOwnerDrawColumns)
  Q_PROPERTY(OrnTypes::TCharSetStyle3 CharSetStyle READ CharSetStyle WRITE SetCharSetStyle)

 public:
  explicit TOrnStringGrid(QWidget* parent = nullptr);

  QString Cells(int col, int row) const;
  void SetCells(int col, int row, const QString& text);

  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int count);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int count);
  int ResultColCount() const { return resultColCount_; }
  void SetResultColCount(int count);
  int ResultRowCount() const { return resultRowCount_; }
  void SetResultRowCount(int count);
  QFont ResultFont() const { return resultFont_; }
  void SetResultFont(const QFont& font);
  QColor ResultFontColor() const { return resultColor_; }
  void SetResultFontColor(const QColor& color);
  QFont FixedFont() const { return fixedFont_; }
  void SetFixedFont(const QFont& font);
  QColor FixedFontColor() const { return fixedColor_; }
  void SetFixedFontColor(const QColor& color);
  QFont AltFont() const { return altFont_; }
  void SetAltFont(const QFont& font);
  QColor AltFontColor() const { return altColor_; }
  void SetAltFontColor(const QColor& color);
  QColor FontColor() const;
  void SetFontColor(const QColor& color);
  TOrnAltFontCondition AltFontCondition() const { return altFontCondition_; }
  void SetAltFontCondition(TOrnAltFontCondition condition);
  QString OwnerDrawColumns() const { return ownerDrawColumns_; }
  void SetOwnerDrawColumns(const QString& columns);
  TCharSetStyle3 CharSetStyle() const { return charSetStyle_; }
  void SetCharSetStyle(TCharSetStyle3 style) { charSetStyle_ = style; }

  bool IsFixedCell(int col, int row) const { return col < fixedCols_ || row < fixedRows_; }
  bool IsResultCell(int col, int row) const;
  bool IsOwnerDrawColumn(int col) const;
  // Whether a data cell with `text` takes the alternative font.
  static bool AltFontApplies(TOrnAltFontCondition condition, const QString& text);
  // The font and colour a cell's text is drawn in.
  QFont CellFont(int col, int row) const;
  QColor CellFontColor(int col, int row, bool selected) const;
  // Top-left of each line of a cell's text inside `cell`: lines are
  // spaced by the font's em height + 2.
  static QList<QPoint> LinePositions(const QRect& cell, const QFont& font, int lineCount);

 signals:
  // The window's own drawing of a cell; runs after the default drawing and
  // before the grid's, which then covers it except in OwnerDrawColumns.
  void DrawCell(QPainter* painter, int col, int row, const QRect& rect, bool selected);

 protected:
  void changeEvent(QEvent* event) override;
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event = nullptr) const override;
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  friend class TOrnStringGridDelegate;
  void FollowFont();
  void Redraw() { viewport()->update(); }

  int fixedCols_ = 1;
  int fixedRows_ = 1;
  int resultColCount_ = 0;
  int resultRowCount_ = 0;
  QFont resultFont_, fixedFont_, altFont_;
  QColor resultColor_, fixedColor_, altColor_;
  TOrnAltFontCondition altFontCondition_ = OrnTypes::acNone;
  QString ownerDrawColumns_;
  QList<int> ownerDrawList_;
  TCharSetStyle3 charSetStyle_ = OrnTypes::cssAsEdit;
  // The grid font and colour as they were at the last change, to tell
  // which of the other fonts still follow it.
  QFont previousFont_;
  QColor previousColor_;
};

class TOrnStringGridDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  explicit TOrnStringGridDelegate(TOrnStringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  TOrnStringGrid* grid_;
};
