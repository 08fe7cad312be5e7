#include "OrnFon.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <algorithm>

TOrnFon::TOrnFon(QWidget* parent) : QWidget(parent) {
  resize(25, 25);
  hide();
}

void TOrnFon::PaintBackground(QPainter& painter, const QRect& area) const {
  if (!isEnabled() || picture_.isNull()) return;
  if (!painter.isActive()) {
    if (fonStyle_ == OrnTypes::fsCoverAll) tilingFailed_ = true;
    return;
  }
  const QRect clip = painter.hasClipping() ? painter.clipBoundingRect().toAlignedRect() & area : area;
  if (fonStyle_ == OrnTypes::fsShowAtPos) {
    // Placed against the whole area, not the region being repainted: a
    // partial repaint must not move the picture.
    painter.drawPixmap(CornerOrigin(area), picture_);
    return;
  }
  if (tilingFailed_) return;
  try {
    Tile(painter, area, clip);
  } catch (...) {
    tilingFailed_ = true;
  }
}

void TOrnFon::Tile(QPainter& painter, const QRect& area, const QRect& clip) const {
  const int w = picture_.width();
  const int h = picture_.height();
  auto tile = [&](int i, int j) {
    const QRect target(area.left() + w * i, area.top() + h * j, w, h);
    if (target.intersects(clip)) painter.drawPixmap(target.topLeft(), picture_);
  };
  // Extents of the clip measured from the area's origin.
  const int clipRight = clip.right() + 1 - area.left();
  const int clipBottom = clip.bottom() + 1 - area.top();

  switch (paintStyle_) {
    case OrnTypes::psFromBottomRight: {
      // Sized by the screen, as designed, but never smaller than the area:
      // an area wider than the screen would otherwise keep bare stripes.
      QSize span = area.size();
      if (const QScreen* screen = QGuiApplication::primaryScreen()) span = span.expandedTo(screen->size());
      const int n = std::max(span.width() / w, span.height() / h) + 1;
      // Only the tiles that meet the clip are visited: with a small picture
      // on a large screen the square has millions of tiles.
      const int firstCol = std::max(0, (clip.left() - area.left()) / w);
      const int lastCol = std::min(n, (clipRight - 1) / w);
      const int firstRow = std::max(0, (clip.top() - area.top()) / h);
      const int lastRow = std::min(n, (clipBottom - 1) / h);
      for (int k = std::max(lastCol, lastRow); k >= 0; --k) {
        if (k >= firstRow && k <= lastRow)
          for (int j = std::min(k, lastCol); j >= firstCol; --j) tile(j, k);
        if (k >= firstCol && k <= lastCol)
          for (int j = std::min(k - 1, lastRow); j >= firstRow; --j) tile(k, j);
      }
      break;
    }
    case OrnTypes::psFromTopLeft:
      for (int k = 0; !(k * h > clipBottom && k * w > clipRight); ++k) {
        tile(k, k);
        for (int a = k + 1; a * h < clipBottom || a * w < clipRight; ++a) {
          tile(k, a);
          tile(a, k);
        }
      }
      break;
    case OrnTypes::psFromTop:
      for (int j = 0; j * h < clipBottom; ++j)
        for (int i = 0; i * w < clipRight; ++i) tile(i, j);
      break;
  }
}

QPoint TOrnFon::CornerOrigin(const QRect& rect) const {
  const int left = rect.left() + intervalHoriz_;
  const int right = rect.left() + rect.width() - picture_.width() - intervalHoriz_;
  const int top = rect.top() + intervalVert_;
  const int bottom = rect.top() + rect.height() - picture_.height() - intervalVert_;
  switch (paintPosStyle_) {
    case OrnTypes::psCornerTL:
      return {left, top};
    case OrnTypes::psCornerTR:
      return {right, top};
    case OrnTypes::psCornerBL:
      return {left, bottom};
    case OrnTypes::psCornerBR:
      return {right, bottom};
  }
  return {left, top};
}

void TOrnFon::PaintAt(QPainter& painter, const QRect& rect) const {
  if (picture_.isNull()) return;
  painter.drawPixmap(CornerOrigin(rect), picture_);
}

namespace orn {
namespace {

class FonBackgroundFilter : public QObject {
 public:
  FonBackgroundFilter(QWidget* area, const TOrnFon* tiles, const TOrnFon* logo)
      : QObject(area), tiles_(tiles), logo_(logo) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      auto* area = static_cast<QWidget*>(watched);
      QPainter painter(area);
      painter.setClipRegion(static_cast<QPaintEvent*>(event)->region());
      if (tiles_) tiles_->PaintBackground(painter, area->rect());
      if (logo_ && logo_->isEnabled()) logo_->PaintAt(painter, area->rect());
    }
    return false;
  }

 private:
  QPointer<const TOrnFon> tiles_;
  QPointer<const TOrnFon> logo_;
};

}  // namespace

void InstallFonBackground(QWidget* area, const TOrnFon* tiles, const TOrnFon* logo) {
  area->installEventFilter(new FonBackgroundFilter(area, tiles, logo));
  area->update();
}

}  // namespace orn
