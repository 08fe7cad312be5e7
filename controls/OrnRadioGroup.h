// TOrnRadioGroup: a group box that paints its items itself, column by
// column, with the same radio circle as TOrnRadioButton, and picks the item
// under a mouse press from the same geometry.
#pragma once

#include <QGroupBox>
#include <QStringList>

#include "OrnTypes.h"

// The geometry of the items for a group of a given size and text height;
// painting and hit testing share it.
struct TOrnRadioGroupGeometry {
  int columns = 1;
  int rows = 0;
  int textHeight = 0;  // h: the text height of "BBjj"
  double e12 = 0;
  int rowStep = 0;
  int columnWidth = 0;
  int firstRowTop = 0;  // round(h / 2 + e12)
  int firstColumnLeft = 0;

  TOrnRadioGroupGeometry(int itemCount, int columns, int width, int height, int textHeight);
  // Top-left of item `index`'s cell (before the h / 2 that places the item).
  QPoint Cell(int index) const;
};

class TOrnRadioGroup : public QGroupBox {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
  Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
  Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex NOTIFY ItemIndexChanged)
  Q_PROPERTY(OrnTypes::TLoadAs LoadAs READ LoadAs WRITE SetLoadAs)

 public:
  explicit TOrnRadioGroup(QWidget* parent = nullptr);

  QString Caption() const { return title(); }
  void SetCaption(const QString& caption) { setTitle(caption); }
  // Outside 1 ... 16 the group uses (and keeps) one column.
  int Columns() const { return columns_; }
  void SetColumns(int columns);
  QStringList Items() const { return items_; }
  void SetItems(const QStringList& items);
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);
  TLoadAs LoadAs() const { return loadAs_; }
  void SetLoadAs(TLoadAs loadAs) { loadAs_ = loadAs; }

  // The item a press at `pos` selects, or -1 when it hits no item's band.
  int ItemAt(const QPoint& pos) const;
  TOrnRadioGroupGeometry Geometry() const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 signals:
  void ItemIndexChanged(int index);
  // The user picked an item with the mouse or the keyboard.
  void Clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QStringList items_;
  int columns_ = 1;
  int itemIndex_ = 0;
  TLoadAs loadAs_ = OrnTypes::AsLabel;
};
