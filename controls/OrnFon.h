// TOrnFon: an invisible holder of a picture and the settings for painting
// it as a window background, either tiled over the whole area (the desktop
// of the main window) or once at a corner (a logo). The window paints it
// through PaintBackground / PaintAt, or lets InstallFonBackground do that.
#pragma once

#include <QPixmap>
#include <QWidget>

#include "OrnTypes.h"

class TOrnFon : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QPixmap Picture READ Picture WRITE SetPicture)
  Q_PROPERTY(OrnTypes::TFonStyle FonStyle READ FonStyle WRITE SetFonStyle)
  Q_PROPERTY(OrnTypes::TPaintStyle PaintStyle READ PaintStyle WRITE SetPaintStyle)
  Q_PROPERTY(OrnTypes::TPaintPosStyle PaintPosStyle READ PaintPosStyle WRITE SetPaintPosStyle)
  Q_PROPERTY(int IntervalHoriz READ IntervalHoriz WRITE SetIntervalHoriz)
  Q_PROPERTY(int IntervalVert READ IntervalVert WRITE SetIntervalVert)
  Q_PROPERTY(QString LdFromFile READ LdFromFile WRITE SetLdFromFile)

 public:
  explicit TOrnFon(QWidget* parent = nullptr);

  QPixmap Picture() const { return picture_; }
  void SetPicture(const QPixmap& picture) { picture_ = picture; }
  TFonStyle FonStyle() const { return fonStyle_; }
  void SetFonStyle(TFonStyle style) { fonStyle_ = style; }
  TPaintStyle PaintStyle() const { return paintStyle_; }
  void SetPaintStyle(TPaintStyle style) { paintStyle_ = style; }
  TPaintPosStyle PaintPosStyle() const { return paintPosStyle_; }
  void SetPaintPosStyle(TPaintPosStyle style) { paintPosStyle_ = style; }
  int IntervalHoriz() const { return intervalHoriz_; }
  void SetIntervalHoriz(int pixels) { intervalHoriz_ = pixels; }
  int IntervalVert() const { return intervalVert_; }
  void SetIntervalVert(int pixels) { intervalVert_ = pixels; }
  // Kept with the form, not used for painting.
  QString LdFromFile() const { return ldFromFile_; }
  void SetLdFromFile(const QString& file) { ldFromFile_ = file; }

  // Paints the picture over `area` (the whole client area of the window,
  // origin of the tiles and of the corners); the painter's clip limits the
  // work to what needs repainting. Nothing when disabled or without a
  // picture. A failed tiling is not tried again for this control's life.
  void PaintBackground(QPainter& painter, const QRect& area) const;
  // Draws the picture once at the PaintPosStyle corner of `rect`.
  void PaintAt(QPainter& painter, const QRect& rect) const;
  bool TilingFailed() const { return tilingFailed_; }

 private:
  void Tile(QPainter& painter, const QRect& area, const QRect& clip) const;
  QPoint CornerOrigin(const QRect& rect) const;

  QPixmap picture_;
  TFonStyle fonStyle_ = OrnTypes::fsCoverAll;
  TPaintStyle paintStyle_ = OrnTypes::psFromBottomRight;
  TPaintPosStyle paintPosStyle_ = OrnTypes::psCornerTR;
  int intervalHoriz_ = 0;
  int intervalVert_ = 0;
  QString ldFromFile_;
  mutable bool tilingFailed_ = false;
};

namespace orn {

// Paints `tiles` (tiled) and then `logo` (at its corner) under everything
// else the widget `area` paints, for as long as the three live. For an
// MDI area pass its viewport and give the area no background brush.
void InstallFonBackground(QWidget* area, const TOrnFon* tiles, const TOrnFon* logo);

}  // namespace orn
